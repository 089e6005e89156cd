#include "ExactTypes.h"

#include "Datatype.h"
#include "db/SqlClass.h"

#include <algorithm>

namespace transfer {

using namespace kernel;

namespace {

// A zoned timestamp kept as its text: YYYY-MM-DD HH:MM:SS.fffffffff +HH:MM
// with room to spare.
constexpr qint64 zonedTextCharacters = 40;

using Kind = ColumnType::Kind;

ColumnType make(Kind kind, qint64 length = 0, int precision = 0, int scale = 0) {
    ColumnType type;
    type.kind = kind;
    type.length = length;
    type.precision = precision;
    type.scale = scale;
    return type;
}

// A DB2 string declared in CODEUNITS32 holds that many characters within its
// byte limit: a quarter of it, since a character takes up to four bytes.
constexpr qint64 db2Characters(int bytes) {
    return bytes / limits::utf8BytesPerCharacter;
}

ColumnType text(Side target, qint64 characters, bool fixed) {
    if (characters <= 0) {
        return make(Kind::Clob);
    }
    if (target == Side::Oracle) {
        if (fixed && characters <= limits::oracleCharBytes) {
            ColumnType type = make(Kind::Char, characters);
            type.byteLimit = limits::oracleCharBytes;
            return type;
        }
        if (characters <= limits::oracleVarcharBytes) {
            ColumnType type = make(Kind::Varchar, characters);
            type.byteLimit = limits::oracleVarcharBytes;
            return type;
        }
        return make(Kind::Clob);
    }
    if (fixed && characters <= db2Characters(limits::db2CharBytes)) {
        return make(Kind::Char, characters);
    }
    if (characters <= db2Characters(limits::db2VarcharBytes)) {
        return make(Kind::Varchar, characters);
    }
    return make(Kind::Clob);
}

ColumnType binary(Side target, qint64 bytes, bool fixed) {
    if (bytes <= 0) {
        return make(Kind::Blob);
    }
    if (target == Side::Oracle) {
        // RAW keeps exactly the bytes it is given; a fixed-length source
        // gives the same number every time.
        return bytes <= limits::oracleRawBytes ? make(Kind::Varbinary, bytes) : make(Kind::Blob);
    }
    if (fixed && bytes <= limits::db2BinaryBytes) {
        return make(Kind::Binary, bytes);
    }
    return bytes <= limits::db2VarbinaryBytes ? make(Kind::Varbinary, bytes) : make(Kind::Blob);
}

// Digits a number's text takes at most: sign, digits, point.
ColumnType numberAsText(Side target, int precision) {
    return text(target, precision + 2, false);
}

ColumnType unboundedDecimal(Side target) {
    return target == Side::Oracle ? make(Kind::Number) : make(Kind::DecFloat);
}

ColumnType decimal(Side target, int precision, int scale) {
    if (precision <= 0) {
        return unboundedDecimal(target);
    }
    // NUMBER(5,-2) holds 1234500; NUMBER(3,5) holds 0.00123.
    if (scale < 0) {
        precision -= scale;
        scale = 0;
    }
    precision = std::max(precision, scale);
    const int most = target == Side::Oracle ? limits::oracleNumberDigits : limits::db2DecimalDigits;
    if (precision <= most) {
        return make(Kind::Decimal, 0, precision, scale);
    }
    if (target == Side::Db2 && precision <= limits::decFloatDigits) {
        return make(Kind::DecFloat);
    }
    return numberAsText(target, precision);
}

ColumnType integer(Side target, int digits, Kind db2Kind) {
    return target == Side::Oracle ? make(Kind::Decimal, 0, digits, 0) : make(db2Kind);
}

// A time of day: DB2's TIME has no fraction and Oracle has no TIME at all;
// otherwise it is kept as its text HH:MM:SS[.f].
ColumnType timeOfDay(Side target, int fractionDigits) {
    if (target == Side::Db2 && fractionDigits == 0) {
        return make(Kind::Time);
    }
    return text(target, 8 + (fractionDigits > 0 ? fractionDigits + 1 : 0), false);
}

ColumnType timestamp(Side target, int fractionDigits) {
    const int most =
        target == Side::Oracle ? limits::oracleTimestampDigits : limits::db2TimestampDigits;
    fractionDigits = std::max(fractionDigits, 0);
    if (fractionDigits <= most) {
        return make(Kind::Timestamp, 0, 0, fractionDigits);
    }
    return text(target, 20 + fractionDigits, false);
}

ColumnType mapped(Side target, const db::ColumnDescription& source) {
    const qint64 size = source.size;
    const bool isUnsigned = source.isUnsigned;
    if (source.zoned) {
        // Neither target keeps an offset in a type both have: the instant
        // stays whole as text.
        return text(target, zonedTextCharacters, false);
    }
    using F = db::SqlFamily;
    const db::SqlClass type = db::ClassOfSqlType(source.sqlType);
    switch (type.family) {
    case F::Text:
        // Drivers give a long type a size of their own choosing (psqlODBC
        // says 8190 for every TEXT): no VARCHAR is sized from it.
        return type.isLong ? make(Kind::Clob) : text(target, size, type.fixed);
    case F::Decimal:
        // (DB2's DECFLOAT comes without a precision: unbounded.)
        return decimal(target, int(std::min<qint64>(size, 1000)), source.decimalDigits);
    case F::Integer:
        switch (type.integerBytes) {
        case 1:
            return integer(target, 3, Kind::SmallInt);
        case 2:
            return isUnsigned ? integer(target, 5, Kind::Integer)
                              : integer(target, 5, Kind::SmallInt);
        case 4:
            return isUnsigned ? integer(target, 10, Kind::BigInt)
                              : integer(target, 10, Kind::Integer);
        default:
            return isUnsigned ? make(Kind::Decimal, 0, 20, 0) : integer(target, 19, Kind::BigInt);
        }
    case F::Real:
        return make(Kind::Real);
    case F::Double:
        // Oracle's driver calls NUMBER without a precision, and FLOAT(b),
        // a double; both are decimal.
        return db::IsDecimalTypeName(source.typeName) ? unboundedDecimal(target)
                                                      : make(Kind::Double);
    case F::Boolean:
        return target == Side::Oracle ? make(Kind::Decimal, 0, 1, 0) : make(Kind::Boolean);
    case F::Date:
        return make(Kind::Date);
    case F::Time:
        return timeOfDay(target, source.decimalDigits);
    case F::Timestamp:
        // Oracle's DATE comes as a timestamp without fraction: its time of
        // day stays.
        return timestamp(target, source.decimalDigits);
    case F::Bytes:
        return type.isLong ? make(Kind::Blob) : binary(target, size, type.fixed);
    case F::Guid:
        return text(target, 36, true);
    case F::Other:
        break;
    }
    return make(Kind::Clob);
}

QString sized(QStringView name, qint64 length, QStringView unit = {}) {
    return QStringLiteral("%1(%2%3)").arg(name).arg(length).arg(unit);
}

QString spelled(const ColumnType& type, const db::TypeSpelling& types) {
    switch (type.kind) {
    case Kind::Char:
        return sized(u"CHAR", type.length, types.lengthUnit);
    case Kind::Varchar:
        if (types.longestVarchar > 0 && type.length > types.longestVarchar) {
            return sized(types.longVarchar, type.length);
        }
        return sized(u"VARCHAR", type.length, types.lengthUnit);
    case Kind::Clob:
        return types.clob.toString();
    case Kind::Binary:
        return types.fixedBinary ? sized(u"BINARY", type.length)
                                 : spelled(make(Kind::Varbinary, type.length), types);
    case Kind::Varbinary:
        if (types.longestVarbinary > 0 && type.length > types.longestVarbinary) {
            return sized(types.longVarbinary, type.length);
        }
        return types.varbinarySized ? sized(types.varbinary, type.length)
                                    : types.varbinary.toString();
    case Kind::Blob:
        return types.blob.toString();
    case Kind::SmallInt:
        return QStringLiteral("SMALLINT");
    case Kind::Integer:
        return QStringLiteral("INTEGER");
    case Kind::BigInt:
        return QStringLiteral("BIGINT");
    case Kind::Decimal:
        return QStringLiteral("DECIMAL(%1,%2)").arg(type.precision).arg(type.scale);
    case Kind::Number:
        return QStringLiteral("NUMBER");
    case Kind::DecFloat:
        return types.decFloat.toString();
    case Kind::Real:
        return types.real.toString();
    case Kind::Double:
        return types.doublePrecision.toString();
    case Kind::Boolean:
        return QStringLiteral("BOOLEAN");
    case Kind::Date:
        return QStringLiteral("DATE");
    case Kind::Time:
        return type.scale > 0 ? sized(u"TIME", type.scale) : QStringLiteral("TIME");
    case Kind::Timestamp:
        return sized(types.timestamp, std::min(type.scale, types.timestampDigits));
    }
    return types.clob.toString();
}

} // namespace

ColumnType FittedNumber(Side target, int wholeDigits, int fractionDigits) {
    return decimal(target, std::max(wholeDigits, 1) + fractionDigits, fractionDigits);
}

ColumnType FittedText(Side target, qint64 characters, qint64 bytes) {
    if (target == Side::Oracle && bytes > limits::oracleVarcharBytes) {
        return make(Kind::Clob);
    }
    return text(target, std::max<qint64>(characters, 1), false);
}

bool Fittable(const ColumnType& type) {
    return type.kind == Kind::Number || type.kind == Kind::DecFloat || type.kind == Kind::Clob;
}

ColumnType ExactColumnType(Side target, const db::ColumnDescription& source) {
    ColumnType type = mapped(target, source);
    type.notNull = source.nullable == db::ColumnDescription::Nullable::No;
    return type;
}

db::ServerKind DialectOf(Side target, db::ServerKind server) {
    if (server != db::ServerKind::Other) {
        return server;
    }
    return target == Side::Oracle ? db::ServerKind::Oracle : db::ServerKind::Db2;
}

QString ColumnTypeName(const ColumnType& type, db::ServerKind dialect) {
    return spelled(type, db::BehaviorOf(dialect).types);
}

QString ColumnTypeText(const ColumnType& type, db::ServerKind dialect) {
    QString text = u' ' + ColumnTypeName(type, dialect);
    text += type.notNull ? QStringView(u" NOT NULL,") : QStringView(u",");
    return text;
}

std::optional<ColumnType> DefaultColumnLimits(Side target, int adoCode) {
    const QString text = ColumnTypeFor(target, adoCode);
    if (text == columnTypeTexts::varchar2000) {
        ColumnType type = make(Kind::Varchar, limits::defaultOracleVarchar);
        type.byteLimit = limits::oracleVarcharBytes;
        return type;
    }
    if (text == columnTypeTexts::longVarchar) {
        ColumnType type = make(Kind::Varchar, limits::db2LongVarcharBytes);
        type.byteLimit = limits::db2LongVarcharBytes;
        return type;
    }
    return std::nullopt;
}

} // namespace transfer
