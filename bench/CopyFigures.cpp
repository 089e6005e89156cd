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

// Figures 1, 4 and 6: the copy through the transfer run, row by row and in
// bulk, against the floor of the same table in the same run.
void measureThroughput(Side from, const Sizes& sizes, bench::GapMeter& rowGaps,
                       bench::GapMeter& bulkGaps) {
    const Side to = db::OtherSide(from);
    const QString table = QStringLiteral("BenchMixed");
    const QString direction = directionName(from);
    bench::createMixedTable(from, table, sizes.copyRows);
    const FloorStatements statements = floorStatements(from, table);

    double bestCopy = 0, bestFloor = 0, bestBulk = 0;
    for (int repeat = 0; repeat < sizes.copyRepeats; ++repeat) {
        bestFloor = std::max(bestFloor, floorRate(to, table, statements));
        bestCopy = std::max(bestCopy, copyRate(from, table, sizes.copyRows, {}, rowGaps));
        bestBulk = std::max(bestBulk, copyRate(from, table, sizes.copyRows,
                                               kernel::CopyOptions{true, 1000}, bulkGaps));
    }
    standin::dropIfExists(to, table);
    standin::dropIfExists(from, table);

    const double ratio = bestCopy / bestFloor;
    const double bulkRatio = bestBulk / bestFloor;
    report(QStringLiteral("1. copy %1, rows/s").arg(direction), rate(bestCopy), QString(), true);
    report(QStringLiteral("   floor %1 (bare INSERT loop), rows/s").arg(direction), rate(bestFloor),
           QString(), true);
    report(QStringLiteral("   copy / floor %1").arg(direction), QString::number(ratio, 'f', 3),
           QStringLiteral(">= 0.90"), ratio >= 0.90);
    report(QStringLiteral("   bulk copy %1, rows/s").arg(direction), rate(bestBulk), QString(),
           true);
    report(QStringLiteral("   bulk / floor %1").arg(direction), QString::number(bulkRatio, 'f', 1),
           QStringLiteral(">= 5"), bulkRatio >= 5);
}

// Figure 6: the same copies with 0.25 ms added each way between the program
// and both servers, as on a LAN.
void measureLan(Side from, const Sizes& sizes) {
    const Side to = db::OtherSide(from);
    const QString table = QStringLiteral("BenchLan");
    const QString direction = directionName(from);
    bench::createMixedTable(from, table, sizes.lanRows);
    bench::GapMeter unused;
    double floor = 0, copy = 0, bulk = 0;
    {
        const Lan lan(std::chrono::microseconds(250));
        const FloorStatements statements = floorStatements(from, table);
        floor = floorRate(to, table, statements);
        copy = copyRate(from, table, sizes.lanRows, {}, unused);
        bulk = copyRate(from, table, sizes.lanRows, kernel::CopyOptions{true, 1000}, unused);
    }
    standin::dropIfExists(to, table);
    standin::dropIfExists(from, table);
    report(QStringLiteral("6. LAN floor %1, rows/s").arg(direction), rate(floor), QString(), true);
    report(QStringLiteral("   LAN copy %1, rows/s").arg(direction), rate(copy), QString(), true);
    report(QStringLiteral("   LAN copy / floor %1").arg(direction),
           QString::number(copy / floor, 'f', 3), QStringLiteral(">= 0.90"), copy / floor >= 0.90);
    report(QStringLiteral("   LAN bulk copy %1, rows/s").arg(direction), rate(bulk), QString(),
           true);
    report(QStringLiteral("   LAN bulk / floor %1").arg(direction),
           QString::number(bulk / floor, 'f', 1), QStringLiteral(">= 20"), bulk / floor >= 20);
}

// Figure 2: one INSERT for a row of 20 mixed values.
void measureStatementBuilding(const Sizes& sizes) {
    using Kind = db::Value::Kind;
    QList<db::Value> row;
    for (int i = 0; i < 4; ++i) {
        row << db::Value(Kind::Integer, QString::number(123456 + i))
            << db::Value(Kind::Text, QStringLiteral("O'Brien \u00e9t\u00e9 %1").arg(i))
            << db::Value(Kind::Decimal, QStringLiteral("1234.56")) << db::Value()
            << db::Value::boolean(i % 2 == 0);
    }
    row[7] = db::Value(Kind::Timestamp, QStringLiteral("2024-02-29 13:45:07.25"));
    row[12] = db::Value(Kind::Date, QStringLiteral("2024-02-29"));
    row[17] = db::Value(Kind::Text, QString(60, u'x'));
    QString statement;
    qsizetype checksum = 0;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < sizes.buildRows; ++r) {
        kernel::BeginInsert(statement, u"PEOPLE");
        for (const db::Value& value : row) {
            kernel::AppendValue(statement, kernel::ValueOrDefault(value, {}),
                                r % 2 ? db::Side::Db2 : db::Side::Oracle);
        }
        kernel::EndInsert(statement);
        checksum += statement.size();
    }
    const double micros = clock.nsecsElapsed() / 1e3 / sizes.buildRows;
    if (checksum == 0) {
        fail(QStringLiteral("no statement built"));
    }
    report(QStringLiteral("2. build one INSERT of 20 values, us/row"),
           QString::number(micros, 'f', 2), QStringLiteral("< 5"), micros < 5);
}

} // namespace bench
