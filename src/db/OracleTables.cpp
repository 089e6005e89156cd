#include "OracleTables.h"

#include "Session.h"
#include "shell/TableList.h"
#include "shell/Yield.h"

namespace db {

namespace {

QString catalogueText(const Value& value) {
    // A table without a name would be an item nobody can act on.
    if (value.isNull())
        throw Error(QStringLiteral("Invalid use of Null"));
    return value.text();
}

} // namespace

void LoadOracleTables(const shell::TableList& list, const QString& oracleConnectionString) {
    Connection connection;
    RowSet rows;
    // A client-side row set knows its row count before the first row.
    connection.setCursorLocation(CursorLocation::Client);
    connection.Open(oracleConnectionString);
    rows.Open(QStringLiteral("SELECT table_name FROM user_tables"), connection);

    list.clear();
    const qint64 count = rows.RecordCount();
    // The count drives the loop; the end of the rows also stops it, so a count
    // that disagrees with the rows cannot make the loop read past the last row.
    for (qint64 i = 0; i < count && !rows.Eof(); ++i) {
        shell::yieldToEventLoop();
        list.insertName(catalogueText(rows.Fields().item(0).Value()));
        rows.MoveNext();
    }
    rows.Close();

    if (list.count() > 0)
        list.setCurrentRow(0);
}

} // namespace db
