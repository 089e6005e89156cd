#include "SqlClass.h"

#include <sql.h>
#include <sqlext.h>

namespace db {

SqlClass ClassOfSqlType(int sqlType) {
    using F = SqlFamily;
    switch (sqlType) {
    case SQL_CHAR:
        return {.family = F::Text, .fixed = true};
    case SQL_VARCHAR:
        return {.family = F::Text};
    case SQL_LONGVARCHAR:
        return {.family = F::Text, .isLong = true};
    case SQL_WCHAR:
        return {.family = F::Text, .wide = true, .fixed = true};
    case SQL_WVARCHAR:
        return {.family = F::Text, .wide = true};
    case SQL_WLONGVARCHAR:
        return {.family = F::Text, .wide = true, .isLong = true};
    case SQL_BINARY:
        return {.family = F::Bytes, .fixed = true};
    case SQL_VARBINARY:
        return {.family = F::Bytes};
    case SQL_LONGVARBINARY:
        return {.family = F::Bytes, .isLong = true};
    case SQL_BIT:
        return {.family = F::Boolean};
    case SQL_TINYINT:
        return {.family = F::Integer, .integerBytes = 1};
    case SQL_SMALLINT:
        return {.family = F::Integer, .integerBytes = 2};
    case SQL_INTEGER:
        return {.family = F::Integer, .integerBytes = 4};
    case SQL_BIGINT:
        return {.family = F::Integer, .integerBytes = 8};
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return {.family = F::Decimal};
    case SQL_REAL:
        return {.family = F::Real};
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return {.family = F::Double};
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return {.family = F::Date};
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return {.family = F::Time};
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return {.family = F::Timestamp};
    case SQL_GUID:
        return {.family = F::Guid};
    default:
        return {};
    }
}

} // namespace db
