#include "ExactTypes.h"

#include "Datatype.h"

#include <algorithm>
#include <sql.h>
#include <sqlext.h>

namespace transfer {

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

ColumnType text(Target target, qint64 characters, bool fixed) {
    if (characters <= 0) {
        return make(Kind::Clob);
    }
    if (target == Target::Oracle) {
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

ColumnType binary(Target target, qint64 bytes, bool fixed) {
    if (bytes <= 0) {
        return make(Kind::Blob);
    }
    if (target == Target::Oracle) {
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
ColumnType numberAsText(Target target, int precision) {
    return text(target, precision + 2, false);
}

ColumnType unboundedDecimal(Target target) {
    return target == Target::Oracle ? make(Kind::Number) : make(Kind::DecFloat);
}

ColumnType decimal(Target target, int precision, int scale) {
    if (precision <= 0) {
        return unboundedDecimal(target);
    }
    // NUMBER(5,-2) holds 1234500; NUMBER(3,5) holds 0.00123.
    if (scale < 0) {
        precision -= scale;
        scale = 0;
    }
    precision = std::max(precision, scale);
    const int most =
        target == Target::Oracle ? limits::oracleNumberDigits : limits::db2DecimalDigits;
    if (precision <= most) {
        return make(Kind::Decimal, 0, precision, scale);
    }
    if (target == Target::Db2 && precision <= limits::decFloatDigits) {
        return make(Kind::DecFloat);
    }
    return numberAsText(target, precision);
}

ColumnType integer(Target target, int digits, Kind db2Kind) {
    return target == Target::Oracle ? make(Kind::Decimal, 0, digits, 0) : make(db2Kind);
}

// A time of day: DB2's TIME has no fraction and Oracle has no TIME at all;
// otherwise it is kept as its text HH:MM:SS[.f].
ColumnType timeOfDay(Target target, int fractionDigits) {
    if (target == Target::Db2 && fractionDigits == 0) {
        return make(Kind::Time);
    }
    return text(target, 8 + (fractionDigits > 0 ? fractionDigits + 1 : 0), false);
}

ColumnType timestamp(Target target, int fractionDigits) {
    const int most =
        target == Target::Oracle ? limits::oracleTimestampDigits : limits::db2TimestampDigits;
    fractionDigits = std::max(fractionDigits, 0);
    if (fractionDigits <= most) {
        return make(Kind::Timestamp, 0, 0, fractionDigits);
    }
    return text(target, 20 + fractionDigits, false);
}

ColumnType mapped(Target target, const db::ColumnDescription& source) {
    const qint64 size = source.size;
    const bool isUnsigned = source.isUnsigned;
    if (source.zoned) {
        // Neither target keeps an offset in a type both have: the instant
        // stays whole as text.
        return text(target, zonedTextCharacters, false);
    }
    switch (source.sqlType) {
    case SQL_CHAR:
    case SQL_WCHAR:
        return text(target, size, true);
    case SQL_VARCHAR:
    case SQL_WVARCHAR:
        return text(target, size, false);
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        // Drivers give a long type a size of their own choosing (psqlODBC
        // says 8190 for every TEXT): no VARCHAR is sized from it.
        return make(Kind::Clob);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        // (DB2's DECFLOAT comes without a precision: unbounded.)
        return decimal(target, int(std::min<qint64>(size, 1000)), source.decimalDigits);
    case SQL_TINYINT:
        return integer(target, 3, Kind::SmallInt);
    case SQL_SMALLINT:
        return isUnsigned ? integer(target, 5, Kind::Integer) : integer(target, 5, Kind::SmallInt);
    case SQL_INTEGER:
        return isUnsigned ? integer(target, 10, Kind::BigInt) : integer(target, 10, Kind::Integer);
    case SQL_BIGINT:
        return isUnsigned ? make(Kind::Decimal, 0, 20, 0) : integer(target, 19, Kind::BigInt);
    case SQL_REAL:
        return make(Kind::Real);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        // Oracle's driver calls NUMBER without a precision, and FLOAT(b),
        // a double; both are decimal.
        return db::IsDecimalTypeName(source.typeName) ? unboundedDecimal(target)
                                                      : make(Kind::Double);
    case SQL_BIT:
        return target == Target::Oracle ? make(Kind::Decimal, 0, 1, 0) : make(Kind::Boolean);
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return make(Kind::Date);
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return timeOfDay(target, source.decimalDigits);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        // Oracle's DATE comes as a timestamp without fraction: its time of
        // day stays.
        return timestamp(target, source.decimalDigits);
    case SQL_BINARY:
        return binary(target, size, true);
    case SQL_VARBINARY:
        return binary(target, size, false);
    case SQL_LONGVARBINARY:
        return make(Kind::Blob);
    case SQL_GUID:
        return text(target, 36, true);
    default:
        return make(Kind::Clob);
    }
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

// The digits of a decimal text such as -0012.3400 or 1.5E+3, counted as the
// server counts them: before the point without leading zeros, after it
// without trailing ones.
struct Digits {
    int whole = 0;
    int fraction = 0;
    int significant = 0;
    // The value is below 10^magnitude and at least 10^(magnitude - 1); 0
    // for zero.
    int magnitude = 0;
};

std::optional<Digits> digitsOf(QStringView text) {
    qsizetype at = 0;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
        ++at;
    }
    QString digits; // every digit, the point removed
    qsizetype point = -1;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c.isDigit() && c.unicode() < 0x80) {
            digits += c;
        } else if (c == u'.' && point < 0) {
            point = digits.size();
        } else {
            break;
        }
    }
    if (point < 0) {
        point = digits.size();
    }
    if (at < text.size()) {
        if (text[at] != u'E' && text[at] != u'e') {
            return std::nullopt;
        }
        bool ok = false;
        // DECFLOAT(34) reaches 1E6144; the bound only keeps the sums in range.
        const int exponent = text.sliced(at + 1).toInt(&ok);
        if (!ok || exponent > 100000 || exponent < -100000) {
            return std::nullopt;
        }
        point += exponent;
    }
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0') {
        ++first;
    }
    if (first == digits.size()) {
        return Digits{}; // zero
    }
    qsizetype last = digits.size() - 1;
    while (digits[last] == u'0') {
        --last;
    }
    Digits counted;
    counted.whole = int(std::max<qsizetype>(point - first, 0));
    counted.fraction = int(std::max<qsizetype>(last + 1 - point, 0));
    counted.significant = int(last + 1 - first);
    counted.magnitude = int(point - first);
    return counted;
}

// Fractional-second digits of a time or timestamp text, trailing zeros left
// out.
int fractionDigitsOf(QStringView text) {
    const qsizetype point = text.lastIndexOf(u'.');
    if (point < 0 || text.indexOf(u':') < 0 || point < text.lastIndexOf(u':')) {
        return 0;
    }
    qsizetype end = text.size();
    while (end > point + 1 && text[end - 1] == u'0') {
        --end;
    }
    return int(end - point - 1);
}

qint64 charactersOf(const QString& text) {
    qint64 count = text.size();
    for (const QChar c : text) {
        if (c.isLowSurrogate()) {
            --count;
        }
    }
    return count;
}

qint64 utf8BytesOf(const QString& text) {
    qint64 bytes = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

} // namespace

ColumnType ExactColumnType(Target target, const db::ColumnDescription& source) {
    ColumnType type = mapped(target, source);
    type.notNull = source.nullable == db::ColumnDescription::Nullable::No;
    return type;
}

Dialect DialectOf(Target target, db::ServerKind server) {
    if (server != db::ServerKind::Other) {
        return server;
    }
    return target == Target::Oracle ? db::ServerKind::Oracle : db::ServerKind::Db2;
}

QString ColumnTypeName(const ColumnType& type, Dialect dialect) {
    return spelled(type, db::BehaviorOf(dialect).types);
}

QString ColumnTypeText(const ColumnType& type, Dialect dialect) {
    QString text = u' ' + ColumnTypeName(type, dialect);
    text += type.notNull ? QStringView(u" NOT NULL,") : QStringView(u",");
    return text;
}

db::BulkInsert::Binding BindingFor(const ColumnType& type, const db::ColumnDescription& source) {
    using Binding = db::BulkInsert::Binding;
    if (source.sqlType == SQL_BIT) {
        return Binding::Boolean;
    }
    switch (type.kind) {
    case Kind::Binary:
    case Kind::Varbinary:
    case Kind::Blob:
        return Binding::Binary;
    case Kind::SmallInt:
    case Kind::Integer:
    case Kind::BigInt:
        return Binding::Decimal;
    case Kind::Real:
    case Kind::Double:
        return Binding::Double;
    case Kind::Date:
        return Binding::Date;
    case Kind::Timestamp:
        return Binding::Timestamp;
    default:
        return Binding::Text;
    }
}

std::optional<ColumnType> DefaultColumnLimits(Target target, int adoCode) {
    const QString text = ColumnTypeFor(target, adoCode);
    if (text == u" VARCHAR(2000),") {
        ColumnType type = make(Kind::Varchar, limits::defaultOracleVarchar);
        type.byteLimit = limits::oracleVarcharBytes;
        return type;
    }
    if (text == u" LONG VARCHAR,") {
        ColumnType type = make(Kind::Varchar, limits::db2LongVarcharBytes);
        type.byteLimit = limits::db2LongVarcharBytes;
        return type;
    }
    return std::nullopt;
}

std::optional<QString> Misfit(const db::Value& value, const ColumnType& type) {
    if (value.isNull()) {
        return std::nullopt;
    }
    const QString& text = value.text();
    switch (type.kind) {
    case Kind::Char:
    case Kind::Varchar: {
        const qint64 characters = charactersOf(text);
        if (characters > type.length) {
            return QStringLiteral("it is %1 characters long").arg(characters);
        }
        // A UTF-16 unit takes at most three bytes in UTF-8.
        if (type.byteLimit > 0 && text.size() * 3 > type.byteLimit) {
            const qint64 bytes = utf8BytesOf(text);
            if (bytes > type.byteLimit) {
                return QStringLiteral("it takes %1 bytes, more than the %2 the server stores")
                    .arg(bytes)
                    .arg(type.byteLimit);
            }
        }
        return std::nullopt;
    }
    case Kind::Binary:
    case Kind::Varbinary:
        if (value.kind() == db::Value::Kind::Binary && text.size() / 2 > type.length) {
            return QStringLiteral("it is %1 bytes long").arg(text.size() / 2);
        }
        return std::nullopt;
    case Kind::Decimal:
    case Kind::Number:
    case Kind::DecFloat: {
        const std::optional<Digits> digits = digitsOf(text);
        if (!digits) {
            return std::nullopt; // not a number: the server says so itself
        }
        if (type.kind == Kind::Decimal) {
            if (digits->whole > type.precision - type.scale) {
                return QStringLiteral("it has %1 digits before the point").arg(digits->whole);
            }
            if (digits->fraction > type.scale) {
                return QStringLiteral("it has %1 digits after the point").arg(digits->fraction);
            }
            return std::nullopt;
        }
        const int most =
            type.kind == Kind::Number ? limits::oracleNumberDigits : limits::decFloatDigits;
        if (digits->significant > most) {
            return QStringLiteral("it has %1 significant digits").arg(digits->significant);
        }
        // Oracle rounds a smaller magnitude to 0 without a word.
        if (type.kind == Kind::Number && digits->significant > 0 &&
            (digits->magnitude > limits::oracleNumberMagnitude ||
             digits->magnitude <= limits::oracleNumberSmallestMagnitude)) {
            return QStringLiteral("its magnitude is outside 1E-130 to 1E126");
        }
        return std::nullopt;
    }
    case Kind::Time:
    case Kind::Timestamp: {
        const int digits = fractionDigitsOf(text);
        if (digits > type.scale) {
            return QStringLiteral("it has %1 fractional-second digits").arg(digits);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace transfer
