#pragma once
// The ADO data type codes that fields report, derived once from the ODBC SQL
// type of the column.
#include <cstdint>

namespace db {

namespace ado {
inline constexpr int Empty = 0, SmallInt = 2, Integer = 3, Single = 4, Double = 5, Boolean = 11,
                     TinyInt = 16, UnsignedTinyInt = 17, UnsignedSmallInt = 18, UnsignedInt = 19,
                     BigInt = 20, UnsignedBigInt = 21, Guid = 72, Binary = 128, Char = 129,
                     WChar = 130, Numeric = 131, DBDate = 133, DBTime = 134, DBTimeStamp = 135,
                     VarChar = 200, LongVarChar = 201, VarWChar = 202, LongVarWChar = 203,
                     VarBinary = 204, LongVarBinary = 205;
}

// ODBC SQL type (SQL_INTEGER, SQL_WVARCHAR, ...) to ADO code; unsigned integer
// columns take the unsigned codes; any type not in the table reads as text (202).
int adoTypeFromSqlType(int sqlType, bool isUnsigned);

} // namespace db
