// Pictures of both windows as the program shows them, for a look by eye:
// <build folder>/screenshots/form1.png and form2.png. The table manager is
// shown with both stand-ins' tables, the connection window with its logins.
#include "StoredLogins.h"
#include "db/Session.h"
#include "shell/SettingsStore.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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
        ui::TableListOf(form2->findChild<QWidget*>(u"List1"_s)).setSelected(0, true);

        QVERIFY(QDir().mkpath(screenshotFolder()));
        const QString form2Path = screenshotFolder() + u"/form2.png"_s;
        QVERIFY(form2->grab().save(form2Path));

        form2->findChild<QPushButton*>(u"PushButton2"_s)->click();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));
        const QString form1Path = screenshotFolder() + u"/form1.png"_s;
        QVERIFY(form1.grab().save(form1Path));

        QVERIFY2(dialogs.allExpected(), qPrintable(dialogs.unexpectedSummary()));
        qInfo("screenshots: %s, %s", qPrintable(form1Path), qPrintable(form2Path));
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
