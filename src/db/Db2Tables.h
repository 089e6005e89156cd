#pragma once
#include "shell/TableList.h"

#include <QString>

namespace db {

// Fills the list with the base tables of the DB2 catalogue (type exactly
// "TABLE": views, aliases and system tables stay out), by bare name, and leaves
// the list without a current item. The list is cleared only once the catalogue
// is open, so a login that fails leaves the list as it was. Failures throw
// db::Error; items added before a failure stay.
void LoadDb2Tables(const shell::TableList& list, const QString& db2ConnectionString);

// The same tables as names, for a caller that keeps no list.
QStringList Db2TableNames(const QString& db2ConnectionString);

} // namespace db
