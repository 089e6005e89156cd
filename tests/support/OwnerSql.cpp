#include "OwnerSql.h"

namespace standin {

QString connectionString(Side side) {
    return side == Side::Oracle ? oracleConnectionString(oracle()) : db2ConnectionString(db2());
}

db::Connection openAsOwner(Side side, db::CursorLocation location) {
    db::Connection connection;
    connection.setCursorLocation(location);
    connection.Open(connectionString(side));
    return connection;
}

void execute(Side side, const QString& sql) {
    openAsOwner(side).Execute(sql);
}

void dropIfExists(Side side, const QString& table) {
    try {
        execute(side, QStringLiteral("DROP TABLE \"%1\"").arg(table));
    } catch (const db::Error&) {
    }
}

} // namespace standin
