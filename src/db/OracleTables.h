#pragma once
#include "shell/TableList.h"

#include <QString>

namespace db {

// Fills the list with the tables that the Oracle login owns and makes the first
// item current (without selecting it). The list is cleared only once the query
// has run, so a login that fails leaves the list as it was. Failures throw
// db::Error; items added before a failure stay.
void LoadOracleTables(const shell::TableList& list, const QString& oracleConnectionString);

// The same tables as names, for a caller that keeps no list.
QStringList OracleTableNames(const QString& oracleConnectionString);

} // namespace db
