#include "AdoType.h"

#include "SqlClass.h"

namespace db {

int adoTypeFromSqlType(int sqlType, bool isUnsigned) {
    using F = SqlFamily;
    const SqlClass type = ClassOfSqlType(sqlType);
    switch (type.family) {
    case F::Text:
        if (type.wide) {
            return type.isLong ? ado::LongVarWChar : type.fixed ? ado::WChar : ado::VarWChar;
        }
        return type.isLong ? ado::LongVarChar : type.fixed ? ado::Char : ado::VarChar;
    case F::Bytes:
        return type.isLong ? ado::LongVarBinary : type.fixed ? ado::Binary : ado::VarBinary;
    case F::Decimal:
        return ado::Numeric;
    case F::Integer:
        switch (type.integerBytes) {
        case 1:
            return isUnsigned ? ado::UnsignedTinyInt : ado::TinyInt;
        case 2:
            return isUnsigned ? ado::UnsignedSmallInt : ado::SmallInt;
        case 4:
            return isUnsigned ? ado::UnsignedInt : ado::Integer;
        default:
            return isUnsigned ? ado::UnsignedBigInt : ado::BigInt;
        }
    case F::Real:
        return ado::Single;
    case F::Double:
        return ado::Double;
    case F::Boolean:
        return ado::Boolean;
    case F::Date:
        return ado::DBDate;
    case F::Time:
        return ado::DBTime;
    case F::Timestamp:
        return ado::DBTimeStamp;
    case F::Guid:
        return ado::Guid;
    case F::Other:
        break;
    }
    return ado::VarWChar;
}

} // namespace db
