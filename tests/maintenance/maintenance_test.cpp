// Dropping and renaming tables from the table manager's lists: real list
// widgets offscreen, scripted dialogs, and the stand-in servers through their
// real drivers. No stand-in takes RENAME, so its success is shown with a
// statement runner that accepts the statement on a real, open connection.
#include "db/Session.h"
#include "maintenance/DeleteTables.h"
#include "maintenance/RenameTable.h"
#include "shell/Failure.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"
#include "ui/Pointer.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using standin::Side;
enum class Operation { Delete, Rename };

using standin::openAsOwner;

bool tableExists(Side side, const QString& name) {
    db::Connection connection = openAsOwner(side);
    db::RowSet rows;
    const QString literal = u'\'' + name + u'\'';
    rows.Open(side == Side::Oracle
                  ? u"SELECT table_name FROM user_tables WHERE table_name = "_s + literal
                  : u"SELECT table_name FROM information_schema.tables "
                    u"WHERE table_schema = DATABASE() AND table_name = "_s +
                        literal,
              connection);
    return !rows.Eof();
}

// The tables of one case, owned by the side's test login. Each one after the
// first holds a foreign key to the one before, so the database accepts their
// drops only from the last to the first. All are dropped again when the case
// ends, whatever it did.
class Tables {
public:
    Tables(Side side, const QStringList& chained, const QStringList& loose = {})
        : side_(side), names_(chained + loose) {
        db::Connection connection = openAsOwner(side);
        dropAll(connection);
        QString previous;
        for (const QString& name : chained) {
            QString statement = u"CREATE TABLE \""_s + name + u"\" (k INT PRIMARY KEY, up INT"_s;
            if (!previous.isEmpty())
                statement += u", FOREIGN KEY (up) REFERENCES \""_s + previous + u"\" (k)"_s;
            connection.Execute(statement + u')');
            previous = name;
        }
        for (const QString& name : loose)
            connection.Execute(u"CREATE TABLE \""_s + name + u"\" (k INT)"_s);
    }
    ~Tables() {
        try {
            db::Connection connection = openAsOwner(side_);
            dropAll(connection);
        } catch (const db::Error& error) {
            qWarning("cleaning up: %s", qPrintable(error.description()));
        }
    }
    Tables(const Tables&) = delete;
    Tables& operator=(const Tables&) = delete;

private:
    void dropAll(db::Connection& connection) const {
        for (qsizetype i = names_.size() - 1; i >= 0; --i)
            connection.Execute(u"DROP TABLE IF EXISTS \""_s + names_[i] + u'"');
    }

    Side side_;
    QStringList names_;
};

// Passes every box to the scripted dialogs and notes, for each, what the
// window looked like while it was open.
class WatchedDialogs final : public shell::Dialogs {
public:
    struct Moment {
        shell::PointerState pointer;
        bool buttonEnabled;
    };

    WatchedDialogs(ScriptedDialogs& script, QWidget& window, QPushButton& button)
        : script_(script), window_(window), button_(button) {}

    const QList<Moment>& moments() const { return moments_; }

    void notice(const QString& text) override {
        note();
        script_.notice(text);
    }
    bool askYesNo(const QString& text, const QString& caption) override {
        note();
        return script_.askYesNo(text, caption);
    }
    QString inputText(const QString& prompt, const QString& initialText) override {
        note();
        return script_.inputText(prompt, initialText);
    }
    void errorReport(const QString& text) override {
        note();
        script_.errorReport(text);
    }

private:
    void note() { moments_.append({ui::windowPointer(&window_), button_.isEnabled()}); }

    ScriptedDialogs& script_;
    QWidget& window_;
    QPushButton& button_;
    QList<Moment> moments_;
};

// The table manager's controls as the handlers see them.
class Window {
public:
    // Passwords with a character too many: every open is refused.
    void useWrongLogin(bool wrong) {
        if (wrong) {
            controls_.oracleLogins.password += u'x';
            controls_.db2Logins.password += u'x';
        }
    }

    ScriptedDialogs dialogs;

    shell::TableList list(Side side) const { return controls_.list(side); }

    // False when the list does not show the selection and current item asked for.
    [[nodiscard]] bool fill(Side side, const QStringList& names, const QList<int>& selected,
                            int current) {
        const shell::TableList target = list(side);
        target.insertNames(names);
        for (int row : selected)
            target.setSelected(row, true);
        if (current >= 0)
            target.setCurrentRow(current);
        return items(side) == names && target.currentRow() == current &&
               target.selectedCount() == selected.size();
    }

    QStringList items(Side side) const { return controls_.items(side); }

    void press(Side side, Operation operation, const maintenance::StatementRunner& runner = {}) {
        const kernel::Workspace workspace = this->workspace();
        if (operation == Operation::Delete) {
            side == Side::Oracle ? maintenance::DeleteOracleTables(workspace)
                                 : maintenance::DeleteDb2Tables(workspace);
        } else if (runner) {
            side == Side::Oracle ? maintenance::RenameOracleTable(workspace, runner)
                                 : maintenance::RenameDb2Table(workspace, runner);
        } else {
            side == Side::Oracle ? maintenance::RenameOracleTable(workspace)
                                 : maintenance::RenameDb2Table(workspace);
        }
    }

    // The window once the handler has returned: default pointer, buttons live.
    bool idle() const {
        return ui::windowPointer(&controls_.window) == shell::PointerState::Default &&
               controls_.button->isEnabled();
    }

    // Every box came while the handler worked: busy pointer, buttons off.
    bool busyAtEveryBox() const {
        for (const WatchedDialogs::Moment& moment : watched_.moments()) {
            if (moment.pointer != shell::PointerState::Busy || moment.buttonEnabled)
                return false;
        }
        return true;
    }

private:
    kernel::Workspace workspace() { return controls_.workspace(watched_); }

    TableManagerControls controls_;
    WatchedDialogs watched_{dialogs, controls_.window, *controls_.button};
};

const QStringList nine{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s, u"Mnt_D"_s, u"Mnt_E"_s,
                       u"Mnt_F"_s, u"Mnt_G"_s, u"Mnt_H"_s, u"Mnt_I"_s};

QStringList without(QStringList names, const QStringList& gone) {
    for (const QString& name : gone)
        names.removeAll(name);
    return names;
}

// "in Duskferry2021/08/31.Form2.<handler> at line <n>", the second line of a report.
QString whereReported(const QString& report) {
    const QStringList lines = report.split(u"\r\n"_s);
    return lines.size() < 2 ? QString() : lines[1].section(u'\r', 0, 0);
}

QString location(const char* handler, int line) {
    return u"in Duskferry2021/08/31.Form2."_s + QLatin1String(handler) + u" at line "_s +
           QString::number(line);
}

} // namespace

Q_DECLARE_METATYPE(Side)
Q_DECLARE_METATYPE(Operation)

class MaintenanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    // Positions 1, 4 and 7 selected; the selected tables that exist are
    // chained by foreign keys so that only the order 7, 4, 1 drops them all.
    // A table that is gone is reported in its turn and keeps its item.
    void deleteSelected_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QString>("where");

        const QStringList all{u"Mnt_B"_s, u"Mnt_E"_s, u"Mnt_H"_s};
        const QStringList backwards{u"Mnt_H"_s, u"Mnt_E"_s, u"Mnt_B"_s};
        const QString oracleWhere = location("PushButton1_Click", 114);
        const QString db2Where = location("PushButton5_Click", 112);

        QTest::newRow("Oracle, all three") << Side::Oracle << all << QStringList() << QString();
        QTest::newRow("DB2, all three") << Side::Db2 << all << QStringList() << QString();
        QTest::newRow("Oracle, none there any more")
            << Side::Oracle << QStringList() << backwards << oracleWhere;
        QTest::newRow("DB2, none there any more")
            << Side::Db2 << QStringList() << backwards << db2Where;
        QTest::newRow("Oracle, the middle one gone")
            << Side::Oracle << QStringList{u"Mnt_B"_s, u"Mnt_H"_s} << QStringList{u"Mnt_E"_s}
            << oracleWhere;
        QTest::newRow("DB2, the middle one gone")
            << Side::Db2 << QStringList{u"Mnt_B"_s, u"Mnt_H"_s} << QStringList{u"Mnt_E"_s}
            << db2Where;
    }

    void deleteSelected() {
        QFETCH(Side, side);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, reported);
        QFETCH(QString, where);

        // Mnt_D is a real table that nobody selected.
        const Tables tables(side, existing, {u"Mnt_D"_s});
        Window window;
        QVERIFY(window.fill(side, nine, {1, 4, 7}, 4));

        window.press(side, Operation::Delete);

        QCOMPARE(window.items(side), without(nine, existing));
        const QStringList reports = window.dialogs.errorReports();
        QCOMPARE(reports.size(), reported.size());
        for (qsizetype i = 0; i < reports.size(); ++i) {
            QVERIFY2(reports[i].section(u"\r\n"_s, 0, 0).contains(reported[i]),
                     qPrintable(reports[i]));
            QCOMPARE(whereReported(reports[i]), where);
        }
        QCOMPARE(window.dialogs.notices(), QStringList());
        for (const QString& name : existing)
            QVERIFY2(!tableExists(side, name), qPrintable(name));
        QVERIFY(tableExists(side, u"Mnt_D"_s));
        QVERIFY(window.idle());
        QVERIFY(window.busyAtEveryBox());
    }

    // A selected real table but no current item. The Oracle side looks at
    // the list before it connects, the DB2 side connects first: with a
    // refused login only the DB2 side has anything to report.
    void noCurrentItem_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<bool>("wrongLogin");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("Oracle delete") << Side::Oracle << Operation::Delete << false
                                       << QStringList{u"notice: Please select a table"_s};
        QTest::newRow("Oracle delete, no connection tried")
            << Side::Oracle << Operation::Delete << true
            << QStringList{u"notice: Please select a table"_s};
        QTest::newRow("DB2 delete") << Side::Db2 << Operation::Delete << false
                                    << QStringList{u"notice: Please select a table to delete"_s};
        QTest::newRow("DB2 delete, connects first")
            << Side::Db2 << Operation::Delete << true
            << QStringList{location("PushButton5_Click", 104)};
        QTest::newRow("Oracle rename") << Side::Oracle << Operation::Rename << false
                                       << QStringList{u"notice: Please select a table"_s};
        QTest::newRow("Oracle rename, no connection tried")
            << Side::Oracle << Operation::Rename << true
            << QStringList{u"notice: Please select a table"_s};
        QTest::newRow("DB2 rename") << Side::Db2 << Operation::Rename << false
                                    << QStringList{u"notice: Please select a table to rename."_s};
        QTest::newRow("DB2 rename, connects first")
            << Side::Db2 << Operation::Rename << true
            << QStringList{location("PushButton7_Click", 104)};
    }

    void noCurrentItem() {
        QFETCH(Side, side);
        QFETCH(Operation, operation);
        QFETCH(bool, wrongLogin);
        QFETCH(QStringList, shown);

        const Tables tables(side, {u"Mnt_B"_s});
        const QStringList names{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s};
        Window window;
        QVERIFY(window.fill(side, names, {1}, -1));
        window.useWrongLogin(wrongLogin);

        window.press(side, operation);

        // A report stands here as where it was raised; the driver's words vary.
        QStringList seen = window.dialogs.shown();
        for (qsizetype i = 0; i < seen.size(); ++i) {
            const ScriptedDialogs::Box& box = window.dialogs.boxes()[i];
            if (box.kind == ScriptedDialogs::Kind::ErrorReport)
                seen[i] = whereReported(box.text);
        }
        QCOMPARE(seen, shown);
        QCOMPARE(window.items(side), names);
        QVERIFY(tableExists(side, u"Mnt_B"_s));
        QVERIFY(window.idle());
    }

    // A current item that is not selected is no selection: nothing dropped,
    // nothing said.
    void currentButNothingSelected_data() {
        QTest::addColumn<Side>("side");
        QTest::newRow("Oracle") << Side::Oracle;
        QTest::newRow("DB2") << Side::Db2;
    }

    void currentButNothingSelected() {
        QFETCH(Side, side);

        const Tables tables(side, {u"Mnt_B"_s});
        const QStringList names{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s};
        Window window;
        QVERIFY(window.fill(side, names, {}, 1));

        window.press(side, Operation::Delete);

        QCOMPARE(window.dialogs.shown(), QStringList());
        QCOMPARE(window.items(side), names);
        QVERIFY(tableExists(side, u"Mnt_B"_s));
        QVERIFY(window.idle());
    }

    // Presses that rename nothing and send no statement. The Oracle rows run
    // with a refused login: that side connects only once a name was typed, so
    // nothing is reported.
    void renameNothing_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<bool>("wrongLogin");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("prompted");
        QTest::addColumn<QString>("shown");

        const QString oneOnly = u"notice: Please select just one table to rename"_s;
        const QString prompt = u"input [Mnt_B]: Enter new name of Mnt_B:"_s;
        QTest::newRow("Oracle, none selected")
            << Side::Oracle << true << QList<int>{} << false << oneOnly;
        QTest::newRow("Oracle, two selected")
            << Side::Oracle << true << QList<int>{0, 2} << false << oneOnly;
        QTest::newRow("Oracle, cancel or emptied field")
            << Side::Oracle << true << QList<int>{1} << true << prompt;
        QTest::newRow("DB2, none selected")
            << Side::Db2 << false << QList<int>{} << false << oneOnly + u'.';
        QTest::newRow("DB2, two selected")
            << Side::Db2 << false << QList<int>{0, 2} << false << oneOnly + u'.';
        QTest::newRow("DB2, cancel or emptied field")
            << Side::Db2 << false << QList<int>{1} << true << prompt;
    }

    void renameNothing() {
        QFETCH(Side, side);
        QFETCH(bool, wrongLogin);
        QFETCH(QList<int>, selected);
        QFETCH(bool, prompted);
        QFETCH(QString, shown);

        const QStringList names{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s};
        Window window;
        QVERIFY(window.fill(side, names, selected, 1));
        window.useWrongLogin(wrongLogin);
        if (prompted)
            window.dialogs.queueInput(QString()); // what Cancel and an emptied field give
        QStringList sent;

        window.press(side, Operation::Rename,
                     [&](db::Connection&, const QString& statement) { sent << statement; });

        QCOMPARE(window.dialogs.shown(), QStringList{shown});
        QVERIFY2(window.dialogs.allExpected(), qPrintable(window.dialogs.unexpectedSummary()));
        QCOMPARE(sent, QStringList());
        QCOMPARE(window.items(side), names);
        QCOMPARE(window.list(side).selectedCount(), selected.size());
        QVERIFY(window.idle());
    }

    // Every box of the two handlers can fail (the dialogs seam throws): the
    // report names the handler and the box's own line, and nothing else
    // happens.
    void aFailingBoxIsReportedAtItsLine_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("where");
        QTest::newRow("Oracle delete, select a table")
            << Side::Oracle << Operation::Delete << QList<int>{1} << -1
            << location("PushButton1_Click", 124);
        QTest::newRow("DB2 delete, select a table")
            << Side::Db2 << Operation::Delete << QList<int>{1} << -1
            << location("PushButton5_Click", 118);
        QTest::newRow("Oracle rename, select a table")
            << Side::Oracle << Operation::Rename << QList<int>{1} << -1
            << location("PushButton6_Click", 138);
        QTest::newRow("Oracle rename, just one")
            << Side::Oracle << Operation::Rename << QList<int>{0, 1} << 1
            << location("PushButton6_Click", 136);
        QTest::newRow("Oracle rename, the new name")
            << Side::Oracle << Operation::Rename << QList<int>{1} << 1
            << location("PushButton6_Click", 120);
        QTest::newRow("DB2 rename, select a table")
            << Side::Db2 << Operation::Rename << QList<int>{1} << -1
            << location("PushButton7_Click", 132);
        QTest::newRow("DB2 rename, just one") << Side::Db2 << Operation::Rename << QList<int>{0, 1}
                                              << 1 << location("PushButton7_Click", 130);
        QTest::newRow("DB2 rename, the new name") << Side::Db2 << Operation::Rename << QList<int>{1}
                                                  << 1 << location("PushButton7_Click", 116);
    }
    void aFailingBoxIsReportedAtItsLine() {
        QFETCH(Side, side);
        QFETCH(Operation, operation);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(QString, where);

        const QStringList names{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s};
        Window window;
        QVERIFY(window.fill(side, names, selected, current));
        window.dialogs.queueInput(u"Mnt_New"_s);
        window.dialogs.onShow = [](const ScriptedDialogs::Box& box) {
            if (box.kind != ScriptedDialogs::Kind::ErrorReport)
                throw shell::Failure(u"the box could not be shown"_s);
        };
        QStringList sent;
        window.press(side, operation,
                     [&](db::Connection&, const QString& statement) { sent << statement; });

        const QStringList reports = window.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QCOMPARE(whereReported(reports[0]), where);
        QCOMPARE(sent, QStringList());
        QCOMPARE(window.items(side), names);
        QVERIFY(window.idle());
    }

    // The DB2 catalogue lists a table once per schema that has it: dropping
    // the selected entry leaves the other schema's entry in the list.
    void deleteOneOfTwoEntries() {
        const Tables tables(Side::Db2, {u"Mnt_B"_s});
        Window window;
        QVERIFY(window.fill(Side::Db2, {u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_B"_s}, {2}, 2));
        window.dialogs.failOnErrorReport = true;
        window.press(Side::Db2, Operation::Delete);
        QVERIFY2(window.dialogs.allExpected(), qPrintable(window.dialogs.unexpectedSummary()));
        QCOMPARE(window.items(Side::Db2), (QStringList{u"Mnt_A"_s, u"Mnt_B"_s}));
        QVERIFY(!tableExists(Side::Db2, u"Mnt_B"_s));
    }

    // The stand-ins reject RENAME as a real server rejects a taken name: the
    // report, and the list as it was.
    void renameRejected_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("where");
        QTest::newRow("Oracle") << Side::Oracle << location("PushButton6_Click", 126);
        QTest::newRow("DB2") << Side::Db2 << location("PushButton7_Click", 120);
    }

    void renameRejected() {
        QFETCH(Side, side);
        QFETCH(QString, where);

        const Tables tables(side, {u"Mnt_B"_s});
        const QStringList names{u"Mnt_A"_s, u"Mnt_B"_s, u"Mnt_C"_s};
        Window window;
        QVERIFY(window.fill(side, names, {1}, 1));
        window.dialogs.queueInput(u"Mnt_Renamed"_s);

        window.press(side, Operation::Rename);

        const QStringList reports = window.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QCOMPARE(whereReported(reports[0]), where);
        QCOMPARE(window.dialogs.inputs().size(), 1);
        QCOMPARE(window.dialogs.notices(), QStringList());
        QCOMPARE(window.items(side), names);
        QVERIFY(tableExists(side, u"Mnt_B"_s));
        QVERIFY(!tableExists(side, u"Mnt_Renamed"_s));
        QVERIFY(window.idle());
        QVERIFY(window.busyAtEveryBox());
    }

    // A server that takes the RENAME: the statement goes out on an open
    // connection with the name as typed, the list swaps the names, and the
    // DB2 side makes its first item current without selecting it.
    void renameSucceeds_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("after");

        const QString quoted = u"new \"Name\""_s;
        const QString quotedStatement = u"RENAME \"Mnt_E\" TO \"new \"\"Name\"\"\""_s;
        const QStringList quotedAfter{u"Mnt_A"_s, u"Mnt_C"_s, u"Mnt_G"_s, quoted};
        const QStringList firstAfter{u"A first"_s, u"Mnt_A"_s, u"Mnt_C"_s, u"Mnt_G"_s};
        const QString firstStatement = u"RENAME \"Mnt_E\" TO \"A first\""_s;

        QTest::newRow("Oracle, lower case and quotes as typed")
            << Side::Oracle << quoted << quotedStatement << quotedAfter;
        QTest::newRow("DB2, lower case and quotes as typed")
            << Side::Db2 << quoted << quotedStatement << quotedAfter;
        QTest::newRow("Oracle, new name sorts first")
            << Side::Oracle << u"A first"_s << firstStatement << firstAfter;
        QTest::newRow("DB2, new name sorts first")
            << Side::Db2 << u"A first"_s << firstStatement << firstAfter;
    }

    void renameSucceeds() {
        QFETCH(Side, side);
        QFETCH(QString, typed);
        QFETCH(QString, statement);
        QFETCH(QStringList, after);

        Window window;
        QVERIFY(window.fill(side, {u"Mnt_A"_s, u"Mnt_C"_s, u"Mnt_E"_s, u"Mnt_G"_s}, {2}, 2));
        window.dialogs.queueInput(typed);
        QStringList sent;

        window.press(side, Operation::Rename, [&](db::Connection& connection, const QString& text) {
            QVERIFY(connection.isOpen());
            sent << text;
        });

        QCOMPARE(window.dialogs.shown(), QStringList{u"input [Mnt_E]: Enter new name of Mnt_E:"_s});
        QVERIFY2(window.dialogs.allExpected(), qPrintable(window.dialogs.unexpectedSummary()));
        QCOMPARE(sent, QStringList{statement});
        QCOMPARE(window.items(side), after);
        if (side == Side::Db2) {
            QCOMPARE(window.list(side).currentRow(), 0);
            QCOMPARE(window.list(side).selectedCount(), 0);
        }
        QVERIFY(window.idle());
        QVERIFY(window.busyAtEveryBox());
    }

    // A refused login is reported once, whatever the selection, and nothing
    // in the list changes.
    void wrongLogin_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("prompted");
        QTest::addColumn<QString>("where");

        QTest::newRow("Oracle delete, three tables")
            << Side::Oracle << Operation::Delete << QList<int>{1, 4, 7} << false
            << location("PushButton1_Click", 112);
        QTest::newRow("DB2 delete, three tables")
            << Side::Db2 << Operation::Delete << QList<int>{1, 4, 7} << false
            << location("PushButton5_Click", 104);
        QTest::newRow("Oracle rename, after the name is typed")
            << Side::Oracle << Operation::Rename << QList<int>{4} << true
            << location("PushButton6_Click", 124);
        QTest::newRow("DB2 rename, before anything else")
            << Side::Db2 << Operation::Rename << QList<int>{4} << false
            << location("PushButton7_Click", 104);
    }

    void wrongLogin() {
        QFETCH(Side, side);
        QFETCH(Operation, operation);
        QFETCH(QList<int>, selected);
        QFETCH(bool, prompted);
        QFETCH(QString, where);

        const Tables tables(side, {u"Mnt_B"_s, u"Mnt_E"_s, u"Mnt_H"_s});
        Window window;
        QVERIFY(window.fill(side, nine, selected, 4));
        window.useWrongLogin(true);
        if (prompted)
            window.dialogs.queueInput(u"Mnt_New"_s);

        window.press(side, operation);

        const QStringList reports = window.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QCOMPARE(whereReported(reports[0]), where);
        QVERIFY2(!reports[0].section(u"\r\n"_s, 0, 0).isEmpty(), "the driver's message is shown");
        QCOMPARE(window.dialogs.notices(), QStringList());
        QVERIFY2(window.dialogs.allExpected(), qPrintable(window.dialogs.unexpectedSummary()));
        QCOMPARE(window.items(side), nine);
        for (const QString& name : {u"Mnt_B"_s, u"Mnt_E"_s, u"Mnt_H"_s})
            QVERIFY2(tableExists(side, name), qPrintable(name));
        QVERIFY(window.idle());
        QVERIFY(window.busyAtEveryBox());
    }
};

QTEST_MAIN(MaintenanceTest)
#include "maintenance_test.moc"
