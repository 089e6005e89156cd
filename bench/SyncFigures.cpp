// Figure 13: a million-row copy brought up to date after 1 % of its source
// changed (8 000 rows updated, 1 000 deleted, 1 000 inserted), in bulk,
// against copying it afresh in bulk, on loopback and through the relay.
#include "Harness.h"
#include "compare/Comparison.h"

namespace bench {

namespace {

const QString table = QStringLiteral("BenchSync");

double copySeconds(kernel::CopyOptions options, bool sync) {
    options.sync = sync;
    options.deleteExtra = sync;
    return bench::copySeconds(table, options, sync);
}

// 1 % of the source's rows changed, spread over the whole key: the rows of
// one residue of the key updated, of another deleted, and those of a third
// (left out before the copy) inserted.
void changeSource(int rows, int round) {
    const int every = std::max(rows / 1000, 10);
    bench::executeLarge(Side::Oracle, QStringLiteral("UPDATE \"%1\" SET amount = amount + 1 "
                                                     "WHERE k % %2 IN (%3)")
                                          .arg(table)
                                          .arg(every)
                                          .arg(QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8")
                                                   .arg(round * 10 + 1)
                                                   .arg(round * 10 + 2)
                                                   .arg(round * 10 + 3)
                                                   .arg(round * 10 + 4)
                                                   .arg(round * 10 + 5)
                                                   .arg(round * 10 + 6)
                                                   .arg(round * 10 + 7)
                                                   .arg(round * 10 + 8)));
    bench::executeLarge(Side::Oracle, QStringLiteral("DELETE FROM \"%1\" WHERE k % %2 = %3")
                                          .arg(table)
                                          .arg(every)
                                          .arg(round * 10 + 9));
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("INSERT INTO \"%1\" (k, amount, code) SELECT g, g, "
                                       "CONCAT('C-', g) FROM generate_series(1, %2) g WHERE g % "
                                       "%3 = %4")
                            .arg(table)
                            .arg(rows)
                            .arg(every)
                            .arg(round == 0 ? 0 : 9));
    // As a table in use has its statistics: the stand-in's planner, left
    // without them for the minute its autovacuum waits, would scan the whole
    // table for each read of the ranges that differ.
    bench::executeLarge(Side::Oracle, QStringLiteral("ANALYZE \"%1\"").arg(table));
}

void judge(const QString& where, double fresh, double synced, double most) {
    report(QStringLiteral("   %1: fresh bulk copy / sync, s").arg(where),
           QStringLiteral("%1 / %2").arg(fresh, 0, 'f', 1).arg(synced, 0, 'f', 2), QString(), true);
    report(QStringLiteral("   ... sync / fresh, %1").arg(where),
           QString::number(synced / fresh, 'f', 2), QStringLiteral("<= ") + QString::number(most),
           synced <= most * fresh);
}

} // namespace

void measureSync(const Sizes& sizes) {
    const int rows = sizes.syncRows;
    bench::createMixedTable(Side::Oracle, table, rows, true);
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    // The rows the first round inserts.
    bench::executeLarge(Side::Oracle, QStringLiteral("DELETE FROM \"%1\" WHERE k % %2 = 0")
                                          .arg(table)
                                          .arg(std::max(rows / 1000, 10)));
    // The copy keeps the source's key, by which its ranges are read.
    kernel::CopyOptions options{true, 1000, true};
    options.structure = true;
    const double fresh = copySeconds(options, false);
    changeSource(rows, 0);
    const double synced = copySeconds(options, true);
    report(QStringLiteral("13. %1 rows, 1 % changed, brought up to date").arg(rows), QString(),
           QString(), true);
    judge(QStringLiteral("loopback"), fresh, synced, 0.2);
    // Every row is hashed once on each side, both at once.
    const ScanSeconds scans = hashScanSeconds(table);
    const double slowerScan = std::max(scans.oracle, scans.db2);
    report(QStringLiteral("   one hash scan alone, Oracle / DB2 side, s"),
           QStringLiteral("%1 / %2").arg(scans.oracle, 0, 'f', 2).arg(scans.db2, 0, 'f', 2),
           QString(), true);
    report(QStringLiteral("   ... sync / slower scan"),
           QString::number(synced / slowerScan, 'f', 2), QString(), true);
    {
        const Lan lan(std::chrono::microseconds(250));
        const double freshLan = copySeconds(options, false);
        changeSource(rows, 1);
        judge(QStringLiteral("through the relay"), freshLan, copySeconds(options, true), 0.1);
    }
    const compare::TableComparison after = CompareWithCopy(Side::Oracle, table);
    report(QStringLiteral("   the table then compares equal"), compare::OutcomeWord(after.outcome),
           QStringLiteral("equal"), after.outcome == compare::TableComparison::Outcome::Equal);
    standin::dropIfExists(Side::Db2, table);
    standin::dropIfExists(Side::Oracle, table);
}

} // namespace bench
