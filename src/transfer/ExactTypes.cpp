#include "ExactTypes.h"

#include <algorithm>
#include <sql.h>
#include <sqlext.h>

namespace transfer {

namespace {

// DB2 CLI's own type codes, beyond the ODBC ones.
constexpr int db2Graphic = -95, db2Vargraphic = -96, db2LongVargraphic = -97, db2Blob = -98,
              db2Clob = -99, db2Dbclob = -350, db2Decfloat = -360, db2Xml = -370, db2Boolean = 16;

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
    switch (source.sqlType) {
    case SQL_CHAR:
    case SQL_WCHAR:
    case db2Graphic:
        return text(target, size, true);
    case SQL_VARCHAR:
    case SQL_WVARCHAR:
    case db2Vargraphic:
        return text(target, size, false);
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case db2LongVargraphic:
    case db2Clob:
    case db2Dbclob:
    case db2Xml:
        // Drivers give a long type a size of their own choosing (psqlODBC
        // says 8190 for every TEXT): no VARCHAR is sized from it.
        return make(Kind::Clob);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return decimal(target, int(std::min<qint64>(size, 1000)), source.decimalDigits);
    case db2Decfloat:
        return unboundedDecimal(target);
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
    case db2Boolean:
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
    case db2Blob:
        return make(Kind::Blob);
    case SQL_GUID:
        return text(target, 36, true);
    default:
        return make(Kind::Clob);
    }
}

QString sized(const char* name, qint64 length, const char* unit = "") {
    return QStringLiteral("%1(%2%3)")
        .arg(QLatin1StringView(name))
        .arg(length)
        .arg(QLatin1StringView(unit));
}

// MariaDB keeps a row's VARCHARs within 65 535 bytes: longer ones become the
// TEXT and BLOB types that hold that much.
constexpr qint64 mariaDbVarcharCharacters = 1000;
constexpr qint64 mariaDbVarbinaryBytes = 4000;
// PostgreSQL and MariaDB keep six fractional digits.
constexpr int standInFractionDigits = 6;

QString spelled(const ColumnType& type, Dialect dialect) {
    const bool oracleLike = dialect == Dialect::Oracle || dialect == Dialect::PostgreSql;
    switch (type.kind) {
    case Kind::Char:
        return dialect == Dialect::Db2 ? sized("CHAR", type.length, " CODEUNITS32")
                                       : sized("CHAR", type.length);
    case Kind::Varchar:
        if (dialect == Dialect::Db2) {
            return sized("VARCHAR", type.length, " CODEUNITS32");
        }
        if (dialect == Dialect::MariaDb && type.length > mariaDbVarcharCharacters) {
            return sized("TEXT", type.length);
        }
        return sized("VARCHAR", type.length);
    case Kind::Clob:
        return dialect == Dialect::Db2       ? QStringLiteral("CLOB(2G)")
               : dialect == Dialect::MariaDb ? QStringLiteral("LONGTEXT")
                                             : QStringLiteral("CLOB");
    case Kind::Binary:
        return oracleLike ? spelled(make(Kind::Varbinary, type.length), dialect)
                          : sized("BINARY", type.length);
    case Kind::Varbinary:
        switch (dialect) {
        case Dialect::Oracle:
            return sized("RAW", type.length);
        case Dialect::PostgreSql:
            return QStringLiteral("BYTEA"); // a domain takes no length
        case Dialect::MariaDb:
            if (type.length > mariaDbVarbinaryBytes) {
                return sized("BLOB", type.length);
            }
            [[fallthrough]];
        case Dialect::Db2:
            return sized("VARBINARY", type.length);
        }
        break;
    case Kind::Blob:
        return dialect == Dialect::Db2       ? QStringLiteral("BLOB(2G)")
               : dialect == Dialect::MariaDb ? QStringLiteral("LONGBLOB")
                                             : QStringLiteral("BLOB");
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
        return dialect == Dialect::MariaDb ? QStringLiteral("DECIMAL(65,30)")
                                           : QStringLiteral("DECFLOAT(34)");
    case Kind::Real:
        return oracleLike                    ? QStringLiteral("BINARY_FLOAT")
               : dialect == Dialect::MariaDb ? QStringLiteral("FLOAT")
                                             : QStringLiteral("REAL");
    case Kind::Double:
        return oracleLike ? QStringLiteral("BINARY_DOUBLE") : QStringLiteral("DOUBLE");
    case Kind::Boolean:
        return QStringLiteral("BOOLEAN");
    case Kind::Date:
        return QStringLiteral("DATE");
    case Kind::Time:
        return type.scale > 0 ? sized("TIME", type.scale) : QStringLiteral("TIME");
    case Kind::Timestamp: {
        const bool standIn = dialect == Dialect::PostgreSql || dialect == Dialect::MariaDb;
        const int digits = standIn ? std::min(type.scale, standInFractionDigits) : type.scale;
        return sized(dialect == Dialect::MariaDb ? "DATETIME" : "TIMESTAMP", digits);
    }
    }
    return QStringLiteral("CLOB");
}

// The digits of a decimal text such as -0012.3400 or 1.5E+3, counted as the
// server counts them: before the point without leading zeros, after it
// without trailing ones.
struct Digits {
    int whole = 0;
    int fraction = 0;
    int significant = 0;
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
        const int exponent = text.sliced(at + 1).toInt(&ok);
        if (!ok || exponent > 1000 || exponent < -1000) {
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

Dialect DialectOf(Target target, QStringView dbmsName) {
    if (dbmsName.startsWith(u"PostgreSQL", Qt::CaseInsensitive)) {
        return Dialect::PostgreSql;
    }
    if (dbmsName.startsWith(u"MariaDB", Qt::CaseInsensitive) ||
        dbmsName.startsWith(u"MySQL", Qt::CaseInsensitive)) {
        return Dialect::MariaDb;
    }
    return target == Target::Oracle ? Dialect::Oracle : Dialect::Db2;
}

QString ColumnTypeName(const ColumnType& type, Dialect dialect) {
    return spelled(type, dialect);
}

QString ColumnTypeText(const ColumnType& type, Dialect dialect) {
    QString text = u' ' + spelled(type, dialect);
    text += type.notNull ? QStringView(u" NOT NULL,") : QStringView(u",");
    return text;
}

db::BulkInsert::Binding BindingFor(const ColumnType& type, const db::ColumnDescription& source) {
    using Binding = db::BulkInsert::Binding;
    if (source.sqlType == SQL_BIT || source.sqlType == db2Boolean) {
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
