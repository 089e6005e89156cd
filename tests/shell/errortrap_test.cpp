#include "shell/ErrorTrap.h"
#include "support/ScriptedDialogs.h"

#include <QTest>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString request = u"Please email screenshot of this message to support@duskferry.example"_s;

[[noreturn]] void fail(const QString& description) {
    throw shell::Failure(description);
}

} // namespace

class ErrorTrapTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY2(dialogs.allExpected(), qPrintable(dialogs.unexpectedSummary())); }
    void init() { dialogs.clear(); }

    void reportText_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("copyHandler");
        QTest::addColumn<QString>("lastStatement");
        QTest::addColumn<QString>("expected");

        QTest::newRow("failure at line 100")
            << u"Form1"_s << u"PushButton1_Click"_s << 100 << u"Table not found"_s << false
            << QString()
            << u"Table not found\r\nin Duskferry2021/08/31.Form1.PushButton1_Click at line 100"
               u"\r\r"_s +
                   request;
        QTest::newRow("empty description keeps the line break")
            << u"Form2"_s << u"Form_Load"_s << 118 << QString() << false << QString()
            << u"\r\nin Duskferry2021/08/31.Form2.Form_Load at line 118\r\r"_s + request;
        QTest::newRow("copy before any statement")
            << u"Form2"_s << u"PushButton3_Click"_s << 104 << u"Login failed"_s << true << QString()
            << u"Login failed\r\nin Duskferry2021/08/31.Form2.PushButton3_Click at line 104\r\r"_s +
                   request + u"\r\rsql: "_s;
        QTest::newRow("copy with a statement")
            << u"Form2"_s << u"PushButton4_Click"_s << 172 << u"ORA-00942"_s << true
            << u"INSERT INTO \"T\" VALUES ('a')"_s
            << u"ORA-00942\r\nin Duskferry2021/08/31.Form2.PushButton4_Click at line 172\r\r"_s +
                   request + u"\r\rsql: INSERT INTO \"T\" VALUES ('a')"_s;
        QTest::newRow("driver text over several lines")
            << u"Form2"_s << u"PushButton12_Click"_s << 1000 << u"[unixODBC]first\nsecond"_s
            << false << QString()
            << u"[unixODBC]first\nsecond\r\nin Duskferry2021/08/31.Form2.PushButton12_Click at "
               u"line 1000\r\r"_s +
                   request;
    }

    void reportText() {
        QFETCH(QString, window);
        QFETCH(QString, handler);
        QFETCH(int, line);
        QFETCH(QString, description);
        QFETCH(bool, copyHandler);
        QFETCH(QString, lastStatement);
        QFETCH(QString, expected);

        QString statementSoFar;
        auto run = [&](shell::ErrorTrap& trap) {
            statementSoFar = lastStatement;
            trap.step(line, [&] { fail(description); });
        };
        if (copyHandler) {
            shell::ErrorTrap trap(dialogs, window, handler, statementSoFar);
            run(trap);
        } else {
            shell::ErrorTrap trap(dialogs, window, handler);
            run(trap);
        }
        QCOMPARE(dialogs.shown(), QStringList{u"error: "_s + expected});
    }

    // The report shows the statement as it stands when the step fails, not
    // as it stood when the trap was armed.
    void copyReportFollowsTheStatement() {
        QString lastStatement;
        shell::ErrorTrap trap(dialogs, u"Form2", u"PushButton3_Click", lastStatement);
        for (const QString& value : {u"1"_s, u"2"_s}) {
            trap.step(170, [&] {
                lastStatement = u"INSERT INTO \"T\" VALUES ('"_s + value + u"')"_s;
                fail(u"rejected"_s);
            });
        }
        const QStringList reports = dialogs.errorReports();
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[0].endsWith(u"\r\rsql: INSERT INTO \"T\" VALUES ('1')"_s));
        QVERIFY(reports[1].endsWith(u"\r\rsql: INSERT INTO \"T\" VALUES ('2')"_s));
    }

    void description_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own failure, not ASCII") << 0 << u"Tabelle „Größe“ fehlt – ✓"_s;
        QTest::newRow("standard exception, UTF-8") << 1 << u"bad größe"_s;
        QTest::newRow("anything else") << 2 << u"Unknown failure"_s;
    }

    void description() {
        QFETCH(int, kind);
        QFETCH(QString, expected);
        shell::ErrorTrap trap(dialogs, u"Form1", u"Form_Load");
        trap.step(100, [&] {
            if (kind == 0)
                throw shell::Failure(expected);
            if (kind == 1)
                throw std::runtime_error(expected.toStdString());
            throw 42;
        });
        QCOMPARE(dialogs.errorReports().size(), 1);
        QCOMPARE(dialogs.errorReports().constFirst().section(u"\r\n"_s, 0, 0), expected);
    }

    // Every step runs whatever failed before it, a further step on the same
    // line included, and one box is shown per failure.
    void stepsGoOnAfterAFailure() {
        QStringList ran;
        shell::ErrorTrap trap(dialogs, u"Form2", u"PushButton1_Click");
        QVERIFY(!trap.step(100, [&] { fail(u"first"_s); }));
        QVERIFY(trap.step(102, [&] { ran << u"102"_s; }));
        trap.step(104, [&] {
            ran << u"104a"_s;
            fail(u"second"_s);
            ran << u"never"_s;
        });
        trap.step(104, [&] { ran << u"104b"_s; });
        for (int pass = 1; pass <= 3; ++pass) {
            trap.step(106, [&] {
                if (pass == 2)
                    fail(u"pass 2"_s);
                ran << u"106 pass "_s + QString::number(pass);
            });
            trap.step(108, [&] { ran << u"108 pass "_s + QString::number(pass); });
        }
        QCOMPARE(ran, (QStringList{u"102"_s, u"104a"_s, u"104b"_s, u"106 pass 1"_s, u"108 pass 1"_s,
                                   u"108 pass 2"_s, u"106 pass 3"_s, u"108 pass 3"_s}));
        QStringList headlines;
        for (const QString& report : dialogs.errorReports())
            headlines << report.section(u"\r\r"_s, 0, 0);
        const QString at = u"\r\nin Duskferry2021/08/31.Form2.PushButton1_Click at line "_s;
        QCOMPARE(headlines, (QStringList{u"first"_s + at + u"100"_s, u"second"_s + at + u"104"_s,
                                         u"pass 2"_s + at + u"106"_s}));
    }

    // A routine without a trap fails inside a step: the report carries the
    // step's line, and the rest of the routine does not run.
    void untrappedRoutineCountsAsTheStep() {
        bool routineFinished = false;
        auto routine = [&] {
            fail(u"inside"_s);
            routineFinished = true;
        };
        shell::ErrorTrap trap(dialogs, u"Form1", u"Form_Load");
        trap.step(100, routine);
        QVERIFY(!routineFinished);
        QVERIFY(dialogs.errorReports().constFirst().contains(u"Form1.Form_Load at line 100\r\r"_s));
    }

    void failingCheckDoesNothing_data() {
        QTest::addColumn<int>("outcome"); // 0 false, 1 true, 2 cannot be evaluated
        QTest::addColumn<bool>("guardedRuns");
        QTest::addColumn<int>("reports");
        QTest::newRow("holds") << 1 << true << 0;
        QTest::newRow("does not hold") << 0 << false << 0;
        QTest::newRow("fails") << 2 << false << 1;
    }

    void failingCheckDoesNothing() {
        QFETCH(int, outcome);
        QFETCH(bool, guardedRuns);
        QFETCH(int, reports);
        bool dropped = false;
        bool afterwards = false;
        shell::ErrorTrap trap(dialogs, u"Form2", u"PushButton5_Click");
        if (trap.check(110, [&] {
                if (outcome == 2)
                    fail(u"no current item"_s);
                return outcome == 1;
            }))
            trap.step(112, [&] { dropped = true; });
        trap.step(114, [&] { afterwards = true; });
        QCOMPARE(dropped, guardedRuns);
        QVERIFY(afterwards);
        QCOMPARE(dialogs.errorReports().size(), reports);
        if (reports == 1)
            QVERIFY(dialogs.errorReports().constFirst().contains(u" at line 110\r\r"_s));
    }

    // "Next >" loads the table manager, whose load handler has its own trap:
    // each failure is reported with its own handler and line, and the outer
    // handler goes on with its own numbering.
    void nestedHandlers() {
        QStringList ran;
        auto innerHandler = [&] {
            shell::ErrorTrap inner(dialogs, u"Form2", u"Form_Load");
            inner.step(100, [&] { ran << u"inner 100"_s; });
            inner.step(102, [&] { fail(u"Oracle list"_s); });
            inner.step(104, [&] { ran << u"inner 104"_s; });
            inner.step(106, [&] { ran << u"inner 106"_s; });
        };
        shell::ErrorTrap outer(dialogs, u"Form1", u"PushButton2_Click");
        outer.step(100, [&] { ran << u"outer 100"_s; });
        outer.step(102, innerHandler);
        outer.step(104, [&] { fail(u"after load"_s); });
        outer.step(106, [&] { ran << u"outer 106"_s; });

        QCOMPARE(ran, (QStringList{u"outer 100"_s, u"inner 100"_s, u"inner 104"_s, u"inner 106"_s,
                                   u"outer 106"_s}));
        QCOMPARE(
            dialogs.errorReports(),
            (QStringList{
                u"Oracle list\r\nin Duskferry2021/08/31.Form2.Form_Load at line 102\r\r"_s +
                    request,
                u"after load\r\nin Duskferry2021/08/31.Form1.PushButton2_Click at line 104\r\r"_s +
                    request}));
    }

    // Closing the program unwinds a running operation: no trap may hold it.
    void cancelledPassesThrough() {
        bool after = false;
        auto handler = [&] {
            shell::ErrorTrap trap(dialogs, u"Form2", u"PushButton3_Click");
            trap.step(120, [] { throw shell::Cancelled{}; });
            after = true;
        };
        shell::ErrorTrap outer(dialogs, u"Form1", u"PushButton2_Click");
        QVERIFY_THROWS_EXCEPTION(shell::Cancelled, outer.check(104, [&] {
            handler();
            return true;
        }));
        QVERIFY(!after);
        QVERIFY(dialogs.shown().isEmpty());
    }

private:
    ScriptedDialogs dialogs;
};

QTEST_GUILESS_MAIN(ErrorTrapTest)
#include "errortrap_test.moc"
