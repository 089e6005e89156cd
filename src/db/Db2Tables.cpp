#include "Db2Tables.h"

#include "Session.h"
#include "shell/TableList.h"
#include "shell/Yield.h"

namespace db {

void LoadDb2Tables(const shell::TableList& list, const QString& db2ConnectionString) {
    Connection connection;
    connection.Open(db2ConnectionString);
    RowSet rows = connection.OpenSchema(schemaTables);

    list.clear();
    for (; !rows.Eof(); rows.MoveNext()) {
        const Value type = rows.Fields().item(u"TABLE_TYPE").Value();
        if (type.isNull() || type.text() != u"TABLE")
            continue;
        shell::yieldToEventLoop();
        const Value name = rows.Fields().item(u"TABLE_NAME").Value();
        if (name.isNull())
            throw Error(QStringLiteral("Invalid use of Null"));
        list.insertName(name.text());
    }
    rows.Close();
    connection.Close();

    // The user picks the DB2 table to act on; nothing is current until then.
    if (list.currentRow() != -1)
        list.setCurrentRow(-1);
}

} // namespace db
