// Pictures of both windows as the program shows them, for a look by eye:
// <build folder>/screenshots/form1.png, form2.png and column-types.png. The
// table manager is shown with both stand-ins' tables, the connection window
// with its logins, the types dialog with a table of several kinds.
#include "StoredLogins.h"
#include "db/Session.h"
#include "shell/SettingsStore.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/WhenModal.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using standin::dropIfExists;
using standin::execute;
using standin::Side;

namespace {

const QStringList oracleTables{u"UiShot EMPLOYEES"_s, u"UiShot Departments"_s,
                               u"UiShot SALGRADE"_s};
const QStringList db2Tables{u"UiShotSTAFF"_s, u"UiShotORG"_s};

void dropTables() {
    for (const QString& table : oracleTables) {
        dropIfExists(Side::Oracle, table);
    }
    for (const QString& table : db2Tables) {
        dropIfExists(Side::Db2, table);
    }
}

QString screenshotFolder() {
    // The test programs live in <build folder>/tests.
    return QDir(QCoreApplication::applicationDirPath() + u"/../screenshots"_s).absolutePath();
}

} // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
        dropTables();
        for (const QString& table : oracleTables)
            execute(Side::Oracle, u"CREATE TABLE \"%1\" (\"ID\" integer)"_s.arg(table));
        execute(Side::Oracle, u"ALTER TABLE \"UiShot Departments\" ADD \"NAME\" text, ADD "
                              "\"BUDGET\" numeric, ADD \"CODE\" varchar(8), ADD \"OPENED\" date"_s);
        execute(Side::Oracle, u"INSERT INTO \"UiShot Departments\" VALUES (1, 'Research', "
                              "1250000.5, 'R', '2020-01-02'), (2, 'Operations', 98000, "
                              "'OPS-1', NULL)"_s);
        for (const QString& table : db2Tables)
            execute(Side::Db2, u"CREATE TABLE \"%1\" (\"ID\" INTEGER)"_s.arg(table));
    }
    void cleanupTestCase() { dropTables(); }

    void bothWindows() {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        shell::SettingsStore store;
        QVERIFY(storeLogins(store, standInLogins()));

        ScriptedDialogs dialogs;
        dialogs.failOnErrorReport = true;
        ui::Form1 form1(dialogs, store);
        form1.start();
        ui::Form2* form2 = form1.tableManager();
        QVERIFY(form2 != nullptr && form2->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(form2));
        const shell::TableList oracleList = ui::TableListOf(form2->findChild<QWidget*>(u"List1"_s));
        oracleList.setSelected(0, true);

        QVERIFY(QDir().mkpath(screenshotFolder()));
        const QString form2Path = screenshotFolder() + u"/form2.png"_s;
        QVERIFY(form2->grab().save(form2Path));

        // The types dialog of a table with a rule that its values outgrow.
        const QString typesPath = screenshotFolder() + u"/column-types.png"_s;
        QFile rules(shell::TypeRulesPath(store.filePath()));
        QVERIFY(rules.open(QIODevice::WriteOnly));
        rules.write(QByteArrayLiteral("[to db2]\nUiShot Departments.CODE = CHAR(3)\n"));
        rules.close();
        oracleList.setCurrentRow(int(oracleList.names().indexOf(u"UiShot Departments"_s)));
        bool grabbed = false;
        WhenModalOpens(form2, [&](QWidget* dialog) {
            grabbed = QTest::qWaitForWindowExposed(dialog) && dialog->grab().save(typesPath);
            dialog->close();
        });
        for (QAction* action : form2->findChild<QWidget*>(u"List1"_s)->actions())
            if (action->text() == u"Column types…")
                action->trigger();
        QVERIFY(grabbed);

        form2->findChild<QPushButton*>(u"PushButton2"_s)->click();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        const QString form1Path = screenshotFolder() + u"/form1.png"_s;
        QVERIFY(form1.grab().save(form1Path));

        QVERIFY2(dialogs.allExpected(), qPrintable(dialogs.unexpectedSummary()));
        qInfo("screenshots: %s, %s, %s", qPrintable(form1Path), qPrintable(form2Path),
              qPrintable(typesPath));
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
