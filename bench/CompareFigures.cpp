#include "BareConnection.h"
#include "CliRun.h"
#include "Harness.h"
#include "compare/Comparison.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/KeyRanges.h"
#include "kernel/RowText.h"
#include "kernel/Statements.h"
#include "support/ProcessMemory.h"
#include "transfer/Datatype.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace bench {

// Rows/s reading both sides at once, a row of each in turn, each read ahead
// on its own thread as a comparison reads them, and nothing compared: what
// two cores give for the reading alone while both servers work.
double bothReadRate(const QString& table) {
    db::Connection oracle;
    db::Connection db2;
    for (auto [connection, side] : {std::pair{&oracle, Side::Oracle}, std::pair{&db2, Side::Db2}}) {
        connection->setCursorLocation(db::CursorLocation::Client);
        connection->setReadAhead(true);
        connection->Open(bench::connectionString(side));
    }
    QElapsedTimer clock;
    clock.start();
    db::RowSet oracleRows;
    db::RowSet db2Rows;
    oracleRows.Open(kernel::SelectAllStatement(table), oracle);
    db2Rows.Open(kernel::SelectAllStatement(table), db2);
    qint64 read = 0;
    while (!oracleRows.Eof() || !db2Rows.Eof()) {
        for (db::RowSet* rows : {&oracleRows, &db2Rows}) {
            if (!rows->Eof()) {
                for (int f = 0; f < rows->Fields().count(); ++f) {
                    rows->Fields().item(f).Value();
                }
                rows->MoveNext();
            }
        }
        ++read;
    }
    return double(read) / (clock.nsecsElapsed() / 1e9);
}

// A keyed table of the mixed columns on the Oracle side and its copy (exact
// types, bulk) on the DB2 side.
void createComparedPair(const QString& table, int rows) {
    bench::createMixedTable(Side::Oracle, table, rows, true);
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    Window window;
    window.options = kernel::CopyOptions{true, 1000, true};
    window.copy(Side::Oracle, table);
    if (window.dialogs.errorReports != 0 || bench::rowCount(Side::Db2, table) != rows) {
        fail(QStringLiteral("the copy to compare did not arrive whole: ") +
             window.dialogs.lastText);
    }
}

struct Compared {
    double seconds = 0;
    QString outcome;
    QString method;
    qint64 rowsRead = 0;
    qint64 differing = 0;
};

// The command line's comparison of the table, as a user runs it.
Compared compareByCli(const QString& table, bool byRows) {
    QStringList arguments{QStringLiteral("compare"), QStringLiteral("--to"), QStringLiteral("db2"),
                          QStringLiteral("--json")};
    if (byRows) {
        arguments << QStringLiteral("--by-rows");
    }
    const CliRun run = RunCli(arguments << table);
    const QJsonObject result =
        QJsonDocument::fromJson(run.out.toUtf8())[QStringLiteral("tables")][0].toObject();
    return {run.seconds, result[QStringLiteral("outcome")].toString(),
            result[QStringLiteral("method")].toString(),
            result[QStringLiteral("rowsRead")].toInteger(),
            result[QStringLiteral("differing")].toInteger()};
}

// The checksum comparison of a pair with one changed row against reading
// every row, both by the command line.
void checksumsAgainstRows(const QString& table, int changed, const QString& where, double most) {
    const Compared rows = compareByCli(table, true);
    const Compared sums = compareByCli(table, false);
    if (rows.differing != 1 || sums.differing != 1 || sums.method != u"checksums") {
        fail(QStringLiteral("the changed row %1 was not found alike: %2 and %3 (%4) rows differ")
                 .arg(changed)
                 .arg(rows.differing)
                 .arg(sums.differing)
                 .arg(sums.method));
    }
    report(QStringLiteral("   %1: every row read / checksums, s").arg(where),
           QStringLiteral("%1 / %2").arg(rows.seconds, 0, 'f', 2).arg(sums.seconds, 0, 'f', 2),
           QString(), true);
    report(QStringLiteral("   ... rows read by checksums"), QString::number(sums.rowsRead),
           QString(), true);
    report(QStringLiteral("   ... checksums / rows, %1").arg(where),
           QString::number(sums.seconds / rows.seconds, 'f', 2),
           QStringLiteral("<= ") + QString::number(most), sums.seconds <= most * rows.seconds);
}

ScanSeconds hashScanSeconds(const QString& table) {
    db::Connection oracle = standin::openAsOwner(Side::Oracle);
    db::Connection db2 = standin::openAsOwner(Side::Db2);
    const kernel::TableOrder order = kernel::PlanOrder(oracle, table, db2, table);
    const kernel::RowTexts texts =
        kernel::CanonicalRowTexts(order, oracle.profile().server(), db2.profile().server());
    if (!texts.why.isEmpty()) {
        fail(QStringLiteral("the pair cannot be hashed: ") + texts.why);
    }
    const auto scan = [&](db::Connection& connection, const QString& number, const QString& text) {
        QElapsedTimer clock;
        clock.start();
        kernel::FiguresOf(connection, {number, text}, table, {}, true);
        return clock.nsecsElapsed() / 1e9;
    };
    return {scan(oracle, order.sourceNumberKey, texts.source),
            scan(db2, order.targetNumberKey, texts.target)};
}

// Figure 7: a comparison against the rate each side is read at alone, and
// the one changed value of a million-row pair, in flat memory.
void measureCompare(const Sizes& sizes) {
    const QString table = QStringLiteral("BenchCompare");
    createComparedPair(table, sizes.compareRows);
    const double oracleRead = readRate(Side::Oracle, table);
    const double db2Read = readRate(Side::Db2, table);
    const double bothRead = bothReadRate(table);
    QElapsedTimer clock;
    clock.start();
    const compare::TableComparison equal = CompareWithCopy(Side::Oracle, table);
    const double compareRate = sizes.compareRows / (clock.nsecsElapsed() / 1e9);
    if (equal.outcome != compare::TableComparison::Outcome::Equal) {
        fail(QStringLiteral("the copy compared: ") + compare::ComparisonText(equal));
    }
    const qint64 peak = childPeaks(table, false, true).residentKiB;
    const qint64 readPeak = childPeaks(table, false, false, true).residentKiB;
    standin::dropIfExists(Side::Db2, table);
    standin::dropIfExists(Side::Oracle, table);
    const double slower = std::min(oracleRead, db2Read);
    report(QStringLiteral("7. read alone, Oracle side, rows/s"), rate(oracleRead), QString(), true);
    report(QStringLiteral("   read alone, DB2 side, rows/s"), rate(db2Read), QString(), true);
    report(QStringLiteral("   both sides read at once, nothing compared, rows/s"), rate(bothRead),
           QString(), true);
    report(QStringLiteral("   compare, rows/s"), rate(compareRate), QString(), true);
    report(QStringLiteral("   compare / slower read"),
           QString::number(compareRate / slower, 'f', 2), QStringLiteral(">= 1.0"),
           compareRate >= slower);

    const QString large = QStringLiteral("BenchCompareLarge");
    createComparedPair(large, sizes.largeCompareRows);
    const int changed = sizes.largeCompareRows / 2 + 1;
    bench::executeLarge(
        Side::Db2, QStringLiteral("UPDATE \"%1\" SET \"ratio\" = \"ratio\" + 1e-9 WHERE \"k\" = %2")
                       .arg(large)
                       .arg(changed));
    clock.start();
    const compare::TableComparison one = CompareWithCopy(Side::Oracle, large);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 largePeak = childPeaks(large, false, true).residentKiB;
    const qint64 largeReadPeak = childPeaks(large, false, false, true).residentKiB;
    const bool found = one.onlySource == 0 && one.onlyTarget == 0 && one.differing == 1 &&
                       one.differences.size() == 1 &&
                       one.differences[0].key == QStringLiteral("\"k\" = '%1'").arg(changed) &&
                       one.differences[0].columns.size() == 1;
    report(QStringLiteral("   %1-row pair, one value changed, s").arg(sizes.largeCompareRows),
           QString::number(seconds, 'f', 1), QString(), true);
    report(QStringLiteral("   ... found exactly that row, by checksums"),
           found && one.method == compare::TableComparison::Method::Checksums
               ? QStringLiteral("yes")
               : compare::ComparisonText(one).left(60),
           QStringLiteral("yes"), found);
    // MariaDB Connector/ODBC 3.1.15 keeps a whole result in memory (it
    // streams from 3.1.17 on, with NO_CACHE): what the DB2 side's read alone
    // grows by is the driver's; the comparison may add nothing that grows.
    const qint64 growth = largePeak - peak;
    const qint64 driverGrowth = largeReadPeak - readPeak;
    report(QStringLiteral("   peak memory comparing %1 / %2 rows, MiB")
               .arg(sizes.compareRows)
               .arg(sizes.largeCompareRows),
           QStringLiteral("%1 / %2").arg(peak / 1024).arg(largePeak / 1024), QString(), true);
    report(QStringLiteral("   peak reading the DB2 side alone, MiB"),
           QStringLiteral("%1 / %2").arg(readPeak / 1024).arg(largeReadPeak / 1024), QString(),
           true);
    report(QStringLiteral("   compare's growth beyond the driver's, MiB"),
           QString::number((growth - driverGrowth) / 1024), QStringLiteral("< 16"),
           growth - driverGrowth < 16 * 1024);
    checksumsAgainstRows(large, changed, QStringLiteral("loopback"), 0.3);
    {
        const Lan lan(std::chrono::microseconds(250));
        checksumsAgainstRows(large, changed, QStringLiteral("through the relay"), 0.1);
    }
    standin::dropIfExists(Side::Db2, large);
    standin::dropIfExists(Side::Oracle, large);

    const QString huge = QStringLiteral("BenchCompareHuge");
    createComparedPair(huge, sizes.hugeCompareRows);
    const ScanSeconds scans = hashScanSeconds(huge);
    const Compared equalHuge = compareByCli(huge, false);
    standin::dropIfExists(Side::Db2, huge);
    standin::dropIfExists(Side::Oracle, huge);
    const double slowerScan = std::max(scans.oracle, scans.db2);
    report(QStringLiteral("   %1-row equal pair: one hash scan alone, Oracle / DB2 side, s")
               .arg(sizes.hugeCompareRows),
           QStringLiteral("%1 / %2").arg(scans.oracle, 0, 'f', 2).arg(scans.db2, 0, 'f', 2),
           QString(), true);
    report(QStringLiteral("   ... compare by checksums, s (%1)").arg(equalHuge.outcome),
           QString::number(equalHuge.seconds, 'f', 2), QString(),
           equalHuge.outcome == QStringLiteral("equal"));
    report(QStringLiteral("   ... compare / slower scan"),
           QString::number(equalHuge.seconds / slowerScan, 'f', 2), QStringLiteral("<= 1.5"),
           equalHuge.seconds <= 1.5 * slowerScan);
}

double copySeconds(const QString& table, const kernel::CopyOptions& options, bool ontoTarget) {
    Window window;
    window.options = options;
    if (ontoTarget) {
        window.list(Side::Db2).insertName(table);
    } else {
        standin::dropIfExists(Side::Db2, table);
    }
    QElapsedTimer clock;
    clock.start();
    window.copyTable(Side::Oracle, table, window.dialogs);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (window.dialogs.errorReports != 0) {
        fail(QStringLiteral("the copy reported: ") + window.dialogs.lastText);
    }
    return seconds;
}

// A resume of the table after only the first nine tenths arrived, in the
// mode given; it must leave every row there once.
double resumeSeconds(const QString& table, int rows, const kernel::CopyOptions& options) {
    bench::executeLarge(
        Side::Db2,
        QStringLiteral("DELETE FROM \"%1\" WHERE \"k\" > %2").arg(table).arg(rows / 10 * 9));
    kernel::CopyOptions resume = options;
    resume.resume = true;
    const double seconds = copySeconds(table, resume, true);
    if (bench::rowCount(Side::Db2, table) != rows) {
        fail(QStringLiteral("the resume left %1 rows of %2")
                 .arg(bench::rowCount(Side::Db2, table))
                 .arg(rows));
    }
    return seconds;
}

// Figure 8: resuming a table of which 90 % arrived, against copying it
// afresh in the same mode, on loopback and through the relay.
void measureResume(const Sizes& sizes) {
    const QString table = QStringLiteral("BenchResume");
    const int rows = sizes.resumeRows;
    bench::createMixedTable(Side::Oracle, table, rows);
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    const kernel::CopyOptions bulk{true, 1000};
    const auto judge = [&](const QString& name, const QString& mode, double fresh, double resumed,
                           const QString& how, double most = 0.25) {
        report(QStringLiteral("%1 fresh copy, s%2").arg(name, how), QString::number(fresh, 'f', 1),
               QString(), true);
        report(QStringLiteral("   resume of the last 10 %, s"), QString::number(resumed, 'f', 1),
               QString(), true);
        report(QStringLiteral("   resume / fresh, %1").arg(mode),
               QString::number(resumed / fresh, 'f', 2),
               QStringLiteral("<= ") + QString::number(most), resumed / fresh <= most);
    };
    const double freshBulk = copySeconds(table, bulk, false);
    judge(QStringLiteral("8. %1 rows, bulk,").arg(rows), QStringLiteral("bulk"), freshBulk,
          resumeSeconds(table, rows, bulk), QString());
    // With the source's key made on the copy, the resume reads the target
    // in the order of an index. A key stands on exact types (the default
    // mapping makes the DB2 side's columns LONG VARCHAR, which no key takes).
    kernel::CopyOptions exact = bulk;
    exact.exactTypes = true;
    kernel::CopyOptions keyed = exact;
    keyed.structure = true;
    const double freshExact = copySeconds(table, exact, false);
    const double freshKeyed = copySeconds(table, keyed, false);
    report(QStringLiteral("   exact types: fresh copy without / with --structure, s"),
           QStringLiteral("%1 / %2").arg(QString::number(freshExact, 'f', 1),
                                         QString::number(freshKeyed, 'f', 1)),
           QString(), true);
    judge(QStringLiteral("   keyed target,"), QStringLiteral("bulk, keyed target"), freshExact,
          resumeSeconds(table, rows, exact), QString(), 0.15);
    // A fresh row-by-row copy of the whole table would take minutes: its
    // time is the rate of a copy of its first rows, times the table.
    kernel::CopyOptions sample;
    sample.where = QStringLiteral("k <= %1").arg(sizes.rowByRowSample);
    const double sampleSeconds = copySeconds(table, sample, false);
    bench::executeLarge(Side::Db2, QStringLiteral("DROP TABLE \"%1\"").arg(table));
    copySeconds(table, bulk, false);
    judge(QStringLiteral("   row by row,"), QStringLiteral("row by row"),
          sampleSeconds * rows / sizes.rowByRowSample, resumeSeconds(table, rows, {}),
          QStringLiteral(" (from %1 rows)").arg(sizes.rowByRowSample));
    {
        const Lan lan(std::chrono::microseconds(250));
        const double freshLan = copySeconds(table, bulk, false);
        judge(QStringLiteral("8. LAN, bulk,"), QStringLiteral("LAN bulk"), freshLan,
              resumeSeconds(table, rows, bulk), QString());
    }
    const compare::TableComparison after = CompareWithCopy(Side::Oracle, table);
    report(QStringLiteral("   the resumed table compares equal"),
           compare::OutcomeWord(after.outcome), QStringLiteral("equal"),
           after.outcome == compare::TableComparison::Outcome::Equal);
    standin::dropIfExists(Side::Db2, table);
    standin::dropIfExists(Side::Oracle, table);
}

} // namespace bench
