#include "Db2Tables.h"

#include "Session.h"
#include "shell/Interrupt.h"
#include "shell/TableList.h"

#include <functional>

namespace db {

namespace {

// `opened` once the catalogue is open, then `take` for each name.
void readTables(const QString& db2ConnectionString, const std::function<void()>& opened,
                const std::function<void(const QString&)>& take) {
    Connection connection;
    connection.Open(db2ConnectionString);
    RowSet rows = connection.OpenSchema(schemaTables);

    opened();
    for (; !rows.Eof(); rows.MoveNext()) {
        const Value type = rows.Fields().item(u"TABLE_TYPE").Value();
        if (type.isNull() || type.text() != u"TABLE")
            continue;
        shell::Pause();
        const Value name = rows.Fields().item(u"TABLE_NAME").Value();
        if (name.isNull())
            throw Error(QStringLiteral("Invalid use of Null"));
        take(name.text());
    }
    rows.Close();
    connection.Close();
}

} // namespace

void LoadDb2Tables(const shell::TableList& list, const QString& db2ConnectionString) {
    readTables(
        db2ConnectionString, [&] { list.clear(); },
        [&](const QString& name) { list.insertName(name); });

    // The user picks the DB2 table to act on; nothing is current until then.
    if (list.currentRow() != -1)
        list.setCurrentRow(-1);
}

QStringList Db2TableNames(const QString& db2ConnectionString) {
    QStringList names;
    readTables(
        db2ConnectionString, [] {}, [&](const QString& name) { names << name; });
    return names;
}

} // namespace db
