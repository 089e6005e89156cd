#include "OracleTables.h"

#include "Session.h"
#include "shell/Interrupt.h"
#include "shell/TableList.h"

#include <functional>

namespace db {

namespace {

QString catalogueText(const Value& value) {
    // A table without a name would be an item nobody can act on.
    if (value.isNull())
        throw Error(QStringLiteral("Invalid use of Null"));
    return value.text();
}

// `opened` once the query has run, then `take` for each name.
void readTables(const QString& oracleConnectionString, const std::function<void()>& opened,
                const std::function<void(const QString&)>& take) {
    Connection connection;
    RowSet rows;
    // A client-side row set knows its row count before the first row.
    connection.setCursorLocation(CursorLocation::Client);
    connection.Open(oracleConnectionString);
    rows.Open(QStringLiteral("SELECT table_name FROM user_tables"), connection);

    opened();
    const qint64 count = rows.RecordCount();
    // The count drives the loop; the end of the rows also stops it, so a count
    // that disagrees with the rows cannot make the loop read past the last row.
    for (qint64 i = 0; i < count && !rows.Eof(); ++i) {
        shell::Pause();
        take(catalogueText(rows.Fields().item(0).Value()));
        rows.MoveNext();
    }
    rows.Close();
}

} // namespace

void LoadOracleTables(const shell::TableList& list, const QString& oracleConnectionString) {
    readTables(
        oracleConnectionString, [&] { list.clear(); },
        [&](const QString& name) { list.insertName(name); });

    if (list.count() > 0)
        list.setCurrentRow(0);
}

QStringList OracleTableNames(const QString& oracleConnectionString) {
    QStringList names;
    readTables(
        oracleConnectionString, [] {}, [&](const QString& name) { names << name; });
    return names;
}

} // namespace db
