// The whole workflow through the two windows and their buttons, offscreen,
// against the stand-in servers: first and later starts, typing the logins,
// "Next >" and "< Back", the connection tests, and the table operations.
#include "StoredLogins.h"
#include "db/Session.h"
#include "shell/Interrupt.h"
#include "shell/SettingsStore.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/WhenModal.h"
#include "ui/ColumnTypesDialog.h"
#include "ui/ComparisonWindow.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using standin::connectionString;
using standin::dropIfExists;
using standin::execute;
using standin::Side;

namespace {

// Tables of this test only; the names mix cases, as real ones may.
const QString oracleTable = u"UiWindows Customers"_s;
const QString db2Table = u"UiWindowsOrders"_s;
constexpr int oracleRows = 25;
constexpr int db2Rows = 12;

// Every row as "value|value|...", in the order of the first column.
QStringList rowsOf(Side side, const QString& table) {
    db::Connection connection;
    connection.setCursorLocation(db::CursorLocation::Client);
    connection.Open(connectionString(side));
    db::RowSet rows;
    rows.Open(u"SELECT * FROM \"%1\" ORDER BY 1"_s.arg(table), connection);
    QStringList lines;
    for (; !rows.Eof(); rows.MoveNext()) {
        QStringList values;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            const db::Value value = rows.Fields().item(f).Value();
            values << (value.isNull() ? u"<NULL>"_s : value.text());
        }
        lines << values.join(u'|');
    }
    return lines;
}

bool tableExists(Side side, const QString& table) {
    try {
        rowsOf(side, table);
        return true;
    } catch (const db::Error&) {
        return false;
    }
}

int sessionsOf(Side side, const QString& user) {
    QString output;
    const QString sql =
        side == Side::Oracle
            ? u"SELECT count(*) FROM pg_stat_activity WHERE usename = '%1'"_s.arg(user)
            : u"SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE USER = '%1'"_s.arg(user);
    if (!standin::adminSql(side, sql, &output))
        qFatal("cannot count sessions: %s", qPrintable(output));
    return output.trimmed().toInt();
}

QStringList itemsOf(const shell::TableList& list) {
    return list.names();
}

// The eight boxes' contents in box order, Text1 to Text8.
using Logins = QStringList;

} // namespace

class WorkflowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<shell::SettingsStore> store_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<ui::Form1> form1_;

    QLineEdit* box(int n) const { return form1_->findChild<QLineEdit*>(u"Text%1"_s.arg(n)); }
    QPushButton* form1Button(int n) const {
        return form1_->findChild<QPushButton*>(u"PushButton%1"_s.arg(n));
    }
    ui::Form2* form2() const { return form1_->tableManager(); }
    QPushButton* form2Button(int n) const {
        return form2()->findChild<QPushButton*>(u"PushButton%1"_s.arg(n));
    }
    shell::TableList list(int n) const {
        return ui::TableListOf(form2()->findChild<QWidget*>(u"List%1"_s.arg(n)));
    }

    QString stored(const QString& key) const {
        QSettings file(store_->filePath(), QSettings::IniFormat);
        return file.value(u"Duskferry/"_s + key).toString();
    }
    void storeLogins(const Logins& logins) { QVERIFY(::storeLogins(*store_, logins)); }

    // As a user would: click into the box, select its text and type over it.
    void typeInto(QLineEdit* edit, const QString& text) {
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(edit->selectedText(), edit->text());
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
        QCOMPARE(edit->text(), text);
    }
    void typeLogins(const Logins& logins) {
        QApplication::setActiveWindow(form1_.get());
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        for (int n = 1; n <= 8; ++n) {
            typeInto(box(n), logins[n - 1]);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void selectOnly(const shell::TableList& tables, const QString& name) {
        QCOMPARE(tables.names().count(name), 1);
        const int row = int(tables.names().indexOf(name));
        tables.clearSelection();
        tables.setCurrentRow(row);
        tables.setSelected(row, true);
    }

    void startWith(const Logins& logins) {
        storeLogins(logins);
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);
        form1_->start();
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
        for (Side side : {Side::Oracle, Side::Db2}) {
            dropIfExists(side, oracleTable);
            dropIfExists(side, db2Table);
        }
        execute(Side::Oracle, u"CREATE TABLE \"%1\" (\"Id\" integer, \"Name\" varchar(40), "
                              u"\"Amount\" numeric(10,2), \"Since\" date)"_s.arg(oracleTable));
        for (int i = 1; i <= oracleRows; ++i) {
            execute(Side::Oracle,
                    u"INSERT INTO \"%1\" VALUES (%2, 'Customer %2''s', %2.25, DATE '2020-01-%3')"_s
                        .arg(oracleTable)
                        .arg(i)
                        .arg(i, 2, 10, QChar(u'0')));
        }
        execute(Side::Db2,
                u"CREATE TABLE \"%1\" (\"OrderNo\" INTEGER, \"Note\" VARCHAR(30))"_s.arg(db2Table));
        for (int i = 1; i <= db2Rows; ++i)
            execute(Side::Db2,
                    u"INSERT INTO \"%1\" VALUES (%2, 'order %2')"_s.arg(db2Table).arg(i));
    }
    void cleanupTestCase() {
        for (Side side : {Side::Oracle, Side::Db2}) {
            dropIfExists(side, oracleTable);
            dropIfExists(side, db2Table);
        }
    }

    void init() {
        config_ = std::make_unique<QTemporaryDir>();
        QVERIFY(config_->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_->path()));
        store_ = std::make_unique<shell::SettingsStore>();
        dialogs_.clear();
        dialogs_.failOnErrorReport = true;
    }
    void cleanup() {
        QVERIFY2(dialogs_.allExpected(), qPrintable(dialogs_.unexpectedSummary()));
        form1_.reset();
        shell::clearQuitRequest();
    }

    void firstStartShowsTheConnectionWindow() {
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);
        form1_->start();
        QVERIFY(form1_->isVisible());
        QVERIFY(form2() == nullptr);
        QVERIFY(dialogs_.shown().isEmpty());
        QCOMPARE(form1_->windowTitle(), u"Duskferry"_s);
        QCOMPARE(box(2)->text(), u"50069"_s);
        for (int n : {1, 3, 4, 5, 6, 7, 8})
            QCOMPARE(box(n)->text(), QString());

        QSettings file(store_->filePath(), QSettings::IniFormat);
        QVERIFY(file.contains(u"Duskferry/Port"_s));
        QCOMPARE(stored(u"Port"_s), u"50069"_s);
        for (const char16_t* key : {u"Server", u"User", u"Password", u"Database", u"OracleServer",
                                    u"OracleUser", u"OraclePassword"})
            QCOMPARE(stored(QString::fromUtf16(key)), QString());

        QApplication::setActiveWindow(form1_.get());
        QVERIFY(QTest::qWaitForWindowActive(form1_.get()));
        QCOMPARE(QApplication::focusWidget(), box(1));
    }

    // Typed logins are in the store at once and lead to the table manager;
    // coming back, changing the logins and going on again shows the other
    // databases' tables.
    void typedLoginsLeadToTheTableManager() {
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);
        form1_->start();
        typeLogins(standInLogins());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(stored(QString::fromUtf16(ui::loginBoxes[i].settingsKey)), standInLogins()[i]);

        form1Button(2)->click();
        QVERIFY(form2() != nullptr);
        QVERIFY(form2()->isVisible());
        QVERIFY(!form1_->isVisible());
        QCOMPARE(form2()->windowTitle(), u"Duskferry"_s);
        QCOMPARE(form2()->height(), 367);
        QVERIFY2(itemsOf(list(1)).contains(oracleTable), qPrintable(itemsOf(list(1)).join(u", ")));
        QVERIFY2(itemsOf(list(2)).contains(db2Table), qPrintable(itemsOf(list(2)).join(u", ")));
        QCOMPARE(list(1).currentRow(), 0);
        QCOMPARE(ui::windowPointer(form1_.get()), shell::PointerState::Default);

        form2Button(2)->click();
        QVERIFY(form1_->isVisible());
        QVERIFY(!form2()->isVisible());
        typeLogins(lonelyLogins());
        form1Button(2)->click();
        QVERIFY(form2()->isVisible());
        QCOMPARE(itemsOf(list(1)), QStringList());
        QCOMPARE(itemsOf(list(2)), QStringList());

        form2Button(2)->click();
        typeLogins(standInLogins());
        form1Button(2)->click();
        QVERIFY(itemsOf(list(1)).contains(oracleTable));
        QVERIFY(itemsOf(list(2)).contains(db2Table));
        QVERIFY(dialogs_.shown().isEmpty());
    }

    // A side that does not connect keeps the connection window up, without a word.
    void nextStaysWhenALoginFails_data() {
        QTest::addColumn<int>("wrongBox");
        QTest::newRow("Oracle password") << 8;
        QTest::newRow("IBM DB2 password") << 4;
        QTest::newRow("IBM DB2 port") << 2;
    }
    void nextStaysWhenALoginFails() {
        QFETCH(int, wrongBox);
        Logins logins = standInLogins();
        logins[wrongBox - 1] = wrongBox == 2 ? u"1"_s : u"wrong"_s;
        startWith(logins);
        QVERIFY(form1_->isVisible());
        QVERIFY(form2() == nullptr);

        form1Button(2)->click();
        QVERIFY(form1_->isVisible());
        QVERIFY(form2() == nullptr);
        QCOMPARE(ui::windowPointer(form1_.get()), shell::PointerState::Default);
        QVERIFY(dialogs_.shown().isEmpty());
    }

    void secondStartOpensTheTableManagerDirectly() {
        startWith(standInLogins());
        // Started over with the stored logins, as the next run of the program does.
        form1_.reset();
        int shows = 0;
        struct ShowCounter : QObject {
            int* shows;
            explicit ShowCounter(int* counter) : shows(counter) {}
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Show)
                    ++*shows;
                return false;
            }
        } counter(&shows);
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);
        form1_->installEventFilter(&counter);
        form1_->start();
        form1_->removeEventFilter(&counter);

        QCOMPARE(shows, 0);
        QVERIFY(!form1_->isVisible());
        QVERIFY(form2() != nullptr && form2()->isVisible());
        QVERIFY(itemsOf(list(1)).contains(oracleTable));
        QVERIFY(itemsOf(list(2)).contains(db2Table));
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(box(n)->text(), standInLogins()[n - 1]);
        QVERIFY(dialogs_.shown().isEmpty());
    }

    // "Next >" pressed again while the table manager loads a catalogue of
    // thousands of tables does nothing: every name is listed once.
    void secondNextDuringTheLoadDoesNothing() {
        // In blocks: one transaction holds a lock per table it creates.
        const auto forEachTable = [](const QString& statement) {
            for (int first = 1; first <= 3000; first += 1500) {
                execute(Side::Oracle,
                        u"DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE format('%3', 'Many' || "
                        u"lpad(i::text, 5, '0')); END LOOP; END $$"_s.arg(first)
                            .arg(first + 1499)
                            .arg(statement));
            }
        };
        forEachTable(u"CREATE TABLE IF NOT EXISTS %I (k int)"_s);
        const auto dropMany = qScopeGuard([&] { forEachTable(u"DROP TABLE IF EXISTS %I"_s); });
        QStringList logins = standInLogins();
        logins[7] = u"wrong"_s;
        startWith(logins);
        QVERIFY(form1_->isVisible());
        box(8)->setText(standInLogins()[7]);

        // The second press comes while the table manager loads (its catalogue
        // reads serve the event loop), and must find the button off.
        bool pressedAgain = false;
        bool enabledWhenPressed = false;
        QTimer again;
        again.setInterval(0);
        QObject::connect(&again, &QTimer::timeout, [&] {
            if (form2() != nullptr) {
                again.stop();
                pressedAgain = true;
                enabledWhenPressed = form1Button(2)->isEnabled();
                form1Button(2)->click();
            }
        });
        again.start();
        form1Button(2)->click();
        again.stop();
        QVERIFY(pressedAgain);
        QVERIFY(!enabledWhenPressed);
        QVERIFY(form1Button(2)->isEnabled());
        QVERIFY(form2() != nullptr && form2()->isVisible());
        const QStringList names = itemsOf(list(1));
        QVERIFY(names.size() >= 3000);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    }

    // A side that cannot be listed while the table manager loads is reported
    // once, under the load's own name and line; the other side, the caption
    // and the height still come.
    void tableManagerLoadsWhatAnswers_data() {
        QTest::addColumn<int>("wrongBox");
        QTest::addColumn<int>("failingList");
        QTest::addColumn<int>("line");
        QTest::newRow("Oracle side gone") << 8 << 1 << 116;
        QTest::newRow("IBM DB2 side gone") << 4 << 2 << 118;
    }
    void tableManagerLoadsWhatAnswers() {
        QFETCH(int, wrongBox);
        QFETCH(int, failingList);
        QFETCH(int, line);
        startWith(standInLogins());
        QVERIFY(form2() != nullptr && form2()->isVisible());
        form2()->setWindowTitle(QString());
        form2()->setFixedHeight(100);
        // As when a server goes away after the checks of "Next >".
        box(wrongBox)->setText(u"wrong"_s);
        dialogs_.failOnErrorReport = false;

        form2()->Form_Load();
        QCOMPARE(dialogs_.errorReports().size(), 1);
        QVERIFY2(dialogs_.errorReports().first().contains(
                     u"\r\nin Duskferry2021/08/31.Form2.Form_Load at line %1\r\r"_s.arg(line)),
                 qPrintable(dialogs_.errorReports().first()));
        QCOMPARE(itemsOf(list(failingList)), QStringList());
        const int otherList = failingList == 1 ? 2 : 1;
        QVERIFY(itemsOf(list(otherList)).contains(otherList == 1 ? oracleTable : db2Table));
        QCOMPARE(form2()->windowTitle(), u"Duskferry"_s);
        QCOMPARE(form2()->height(), 367);
        dialogs_.clear();
    }

    // The right answer for good and bad details, the normal pointer again,
    // and no session of ours left open on the server.
    void testConnectionAnswersAndLetsGo_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("wrongBox");
        QTest::addColumn<QString>("notice");
        const QString good = u"Connection successful."_s;
        const QString bad = u"Could not connect. Please check with your administrator."_s;
        QTest::newRow("Oracle, good") << int(Side::Oracle) << 0 << good;
        QTest::newRow("Oracle, wrong password") << int(Side::Oracle) << 8 << bad;
        QTest::newRow("Oracle, wrong user") << int(Side::Oracle) << 7 << bad;
        QTest::newRow("IBM DB2, good") << int(Side::Db2) << 0 << good;
        QTest::newRow("IBM DB2, wrong password") << int(Side::Db2) << 4 << bad;
        QTest::newRow("IBM DB2, wrong database") << int(Side::Db2) << 5 << bad;
        // The other side's boxes play no part.
        QTest::newRow("Oracle, IBM DB2 wrong") << int(Side::Oracle) << 4 << good;
        QTest::newRow("IBM DB2, Oracle wrong") << int(Side::Db2) << 8 << good;
    }
    void testConnectionAnswersAndLetsGo() {
        QFETCH(int, side);
        QFETCH(int, wrongBox);
        QFETCH(QString, notice);
        Logins logins = standInLogins();
        if (wrongBox != 0)
            logins[wrongBox - 1] = u"wrong"_s;
        startWith(logins);

        const Side tested = Side(side);
        const QString user = tested == Side::Oracle ? standin::oracle().user : standin::db2().user;
        const int before = sessionsOf(tested, user);
        form1Button(tested == Side::Oracle ? 1 : 3)->click();
        QCOMPARE(dialogs_.shown(), QStringList{u"notice: "_s + notice});
        QCOMPARE(ui::windowPointer(form1_.get()), shell::PointerState::Default);
        QTRY_COMPARE_WITH_TIMEOUT(sessionsOf(tested, user), before, 5000);
    }

    // The windows' copy reads the rules file beside the logins' file, as the
    // command line does; a line that is not a rule is reported and nothing
    // is copied.
    void copyTakesTheTypeRulesBesideTheLogins() {
        dropIfExists(Side::Db2, oracleTable);
        const QString file = shell::TypeRulesPath(store_->filePath());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        const auto write = [&](const QString& text) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(text.toUtf8());
        };
        startWith(standInLogins());
        QVERIFY(form2() != nullptr && form2()->isVisible());

        write(u"[to db2]\nNUMERIC = DECIMAL\nbroken\n"_s);
        dialogs_.failOnErrorReport = false;
        selectOnly(list(1), oracleTable);
        form2Button(3)->click();
        QCOMPARE(dialogs_.errorReports().size(), 1);
        QVERIFY2(dialogs_.errorReports()[0].startsWith(u"duskferry-types.ini:3: not a rule"_s),
                 qPrintable(dialogs_.errorReports()[0]));
        QVERIFY(!tableExists(Side::Db2, oracleTable));

        // The rule chosen in the dialog of the list's context menu: the
        // type typed over, shown as the user's, saved beside the type rule.
        write(u"# mine\n[to db2]\nNUMERIC = DECIMAL(30,6)\n"_s);
        selectOnly(list(1), oracleTable);
        QString why;
        WhenModalOpens(this, [&](QWidget* modal) {
            // A failed check still closes it, so that the handler returns.
            const auto closed = qScopeGuard([modal] {
                if (modal->isVisible())
                    modal->close();
            });
            auto* dialog = qobject_cast<ui::ColumnTypesDialog*>(modal);
            QVERIFY(dialog != nullptr);
            auto* table = dialog->findChild<QTableWidget*>();
            for (int row = 0; row < table->rowCount(); ++row) {
                if (table->item(row, ui::ColumnTypesDialog::nameColumn)->text() == u"Name") {
                    table->setCurrentCell(row, ui::ColumnTypesDialog::targetColumn);
                    QTest::keyClick(table, Qt::Key_F2);
                    auto* editor = table->findChild<QComboBox*>();
                    QVERIFY(editor != nullptr && editor->isEditable());
                    editor->lineEdit()->selectAll();
                    QTest::keyClicks(editor->lineEdit(), u"VARCHAR(77)"_s);
                    QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
                    // The view takes the editor's text once back in its loop.
                    QTRY_COMPARE(table->item(row, ui::ColumnTypesDialog::targetColumn)->text(),
                                 u"VARCHAR(77)"_s);
                    why = table->item(row, ui::ColumnTypesDialog::whyColumn)->text();
                }
            }
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
        });
        QAction* types = nullptr;
        for (QAction* action : form2()->findChild<QWidget*>(u"List1"_s)->actions())
            if (action->text() == u"Column types…")
                types = action;
        QVERIFY(types != nullptr);
        types->trigger();
        QCOMPARE(why, u"your choice"_s);
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()),
                 u"# mine\n[to db2]\nNUMERIC = DECIMAL(30,6)\n%1.Name = VARCHAR(77)\n"_s.arg(
                     oracleTable));
        form2Button(3)->click();
        QCOMPARE(dialogs_.errorReports().size(), 1);
        bool ruled = false;
        for (const standin::CatalogueColumn& c : standin::catalogueColumns(Side::Db2, oracleTable))
            ruled = ruled || (c.name == u"Name" && c.typeName == u"VARCHAR" && c.size == 77);
        QVERIFY(ruled);
        QFile::remove(file);
        dropIfExists(Side::Db2, oracleTable);
    }

    // Copy each way, then delete, all from the table manager's buttons.
    void tableOperationsFromTheButtons() {
        dropIfExists(Side::Db2, oracleTable);
        dropIfExists(Side::Oracle, db2Table);
        startWith(standInLogins());
        QVERIFY(form2() != nullptr && form2()->isVisible());
        const QStringList oracleSource = rowsOf(Side::Oracle, oracleTable);
        QCOMPARE(oracleSource.size(), oracleRows);

        selectOnly(list(1), oracleTable);
        form2Button(3)->click();
        QVERIFY(itemsOf(list(2)).contains(oracleTable));
        QCOMPARE(rowsOf(Side::Db2, oracleTable).size(), oracleRows);
        QCOMPARE(rowsOf(Side::Db2, oracleTable).first().section(u'|', 0, 1),
                 oracleSource.first().section(u'|', 0, 1));
        QCOMPARE(ui::windowPointer(form2()), shell::PointerState::Default);

        // The copy compared from the source list's context menu: a window of
        // its own says equal, and its text is what the command line prints.
        QAction* compare = nullptr;
        for (QAction* action : form2()->findChild<QWidget*>(u"List1"_s)->actions())
            if (action->text() == u"Compare with the other side")
                compare = action;
        QVERIFY(compare != nullptr);
        compare->trigger();
        auto* result = form2()->findChild<ui::ComparisonWindow*>();
        QVERIFY(result != nullptr && result->isVisible());
        QVERIFY2(result->text().startsWith(
                     u"equal \"%1\": source %2 rows, target %2"_s.arg(oracleTable).arg(oracleRows)),
                 qPrintable(result->text()));
        result->close();

        selectOnly(list(2), db2Table);
        form2Button(4)->click();
        QVERIFY(itemsOf(list(1)).contains(db2Table));
        QCOMPARE(rowsOf(Side::Oracle, db2Table), rowsOf(Side::Db2, db2Table));

        selectOnly(list(2), oracleTable);
        form2Button(5)->click();
        QVERIFY(!itemsOf(list(2)).contains(oracleTable));
        QVERIFY(!tableExists(Side::Db2, oracleTable));

        selectOnly(list(1), db2Table);
        form2Button(1)->click();
        QVERIFY(!itemsOf(list(1)).contains(db2Table));
        QVERIFY(!tableExists(Side::Oracle, db2Table));
        QVERIFY(tableExists(Side::Oracle, oracleTable));
        QVERIFY(dialogs_.shown().isEmpty());
    }

    // Rename asks for the new name. The stand-ins do not take RENAME, so the
    // statement's failure is reported and the list stays as it was.
    void renameAsksForTheNewName_data() {
        QTest::addColumn<int>("listNumber");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("table");
        QTest::newRow("Oracle") << 1 << 6 << oracleTable;
        QTest::newRow("IBM DB2") << 2 << 7 << db2Table;
    }
    void renameAsksForTheNewName() {
        QFETCH(int, listNumber);
        QFETCH(int, button);
        QFETCH(QString, table);
        startWith(standInLogins());
        const QStringList before = itemsOf(list(listNumber));
        selectOnly(list(listNumber), table);
        dialogs_.failOnErrorReport = false;
        dialogs_.queueInput(u"UiWindowsRenamed"_s);
        form2Button(button)->click();

        QCOMPARE(dialogs_.inputs(), QStringList{u"Enter new name of "_s + table + u':'});
        QCOMPARE(dialogs_.errorReports().size(), 1);
        QVERIFY2(
            dialogs_.errorReports().first().contains(u".Form2.PushButton%1_Click "_s.arg(button)),
            qPrintable(dialogs_.errorReports().first()));
        QCOMPARE(itemsOf(list(listNumber)), before);
        QVERIFY(tableExists(listNumber == 1 ? Side::Oracle : Side::Db2, table));
        dialogs_.clear();
    }
};

QTEST_MAIN(WorkflowTest)
#include "workflow_test.moc"
