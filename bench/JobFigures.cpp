#include "BareConnection.h"
#include "CliRun.h"
#include "Harness.h"
#include "compare/Comparison.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/Statements.h"
#include "support/ProcessMemory.h"
#include "transfer/Datatype.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace bench {

// Rows a second of one command-line copy of these tables to the DB2 side.
double cliRate(const QStringList& tables, qint64 rows, const QStringList& options,
               qint64* peakKiB = nullptr, double* busy = nullptr) {
    const bench::CliRun run = bench::RunCli(
        QStringList{QStringLiteral("copy"), QStringLiteral("--to"), QStringLiteral("db2"),
                    QStringLiteral("--replace"), QStringLiteral("--no-progress")} +
        options + tables);
    if (run.status != 0) {
        fail(QStringLiteral("the command line's copy ended with %1: %2%3")
                 .arg(run.status)
                 .arg(run.out, run.err));
    }
    if (peakKiB != nullptr) {
        *peakKiB = run.peakKiB;
    }
    if (busy != nullptr) {
        *busy = run.busy;
    }
    return double(rows) / run.seconds;
}

// Figure 9: the command line's parallel jobs, several tables or one table's
// key ranges at once, through the relay and on loopback; the memory of the
// program and its jobs together.
void measureJobs(const Sizes& sizes) {
    QStringList bulkTables;
    QStringList rowTables;
    for (int i = 1; i <= 4; ++i) {
        bulkTables << QStringLiteral("BenchJobs%1").arg(i);
        bench::createMixedTable(Side::Oracle, bulkTables.last(), sizes.jobsRows);
        rowTables << QStringLiteral("BenchJobsRow%1").arg(i);
        bench::createMixedTable(Side::Oracle, rowTables.last(), sizes.jobsRowByRowRows);
    }
    const QString split = QStringLiteral("BenchSplit");
    const QString rowSplit = QStringLiteral("BenchSplitRow");
    for (const auto& [table, rows] :
         {std::pair{split, sizes.splitRows}, std::pair{rowSplit, sizes.splitRowByRowRows}}) {
        bench::createMixedTable(Side::Oracle, table, rows);
        bench::executeLarge(Side::Oracle,
                            QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    }
    const QStringList bulk{QStringLiteral("--bulk")};
    const QStringList one{QStringLiteral("--jobs"), QStringLiteral("1")};
    const QStringList four{QStringLiteral("--jobs"), QStringLiteral("4")};
    const QStringList split4{QStringLiteral("--split"), QStringLiteral("4")};
    const qint64 bulkRows = 4LL * sizes.jobsRows;
    const qint64 rowRows = 4LL * sizes.jobsRowByRowRows;
    const auto judge = [](const QString& name, double single, double parallel, double least) {
        report(name, QStringLiteral("%1 / %2").arg(qint64(single)).arg(qint64(parallel)), QString(),
               true);
        report(QStringLiteral("   ratio"), QString::number(parallel / single, 'f', 2),
               QStringLiteral(">= %1").arg(least), parallel / single >= least);
    };
    {
        const Lan lan(std::chrono::microseconds(250));
        judge(QStringLiteral("9. LAN, 4 tables row by row, rows/s 1 / 4 jobs"),
              cliRate(rowTables, rowRows, one), cliRate(rowTables, rowRows, four), 3.5);
        double busy = 0;
        const double single = cliRate(bulkTables, bulkRows, bulk + one, nullptr, &busy);
        judge(QStringLiteral("   LAN, 4 tables bulk, rows/s 1 / 4 jobs"), single,
              cliRate(bulkTables, bulkRows, bulk + four), 1.6);
        // A bulk copy keeps the program and both servers busy: jobs can add
        // no more than the processors left idle by one.
        report(QStringLiteral("   processors busy during one bulk job, %"),
               QString::number(qRound(busy * 100)), QString(), true);
        judge(QStringLiteral("   LAN, one table row by row, rows/s 1 / split 4"),
              cliRate({rowSplit}, sizes.splitRowByRowRows, {}),
              cliRate({rowSplit}, sizes.splitRowByRowRows, split4), 3.0);
        judge(QStringLiteral("   LAN, one table bulk, rows/s 1 / split 4"),
              cliRate({split}, sizes.splitRows, bulk),
              cliRate({split}, sizes.splitRows, bulk + split4), 1.5);
    }
    report(QStringLiteral("   loopback, row by row, rows/s 1 / 4 jobs"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate(rowTables, rowRows, one)))
               .arg(qint64(cliRate(rowTables, rowRows, four))),
           QString(), true);
    report(QStringLiteral("   loopback, bulk, rows/s 1 / 4 jobs"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate(bulkTables, bulkRows, bulk + one)))
               .arg(qint64(cliRate(bulkTables, bulkRows, bulk + four))),
           QString(), true);
    report(QStringLiteral("   loopback, one table bulk, rows/s 1 / split 4"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate({split}, sizes.splitRows, bulk)))
               .arg(qint64(cliRate({split}, sizes.splitRows, bulk + split4))),
           QString(), true);
    // Eight tables, bulk: the program and its jobs, each with its own
    // connections and buffers.
    const QStringList eight = bulkTables + rowTables;
    const qint64 eightRows = bulkRows + rowRows;
    qint64 peak[3] = {};
    const int jobs[3] = {1, 4, 8};
    for (int i = 0; i < 3; ++i) {
        cliRate(eight, eightRows,
                bulk + QStringList{QStringLiteral("--jobs"), QString::number(jobs[i])}, &peak[i]);
    }
    report(
        QStringLiteral("   peak memory with 1 / 4 / 8 jobs, MiB"),
        QStringLiteral("%1 / %2 / %3").arg(peak[0] / 1024).arg(peak[1] / 1024).arg(peak[2] / 1024),
        QString(), true);
    // Linear: no more than a one-job run's memory per job, and one more for
    // the program that runs them.
    const bool linear = peak[1] <= 5 * peak[0] && peak[2] <= 9 * peak[0];
    report(QStringLiteral("   memory per job beyond one job's, MiB"),
           QString::number((peak[2] - peak[0]) / 8 / 1024), QStringLiteral("linear in jobs"),
           linear);
    for (const QString& table : eight + QStringList{split, rowSplit}) {
        standin::dropIfExists(Side::Db2, table);
        standin::dropIfExists(Side::Oracle, table);
    }
}

} // namespace bench
