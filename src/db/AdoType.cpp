#include "AdoType.h"

#include <sql.h>
#include <sqlext.h>

namespace db {

int adoTypeFromSqlType(int sqlType, bool isUnsigned) {
    switch (sqlType) {
    case SQL_CHAR:
        return ado::Char;
    case SQL_VARCHAR:
        return ado::VarChar;
    case SQL_LONGVARCHAR:
        return ado::LongVarChar;
    case SQL_WCHAR:
        return ado::WChar;
    case SQL_WVARCHAR:
        return ado::VarWChar;
    case SQL_WLONGVARCHAR:
        return ado::LongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return ado::Numeric;
    case SQL_SMALLINT:
        return isUnsigned ? ado::UnsignedSmallInt : ado::SmallInt;
    case SQL_INTEGER:
        return isUnsigned ? ado::UnsignedInt : ado::Integer;
    case SQL_TINYINT:
        return isUnsigned ? ado::UnsignedTinyInt : ado::TinyInt;
    case SQL_BIGINT:
        return isUnsigned ? ado::UnsignedBigInt : ado::BigInt;
    case SQL_REAL:
        return ado::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ado::Double;
    case SQL_BIT:
        return ado::Boolean;
    case SQL_BINARY:
        return ado::Binary;
    case SQL_VARBINARY:
        return ado::VarBinary;
    case SQL_LONGVARBINARY:
        return ado::LongVarBinary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ado::DBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return ado::DBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ado::DBTimeStamp;
    case SQL_GUID:
        return ado::Guid;
    default:
        return ado::VarWChar;
    }
}

} // namespace db
