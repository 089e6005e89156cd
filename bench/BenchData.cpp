#include "BenchData.h"

#include "db/Session.h"
#include "support/OwnerSql.h"

#include <QStringList>

namespace bench {

namespace {
// A row source of n numbers named g, in each server's dialect.
QString numbers(Side side, int n) {
    return side == Side::Oracle
               ? QStringLiteral("FROM generate_series(1, %1) g").arg(n)
               : QStringLiteral("FROM (WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 "
                                "FROM s WHERE g < %1) SELECT g FROM s) n")
                     .arg(n);
}
} // namespace

void executeLarge(Side side, const QString& sql) {
    db::Connection connection = standin::openAsOwner(side);
    if (side == Side::Db2) {
        connection.Execute(QStringLiteral("SET SESSION max_recursive_iterations = 10000000"));
    }
    connection.Execute(sql);
}

qint64 rowCount(Side side, const QString& table) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table), connection);
    return rows.Fields().item(0).Value().text().toLongLong();
}

void createMixedTable(Side side, const QString& table, int rows, bool exactRatio) {
    standin::dropIfExists(side, table);
    const bool oracle = side == Side::Oracle;
    executeLarge(side,
                 QStringLiteral("CREATE TABLE \"%1\" (k integer, amount numeric(12,2), code "
                                "varchar(40), note varchar(200), born date, seen timestamp, "
                                "active %2, ratio %3)")
                     .arg(table, oracle ? QStringLiteral("boolean") : QStringLiteral("BIT(1)"),
                          exactRatio ? QStringLiteral("numeric(24,12)")
                                     : QStringLiteral("double precision")));
    const QString born = oracle ? QStringLiteral("DATE '2000-01-01' + g % 9000")
                                : QStringLiteral("DATE '2000-01-01' + INTERVAL g % 9000 DAY");
    const QString seen =
        oracle ? QStringLiteral("TIMESTAMP '2024-01-01 08:00:00.5' + g * INTERVAL "
                                "'1 second'")
               : QStringLiteral("TIMESTAMP '2024-01-01 08:00:00.5' + INTERVAL g SECOND");
    executeLarge(side, QStringLiteral(
                           "INSERT INTO \"%1\" SELECT g, g * 1.01, CONCAT('C-', g), "
                           "CASE WHEN g % 17 = 0 THEN NULL ELSE CONCAT('O''Brien \"%2\" "
                           "\u00e9t\u00e9 \u65e5\u672c #', g, ' ', REPEAT('z', g % 100)) END, "
                           "CASE WHEN g % 23 = 0 THEN NULL ELSE %3 END, %4, g % 2 = 0, g / 7.0 %5")
                           .arg(table, QStringLiteral("quoted"), born, seen, numbers(side, rows)));
}

void createWideTable(Side side, const QString& table, int rows, int rowBytes) {
    standin::dropIfExists(side, table);
    executeLarge(side, QStringLiteral("CREATE TABLE \"%1\" (k integer, body text)").arg(table));
    executeLarge(side, QStringLiteral("INSERT INTO \"%1\" SELECT g, REPEAT(CONCAT('row ', g, ' '), "
                                      "%2) %3")
                           .arg(table)
                           .arg(rowBytes / 10)
                           .arg(numbers(side, rows)));
}

void createManyTables(Side side, const QString& prefix, int count) {
    db::Connection connection = standin::openAsOwner(side);
    QStringList batch;
    for (int i = 0; i < count; ++i) {
        const QString name = prefix + QString::number(i).rightJustified(5, u'0');
        connection.Execute(
            side == Side::Oracle
                ? QStringLiteral("CREATE TABLE \"%1\" (k integer)").arg(name)
                : QStringLiteral("CREATE TABLE \"%1\" (k integer) ENGINE=MEMORY").arg(name));
    }
}

void dropManyTables(Side side, const QString& prefix, int count) {
    db::Connection connection = standin::openAsOwner(side);
    for (int i = 0; i < count; ++i) {
        try {
            connection.Execute(QStringLiteral("DROP TABLE \"%1\"")
                                   .arg(prefix + QString::number(i).rightJustified(5, u'0')));
        } catch (const db::Error&) {
        }
    }
}

} // namespace bench
