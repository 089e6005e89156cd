// A server that fails in the middle of a copy: stalled, its session ended,
// killed; and a row file that cannot be written. These tests stop and kill
// servers, so they run on a pair of stand-ins of their own.
#include "db/RowStore.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "maintenance/DeleteTables.h"
#include "shell/Interrupt.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"
#include "transfer/TransferRun.h"
#include "ui/Pointer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using standin::otherSide;
using standin::Side;

Q_DECLARE_METATYPE(standin::Side)

namespace {

// Key, a text and an amount that both follow from the key, so that any row
// can be checked for being whole.
void createNumbered(Side side, const QString& table, int rows) {
    standin::dropIfExists(side, table);
    if (side == Side::Oracle) {
        standin::execute(side, u"CREATE TABLE \"%1\" AS SELECT g AS id, CAST('Row ' || g AS "
                               u"varchar(60)) AS label, CAST(g * 1.5 AS numeric(12,2)) AS amount "
                               u"FROM generate_series(1, %2) AS g"_s.arg(table)
                                   .arg(rows));
    } else {
        standin::execute(side, u"CREATE TABLE \"%1\" AS SELECT seq AS id, CONCAT('Row ', seq) AS "
                               u"label, CAST(seq * 1.5 AS DECIMAL(12,2)) AS amount FROM "
                               u"seq_1_to_%2"_s.arg(table)
                                   .arg(rows));
    }
}

// The same rows from a view that takes a sleep per row to produce (about
// 1 ms on PostgreSQL, 0.2 ms on MariaDB), so that a copy is still reading it
// when its session is ended.
void createSlowView(Side side, const QString& view, int rows) {
    standin::execute(side, u"DROP VIEW IF EXISTS \"%1\""_s.arg(view));
    if (side == Side::Oracle) {
        standin::execute(side,
                         u"CREATE VIEW \"%1\" AS SELECT g AS id, CAST('Row ' || g AS "
                         u"varchar(60)) AS label, CAST(g * 1.5 AS numeric(12,2)) AS amount "
                         u"FROM generate_series(1, %2) AS g, LATERAL pg_sleep(0.0001 * g / g) "
                         u"AS s"_s.arg(view)
                             .arg(rows));
    } else {
        standin::execute(side, u"CREATE VIEW \"%1\" AS SELECT seq AS id, CONCAT('Row ', seq) AS "
                               u"label, CAST(seq * 1.5 AS DECIMAL(12,2)) AS amount FROM "
                               u"seq_1_to_%2 WHERE SLEEP(0.0001) = 0"_s.arg(view)
                                   .arg(rows));
    }
}

// The rows of the table, each checked whole and once; their number.
qint64 wholeRows(Side side, const QString& table) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(u"SELECT * FROM \"%1\""_s.arg(table), connection);
    QSet<qint64> ids;
    for (; !rows.Eof(); rows.MoveNext()) {
        const qint64 id = rows.Fields().item(0).Value().text().toLongLong();
        const QString label = rows.Fields().item(1).Value().text();
        const double amount = rows.Fields().item(2).Value().text().toDouble();
        if (label != u"Row %1"_s.arg(id) || !qFuzzyCompare(amount, id * 1.5) || ids.contains(id)) {
            qWarning("wrong or doubled row %lld: %s, %g", id, qPrintable(label), amount);
            return -1;
        }
        ids.insert(id);
    }
    return ids.size();
}

void signalServer(Side side, int signal) {
    const QList<pid_t> processes = standin::serverProcesses(side);
    QVERIFY2(!processes.isEmpty(), "no server process found");
    for (pid_t pid : processes) {
        ::kill(pid, signal);
    }
}

// Ends on the server every session of the side that matches: a condition on
// PostgreSQL's pg_stat_activity, or on MariaDB's processlist.
void endSessions(Side side, const QString& postgresWhere, const QString& mariadbWhere) {
    QString output;
    if (side == Side::Oracle) {
        QVERIFY2(standin::adminSql(side,
                                   u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                   u"WHERE pid <> pg_backend_pid() AND "_s +
                                       postgresWhere,
                                   &output),
                 qPrintable(output));
        return;
    }
    QVERIFY2(standin::adminSql(side,
                               u"SELECT CONCAT('KILL ', id, ';') FROM "
                               u"information_schema.processlist WHERE "_s +
                                   mariadbWhere,
                               &output),
             qPrintable(output));
    QVERIFY2(standin::adminSql(side, output, &output), qPrintable(output));
}

// The longest time between two turns of the event loop, from a 10 ms timer.
class GapMeter {
public:
    GapMeter() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
        clock_.start();
        timer_.start();
    }
    qint64 longestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

struct Window : TableManagerControls {
    ScriptedDialogs dialogs;

    void copy(Side from, const QString& table) { copyTable(from, table, dialogs); }

    // The run ended the way every run ends.
    void checkEndedCleanly() const {
        QCOMPARE(ui::windowPointer(&window), shell::PointerState::Default);
        QCOMPARE(progressBar->value(), 0);
        QCOMPARE(progressBar->format(), u"Progress Bar"_s);
        QVERIFY(button->isEnabled());
    }
};

const QString table = u"Failing"_s;

// The numbered rows, keyed by id, on the source side alone (a resume tells
// the rows it lacks by their key).
void createKeyedSource(Side from, int rows) {
    createNumbered(from, table, rows);
    standin::execute(from, u"ALTER TABLE \"%1\" ADD PRIMARY KEY (id)"_s.arg(table));
    standin::dropIfExists(otherSide(from), table);
}
const QString slowView = u"FailingSlowly"_s;

// The child of closingDuringAStall: a copy whose target stops answering, and
// the program asked to end (as closing a window does) while it waits. Only
// ending the process gets out of that wait; a copy that returns is a failure.
int closeDuringStall(int argc, char** argv) {
    QApplication app(argc, argv);
    QString why;
    if (!standin::load(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 3;
    }
    const Side from = qstrcmp(argv[2], "oracle") == 0 ? Side::Oracle : Side::Db2;
    Window w;
    QTimer::singleShot(300, [&] {
        for (pid_t pid : standin::serverProcesses(otherSide(from))) {
            ::kill(pid, SIGSTOP);
        }
    });
    QTimer::singleShot(1000, [] {
        std::printf("closing\n");
        std::fflush(stdout);
        shell::requestQuit();
    });
    try {
        w.copy(from, table);
    } catch (const shell::Cancelled&) {
    }
    std::printf("the copy returned\n");
    return 4;
}

} // namespace

class FailureTest : public QObject {
    Q_OBJECT

    QTemporaryDir servers_;

    // A resume of the table that a failed copy left: every row there, once.
    static void resumeToTheEnd(Side from, int rows) {
        Window w;
        w.options.resume = true;
        w.options.bulk = true;
        w.list(otherSide(from)).insertName(table);
        w.copyTable(from, table, w.dialogs);
        QCOMPARE(w.dialogs.errorReports(), QStringList());
        QCOMPARE(wholeRows(otherSide(from), table), rows);
    }

    void restartServers() {
        QString why;
        QVERIFY2(standin::startOwn(servers_.path(), &why), qPrintable(why));
    }

private slots:
    void initTestCase() { restartServers(); }
    void cleanupTestCase() { standin::stopOwn(servers_.path()); }
    void cleanup() {
        for (Side side : {Side::Oracle, Side::Db2}) {
            standin::dropIfExists(side, table);
            standin::dropIfExists(side, slowView); // a table, or a view this cannot drop
            standin::execute(side, u"DROP VIEW IF EXISTS \"%1\""_s.arg(slowView));
        }
    }

    // The target stops answering for two seconds: the window keeps being
    // served, and once the server is back every row arrives.
    void stalledTarget_data() {
        QTest::addColumn<Side>("from");
        QTest::newRow("oracle to db2") << Side::Oracle;
        QTest::newRow("db2 to oracle") << Side::Db2;
    }
    void stalledTarget() {
        QFETCH(Side, from);
        const Side to = otherSide(from);
        constexpr int rows = 20000;
        createNumbered(from, table, rows);
        standin::dropIfExists(to, table);

        Window w;
        w.dialogs.failOnErrorReport = true;
        QElapsedTimer stopped;
        QTimer::singleShot(300, [&] {
            signalServer(to, SIGSTOP);
            stopped.start();
        });
        QTimer::singleShot(2300, [&] { signalServer(to, SIGCONT); });
        GapMeter gaps;
        w.copy(from, table);
        QVERIFY2(stopped.isValid() && stopped.elapsed() >= 2000,
                 "the copy ended before the server was stopped");
        QVERIFY2(w.dialogs.allExpected(), qPrintable(w.dialogs.unexpectedSummary()));
        QVERIFY2(gaps.longestMs() < 100,
                 qPrintable(u"the event loop stood still for %1 ms"_s.arg(gaps.longestMs())));
        QCOMPARE(wholeRows(to, table), qint64(rows));
        w.checkEndedCleanly();
        qInfo("longest event-loop gap: %lld ms", gaps.longestMs());
    }

    // The server ends the source's session while its rows are read: either
    // every row arrived, or one report saying how many did, and no row is
    // wrong or doubled.
    void sourceSessionEnded_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("onceRowsArrive");
        // psqlODBC fetches the view's rows in blocks of 1 000 while the copy
        // runs; MariaDB's driver reads them all inside the statement, here
        // still the count before the SELECT.
        QTest::newRow("oracle to db2, while fetching") << Side::Oracle << true;
        QTest::newRow("db2 to oracle, while counting") << Side::Db2 << false;
    }
    void sourceSessionEnded() {
        QFETCH(Side, from);
        QFETCH(bool, onceRowsArrive);
        const Side to = otherSide(from);
        constexpr int rows = 3000;
        createSlowView(from, slowView, rows);
        standin::dropIfExists(to, slowView);

        Window w;
        QTimer endSession;
        endSession.setInterval(onceRowsArrive ? 20 : 200);
        QObject::connect(&endSession, &QTimer::timeout, [&] {
            if (onceRowsArrive && w.progressBar->value() <= 0) {
                return;
            }
            endSession.stop();
            endSessions(from, u"usename = '%1'"_s.arg(standin::oracle().user),
                        u"user = '%1'"_s.arg(standin::db2().user));
        });
        endSession.start();
        w.copy(from, slowView);
        // Ended while the SELECT ran, the copy created no table; once created,
        // it is listed.
        const qint64 arrived = w.items(to).isEmpty() ? 0 : wholeRows(to, slowView);
        QVERIFY2(arrived >= 0, "a row arrived wrong or twice");
        const QStringList reports = w.dialogs.errorReports();
        if (arrived == rows) {
            QCOMPARE(reports, QStringList());
        } else {
            QCOMPARE(reports.size(), 1);
            QVERIFY2(reports[0].contains(u"%1 of its rows had arrived"_s.arg(arrived)),
                     qPrintable(reports[0]));
        }
        w.checkEndedCleanly();
        qInfo("%lld of %d rows arrived", arrived, rows);
    }

    // A comparison whose source session is ended while the server still
    // produces its rows: one report that names the table and how far it got,
    // the outcome lost, and the window as every run leaves it.
    void comparisonLosesItsSource() {
        constexpr int rows = 3000;
        createSlowView(Side::Oracle, slowView, rows);
        createNumbered(Side::Db2, slowView, rows);
        Window w;
        QTimer::singleShot(150, [&] {
            endSessions(Side::Oracle, u"usename = '%1'"_s.arg(standin::oracle().user), {});
        });
        const compare::TableComparison result = w.compareTable(Side::Oracle, slowView, w.dialogs);
        standin::dropIfExists(Side::Db2, slowView);
        QCOMPARE(compare::OutcomeWord(result.outcome), u"lost"_s);
        const QStringList reports = w.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(u"Table \"%1\" was being compared; "_s.arg(slowView)),
                 qPrintable(reports[0]));
        w.checkEndedCleanly();
    }

    // The temporary row file hits the file size limit part way through a
    // write: one report, the rows stored whole before it arrive, no other.
    void rowFileCannotBeWritten_data() { stalledTarget_data(); }
    void rowFileCannotBeWritten() {
        QFETCH(Side, from);
        const Side to = otherSide(from);
        constexpr int rows = 60000;
        createKeyedSource(from, rows);

        const qint64 budget = db::detail::RowStore::memoryBudget();
        db::detail::RowStore::setMemoryBudget(256 * 1024);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit saved = limit;
        limit.rlim_cur = 1500 * 1024 + 77; // not a multiple of anything the store writes
        setrlimit(RLIMIT_FSIZE, &limit);
        Window w;
        w.copy(from, table);
        setrlimit(RLIMIT_FSIZE, &saved);
        db::detail::RowStore::setMemoryBudget(budget);

        const qint64 arrived = wholeRows(to, table);
        QVERIFY2(arrived > 0 && arrived < rows, qPrintable(u"%1 rows arrived"_s.arg(arrived)));
        const QStringList reports = w.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith(u"Temporary row file: write: File too large\n"_s),
                 qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(u"%1 of its rows had arrived"_s.arg(arrived)),
                 qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(from == Side::Oracle ? u"PushButton3_Click at line 274"_s
                                                          : u"PushButton4_Click at line 262"_s),
                 qPrintable(reports[0]));
        // The table was created and is listed, with what arrived in it.
        QCOMPARE(w.items(to), QStringList{table});
        w.checkEndedCleanly();
        resumeToTheEnd(from, rows);
    }

    // The target's session is ended mid-copy: one report, and a resume
    // then adds the rest, each row once.
    void resumeAfterTheTargetSessionEnded_data() { stalledTarget_data(); }
    void resumeAfterTheTargetSessionEnded() {
        QFETCH(Side, from);
        const Side to = otherSide(from);
        constexpr int rows = 30000;
        createKeyedSource(from, rows);
        Window w;
        QTimer::singleShot(400, [&] {
            endSessions(to, u"usename = '%1'"_s.arg(standin::oracle().user),
                        u"user = '%1'"_s.arg(standin::db2().user));
        });
        w.copy(from, table);
        const qint64 arrived = wholeRows(to, table);
        QVERIFY2(arrived > 0 && arrived < rows, qPrintable(u"%1 rows arrived"_s.arg(arrived)));
        QCOMPARE(w.dialogs.errorReports().size(), 1);
        resumeToTheEnd(from, rows);
    }

    // The target's sessions end while a sync updates every row: each row is
    // as it was or as the source has it, one report says so, and the next
    // sync finishes the work.
    void syncAfterTheTargetSessionEnded_data() {
        QTest::addColumn<bool>("bulk");
        QTest::newRow("row by row") << false;
        QTest::newRow("bulk") << true;
    }
    void syncAfterTheTargetSessionEnded() {
        QFETCH(bool, bulk);
        const Side from = Side::Oracle;
        const Side to = Side::Db2;
        constexpr int rows = 20000;
        createKeyedSource(from, rows);
        kernel::CopyOptions options;
        options.bulk = true;
        options.exactTypes = true;
        options.structure = true;
        QCOMPARE(CopyAfresh(from, table, options), QStringList());
        standin::execute(from, u"UPDATE \"%1\" SET label = CONCAT('New ', id)"_s.arg(table));
        options.bulk = bulk;
        options.sync = true;
        options.deleteExtra = true;
        const auto sync = [&](Window& w) {
            w.options = options;
            w.list(to).insertName(table);
            w.copy(from, table);
            return w.dialogs.errorReports();
        };
        Window w;
        bool ended = false;
        QObject::connect(w.progressBar, &QProgressBar::valueChanged, [&](int value) {
            if (!ended && value >= 30 && value < 100) {
                ended = true;
                endSessions(to, u"usename = '%1'"_s.arg(standin::oracle().user),
                            u"user = '%1'"_s.arg(standin::db2().user));
            }
        });
        QCOMPARE(sync(w).size(), 1);
        QVERIFY(ended);
        db::Connection target = standin::openAsOwner(to);
        const qint64 updated = kernel::CountRows(target, table, u"label = CONCAT('New ', id)"_s);
        const qint64 untouched = kernel::CountRows(target, table, u"label = CONCAT('Row ', id)"_s);
        QVERIFY2(updated > 0 && untouched > 0, qPrintable(u"%1 updated"_s.arg(updated)));
        QCOMPARE(updated + untouched, rows);

        Window again;
        QCOMPARE(sync(again), QStringList());
        QCOMPARE(kernel::CountRows(target, table, u"label = CONCAT('New ', id)"_s), rows);
    }

    // A DROP waits for a lock that another session holds, and the server
    // ends the dropping session meanwhile: one report naming the table, no
    // further table tried, the list keeps both names.
    void deleteLosesItsConnection_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("dropLine");
        QTest::newRow("oracle") << Side::Oracle << u"PushButton1_Click at line 114"_s;
        QTest::newRow("db2") << Side::Db2 << u"PushButton5_Click at line 112"_s;
    }
    void deleteLosesItsConnection() {
        QFETCH(Side, side);
        QFETCH(QString, dropLine);
        const QString first = u"Failing"_s, blocked = u"FailingSlowly"_s;
        createNumbered(side, first, 10);
        createNumbered(side, blocked, 10);
        db::Connection holder = standin::openAsOwner(side);
        holder.Execute(side == Side::Oracle ? u"BEGIN"_s : u"START TRANSACTION"_s);
        {
            db::RowSet rows;
            rows.Open(u"SELECT * FROM \"%1\""_s.arg(blocked), holder);
        }

        Window w;
        // Bottom up: the blocked table comes first, the other is never tried.
        w.list(side).insertNames({first, blocked});
        w.list(side).setSelected(0, true);
        w.list(side).setSelected(1, true);
        w.list(side).setCurrentRow(0);
        QTimer::singleShot(500, [&] {
            endSessions(side, u"query LIKE 'DROP TABLE%'"_s, u"info LIKE 'DROP TABLE%'"_s);
        });
        const kernel::Workspace ws = w.workspace(w.dialogs);
        side == Side::Oracle ? maintenance::DeleteOracleTables(ws)
                             : maintenance::DeleteDb2Tables(ws);
        holder.Close();

        const QStringList reports = w.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(u"\nTable \"FailingSlowly\" was being dropped.\r\n"_s),
                 qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(dropLine), qPrintable(reports[0]));
        QCOMPARE(w.items(side), (QStringList{first, blocked}));
        QCOMPARE(wholeRows(side, first), qint64(10));
        QCOMPARE(ui::windowPointer(&w.window), shell::PointerState::Default);
        QVERIFY(w.button->isEnabled());
    }

    // Closing the window while the target does not answer ends the program
    // within moments, with status 0.
    void closingDuringAStall_data() { stalledTarget_data(); }
    void closingDuringAStall() {
        QFETCH(Side, from);
        const Side to = otherSide(from);
        createNumbered(from, table, 50000);
        standin::dropIfExists(to, table);

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--close-during-stall"_s, from == Side::Oracle ? u"oracle"_s : u"db2"_s});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(20000));
        QElapsedTimer sinceClose;
        sinceClose.start();
        const bool ended = child.waitForFinished(10000);
        const qint64 closeToEnd = sinceClose.elapsed();
        if (!ended) {
            child.kill();
            child.waitForFinished();
        }
        signalServer(to, SIGCONT);
        const QString output = QString::fromUtf8(child.readAll());
        QVERIFY2(ended, "still running 10 s after the close");
        QCOMPARE(output, u"closing\n"_s);
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(closeToEnd < 2000,
                 qPrintable(u"%1 ms from the close to the end"_s.arg(closeToEnd)));
        qInfo("the program ended %lld ms after the close", closeToEnd);
    }

    // The target is killed mid-copy: one report naming the table and the rows
    // that arrived, the run ends within seconds, and a second copy with the
    // server still down gives one report too. Fresh servers afterwards.
    // In bulk mode whole batches arrive (a batch commits at once), and the
    // report shows the prepared statement.
    // The target goes while the second table of a bulk run is being set up
    // (at its overwrite question): the one report counts that table's rows,
    // none of which arrived, not the first table's.
    void lostAtTheSecondTable() {
        const auto freshServers = qScopeGuard([this] {
            restartServers();
            for (const QString& name : {u"Alpha"_s, u"Zeta"_s})
                standin::dropIfExists(Side::Oracle, name);
        });
        // The run walks the list from its end: Zeta first, then Alpha.
        createNumbered(Side::Oracle, u"Zeta"_s, 2500);
        createNumbered(Side::Oracle, u"Alpha"_s, 10);
        standin::execute(Side::Db2, u"CREATE TABLE \"Alpha\" (k INT)"_s);
        Window w;
        w.options.bulk = true;
        shell::TableList oracle = w.list(Side::Oracle);
        oracle.insertName(u"Alpha"_s);
        oracle.insertName(u"Zeta"_s);
        w.list(Side::Db2).insertName(u"Alpha"_s);
        for (int i = 0; i < oracle.count(); ++i)
            oracle.setSelected(i, true);
        oracle.setCurrentRow(0);
        w.dialogs.queueYesNo(true);
        w.dialogs.onShow = [](const ScriptedDialogs::Box& box) {
            if (box.kind == ScriptedDialogs::Kind::Question)
                signalServer(Side::Db2, SIGKILL);
        };
        transfer::CopyOracleToDb2(w.workspace(w.dialogs));
        const QStringList reports = w.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(u"Table \"Alpha\" was being copied; 0 of its rows had "
                                     "arrived."_s),
                 qPrintable(reports[0]));
    }

    void killedTarget_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("insertLine");
        QTest::addColumn<bool>("bulk");
        QTest::newRow("oracle to db2")
            << Side::Oracle << u"PushButton3_Click at line 272"_s << false;
        QTest::newRow("db2 to oracle") << Side::Db2 << u"PushButton4_Click at line 260"_s << false;
        QTest::newRow("oracle to db2, bulk")
            << Side::Oracle << u"PushButton3_Click at line 272"_s << true;
        QTest::newRow("db2 to oracle, bulk")
            << Side::Db2 << u"PushButton4_Click at line 260"_s << true;
    }
    void killedTarget() {
        QFETCH(Side, from);
        QFETCH(QString, insertLine);
        QFETCH(bool, bulk);
        const Side to = otherSide(from);
        const auto freshServers = qScopeGuard([this] { restartServers(); });
        const int rows = bulk ? 1000000 : 50000;
        createNumbered(from, table, rows);
        standin::dropIfExists(to, table);

        Window w;
        w.options.bulk = bulk;
        QElapsedTimer sinceKill;
        // Once the first rows (a million rows' first batch) have arrived,
        // however long the source took to count and open on a busy machine.
        QTimer watch;
        bool looking = false;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sinceKill.isValid() || looking) {
                return;
            }
            looking = true;
            const auto done = qScopeGuard([&] { looking = false; });
            try {
                db::Connection connection = standin::openAsOwner(to);
                if (kernel::CountRows(connection, table) == 0) {
                    return;
                }
            } catch (const db::Error&) {
                return; // not created yet
            }
            signalServer(to, SIGKILL);
            sinceKill.start();
        });
        watch.start(bulk ? 100 : 20);
        w.copy(from, table);
        watch.stop();
        QVERIFY2(sinceKill.isValid(), "the copy ended before the server was killed");
        QVERIFY2(sinceKill.elapsed() < 10000,
                 qPrintable(u"the run went on %1 ms after the kill"_s.arg(sinceKill.elapsed())));
        const QStringList reports = w.dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        static const QRegularExpression arrivedText(
            u"Table \"Failing\" was being copied; (\\d+) of its rows had arrived\\."_s);
        const QRegularExpressionMatch arrived = arrivedText.match(reports[0]);
        QVERIFY2(arrived.hasMatch() && arrived.captured(1).toInt() > 0 &&
                     arrived.captured(1).toInt() < rows,
                 qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(insertLine), qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(bulk ? u"\r\rsql: INSERT INTO \"Failing\" VALUES(?, ?, ?)"_s
                                          : u"\r\rsql: INSERT INTO \"Failing\" VALUES('"_s),
                 qPrintable(reports[0]));
        if (bulk)
            QCOMPARE(arrived.captured(1).toInt() % 1000, 0);
        QCOMPARE(w.items(to), QStringList{table});
        w.checkEndedCleanly();

        // The same press again, the server still down: the connection cannot
        // be opened, which is the one report.
        Window again;
        again.copy(from, table);
        QCOMPARE(again.dialogs.errorReports().size(), 1);
        QCOMPARE(ui::windowPointer(&again.window), shell::PointerState::Default);
        QVERIFY(again.button->isEnabled());
    }
};

int main(int argc, char** argv) {
    if (argc > 2 && qstrcmp(argv[1], "--close-during-stall") == 0) {
        return closeDuringStall(argc, argv);
    }
    QApplication app(argc, argv);
    FailureTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "failure_test.moc"
