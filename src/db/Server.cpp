#include "Server.h"

#include <array>
#include <sql.h>
#include <sqlext.h>

namespace db {

namespace {

using namespace Qt::StringLiterals;

// Oracle counts a CHAR or VARCHAR2's length in characters once the session
// is told (characterLengthSetUp).
const TypeSpelling oracleTypes{
    .lengthUnit = {},
    .clob = u"CLOB",
    .blob = u"BLOB",
    .longestVarchar = 0,
    .longVarchar = {},
    .longestVarbinary = 0,
    .longVarbinary = {},
    .varbinary = u"RAW",
    .varbinarySized = true,
    .fixedBinary = false,
    .decFloat = u"NUMBER",
    .real = u"BINARY_FLOAT",
    .doublePrecision = u"BINARY_DOUBLE",
    .timestamp = u"TIMESTAMP",
    .timestampDigits = 9,
};

// A Unicode database, its lengths written in characters.
const TypeSpelling db2Types{
    .lengthUnit = u" CODEUNITS32",
    .clob = u"CLOB(2G)",
    .blob = u"BLOB(2G)",
    .longestVarchar = 0,
    .longVarchar = {},
    .longestVarbinary = 0,
    .longVarbinary = {},
    .varbinary = u"VARBINARY",
    .varbinarySized = true,
    .fixedBinary = true,
    .decFloat = u"DECFLOAT(34)",
    .real = u"REAL",
    .doublePrecision = u"DOUBLE",
    .timestamp = u"TIMESTAMP",
    .timestampDigits = 12,
};

// scripts/standin.sh makes domains of Oracle's names (CLOB, BLOB, NUMBER,
// BINARY_FLOAT, BINARY_DOUBLE); a domain takes no length, so RAW(n) is
// BYTEA. PostgreSQL counts characters and keeps six fractional digits.
const TypeSpelling postgreSqlTypes = [] {
    TypeSpelling types = oracleTypes;
    types.varbinary = u"BYTEA";
    types.varbinarySized = false;
    types.timestampDigits = 6;
    return types;
}();

// MariaDB has neither domains nor DB2's names; it counts characters, keeps
// a row's VARCHARs within 64 KiB and six fractional digits.
const TypeSpelling mariaDbTypes = [] {
    TypeSpelling types = db2Types;
    types.lengthUnit = {};
    types.clob = u"LONGTEXT";
    types.blob = u"LONGBLOB";
    types.longestVarchar = 1000;
    types.longVarchar = u"TEXT";
    types.longestVarbinary = 4000;
    types.longVarbinary = u"BLOB";
    types.decFloat = u"DECIMAL(65,30)";
    types.real = u"FLOAT";
    types.timestamp = u"DATETIME";
    types.timestampDigits = 6;
    return types;
}();

// DB2 LUW has no function that reads hex digits as a number: each digit's
// place in '0123456789ABCDEF' (HEX writes upper case), weighted by 16^n.
const QString db2HexNumber = [] {
    QStringList digits;
    qint64 weight = qint64(1) << 56;
    for (int place = 1; place <= 15; ++place, weight /= 16) {
        digits << u"(LOCATE(SUBSTR(%1, "_s + QString::number(place) +
                      u", 1), '0123456789ABCDEF') - 1) * "_s + QString::number(weight);
    }
    return digits.join(u" + "_s);
}();

const ServerBehavior oracle{
    .kind = ServerKind::Oracle,
    // Oracle reads a quoted date, timestamp or number with the session's NLS
    // formats, which follow the client's NLS_LANG (by default DD-MON-RR, and
    // a decimal comma in many territories). The program writes 'YYYY-MM-DD',
    // 'YYYY-MM-DD HH:MM:SS[.f]' and a decimal point; Oracle lets a literal
    // leave out the time fields at the end of a format, so these take every
    // form. A zoned timestamp is read as text with its offset; one WITH
    // LOCAL TIME ZONE is given in the session's zone, which is therefore
    // UTC, and its offset is added by the reader.
    .sessionSetUp = {u"ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS'"_s,
                     u"ALTER SESSION SET NLS_TIMESTAMP_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF'"_s,
                     u"ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT = "
                     "'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM'"_s,
                     u"ALTER SESSION SET TIME_ZONE = '+00:00'"_s,
                     u"ALTER SESSION SET NLS_NUMERIC_CHARACTERS = '.,'"_s},
    // A VARCHAR2's length is bytes unless the session says otherwise; the
    // drivers report characters.
    .characterLengthSetUp = {u"ALTER SESSION SET NLS_LENGTH_SEMANTICS = CHAR"_s},
    // Oracle has no Boolean literal that a NUMBER(1) takes.
    .literals = {u"1", u"0", u"HEXTORAW('", u"')"},
    // ORA-01704 past 4 000 bytes (32 767 only where MAX_STRING_SIZE is
    // EXTENDED, which the program does not assume); HEXTORAW's argument is
    // such a literal. No length of a statement's own.
    // A login that may not read V$PARAMETER keeps the standard limit: a
    // value bound that could have been a literal arrives all the same.
    .literalLimits = {.literalBytes = 4000,
                      .statementBytes = 0,
                      .extendedQuery =
                          u"SELECT VALUE FROM V$PARAMETER WHERE NAME = 'max_string_size'",
                      .extendedLiteralBytes = 32767},
    .sessionZoneTypes = {u"LOCAL TIME ZONE"_s},
    .sessionZoneOffset = u" +00:00",
    .unboundedNumbers = {},
    .fit = {.magnitude = u"ABS(%1)",
            .fractionDigits = u"LENGTH(TO_CHAR(ABS(%1) - TRUNC(ABS(%1)))) - 1",
            .characters = u"LENGTH(%1)",
            .bytes = u"LENGTHB(%1)"},
    .types = oracleTypes,
    // BINARY is the byte order of the database's character set, AL32UTF8.
    .order = {.codePoints = u"NLSSORT(%1, 'NLS_SORT=BINARY')",
              .number = u"TO_NUMBER(%1)",
              .wholeNumber = u"TO_NUMBER(%1)",
              .wideNumber = u"%1",
              .keyText = u"TO_CHAR(%1)",
              .md5Hex = u"RAWTOHEX(STANDARD_HASH(%1, 'MD5'))",
              .hexNumber = u"TO_NUMBER(SUBSTR(%1, 1, 15), 'XXXXXXXXXXXXXXX')",
              .nullsFirst = u" NULLS FIRST",
              .sortsLongValues = false,
              .setUp = {}},
    .checksum = checksums::oracle,
};

const ServerBehavior db2{
    .kind = ServerKind::Db2,
    // DB2 reads 'YYYY-MM-DD' and a decimal point whatever its territory.
    .sessionSetUp = {},
    .characterLengthSetUp = {},
    .literals = {u"TRUE", u"FALSE", u"HEXTORAW('", u"')"},
    // SQL0102N past 32 672 bytes; SQL0101N for a statement past 2 MiB.
    .literalLimits = {.literalBytes = 32672, .statementBytes = 2097152},
    .sessionZoneTypes = {},
    .sessionZoneOffset = {},
    .unboundedNumbers = {},
    .fit = {.magnitude = {},
            .fractionDigits = {},
            .characters = u"CHARACTER_LENGTH(%1 USING CODEUNITS32)",
            .bytes = u"OCTET_LENGTH(%1)"},
    .types = db2Types,
    // FOR BIT DATA compares the bytes, not by the database's collation.
    .order = {.codePoints = u"CAST(%1 AS VARCHAR(32672) FOR BIT DATA)",
              .number = u"DECFLOAT(%1)",
              .wholeNumber = u"DECFLOAT(%1)",
              // DECIMAL(31, 0) by DECIMAL(31, 0): scale 0, the digits after
              // the point cut off.
              .wholeDivision = u"(%1) / %2",
              .narrowDivision = u"(%1) / %2",
              .wideNumber = u"CAST(%1 AS DECIMAL(31, 0))",
              // Without a decimal point where the scale is 0 (since 9.7).
              .keyText = u"VARCHAR(%1)",
              .md5Hex = u"HEX(HASH(%1, 0))",
              .hexNumber = db2HexNumber,
              .wideSum = u"SUM(CAST(%1 AS DECIMAL(31, 0)))",
              .nullsFirst = u" NULLS FIRST",
              .sortsLongValues = false,
              .setUp = {}},
    .checksum = checksums::db2,
};

// The stand-ins play the vendors' servers: they take the same literals
// (scripts/standin.sh gives both a HEXTORAW function, and PostgreSQL an
// integer-to-boolean assignment cast), count characters anyway and read the
// program's date forms whatever their settings. They would take literals of
// any length, but keep the vendor's limits, so that a copy to them binds the
// values a copy to the vendor's server must bind.
const ServerBehavior postgreSql{
    .kind = ServerKind::PostgreSql,
    // timestamptz is an instant, given in the session's zone; psqlODBC
    // leaves out the offset even in its text.
    .sessionSetUp = {u"SET TIME ZONE 'UTC'"_s},
    .characterLengthSetUp = {},
    .literals = oracle.literals,
    .literalLimits = oracle.literalLimits,
    .sessionZoneTypes = {u"TIMESTAMPTZ"_s},
    .sessionZoneOffset = u" +00:00",
    .unboundedNumbers = u"SELECT column_name FROM information_schema.columns WHERE "
                        u"table_schema = current_schema() AND table_name = %1 AND "
                        u"data_type = 'numeric' AND numeric_precision IS NULL",
    .fit = {.magnitude = u"ABS(%1)",
            .fractionDigits = u"SCALE(%1)",
            .characters = u"CHAR_LENGTH(%1)",
            .bytes = u"OCTET_LENGTH(%1)"},
    .types = postgreSqlTypes,
    .order = {.codePoints = u"(%1) COLLATE \"C\"",
              .number = u"CAST(%1 AS NUMERIC)",
              .wholeNumber = u"CAST(%1 AS NUMERIC)",
              .wholeDivision = u"DIV(%1, %2)",
              .narrowDivision = u"(%1) / %2",
              .wideNumber = u"CAST(%1 AS NUMERIC)",
              .keyText = u"CAST(%1 AS TEXT)",
              .md5Hex = u"MD5(%1)",
              .hexNumber = u"CAST(CAST('x' || SUBSTR(%1, 1, 15) AS BIT(60)) AS BIGINT)",
              .nullsFirst = u" NULLS FIRST",
              .sortsLongValues = true,
              .setUp = {}},
    .checksum = checksums::postgreSql,
};

const ServerBehavior mariaDb{
    .kind = ServerKind::MariaDb,
    .sessionSetUp = {},
    .characterLengthSetUp = {},
    .literals = db2.literals,
    .literalLimits = db2.literalLimits,
    .sessionZoneTypes = {},
    .sessionZoneOffset = {},
    .unboundedNumbers = {},
    .fit = {.magnitude = {},
            .fractionDigits = {},
            .characters = u"CHAR_LENGTH(%1)",
            .bytes = u"OCTET_LENGTH(%1)"},
    .types = mariaDbTypes,
    // NULL sorts first already. A text sorts by its first max_sort_length
    // bytes only (1 024 by default), and the sort buffer must hold a few rows
    // of such keys for every column: two long texts alike in their first
    // 16 KiB may come in either order, which the walk notices and reports.
    .order = {.codePoints = u"CAST(%1 AS BINARY)",
              .number = u"CAST(%1 AS DECIMAL(65, 30))",
              // Exact for unsigned keys past 2^63 too, which AS SIGNED is not.
              .wholeNumber = u"CAST(%1 AS DECIMAL(31, 0))",
              .wholeDivision = u"(%1) DIV %2",
              .narrowDivision = u"(%1) DIV %2",
              .wideNumber = u"CAST(%1 AS DECIMAL(31, 0))",
              .keyText = u"CAST(%1 AS CHAR)",
              // DB2's digit by digit form (db2HexNumber) gives the same
              // number here, ten times slower than CONV.
              .md5Hex = u"MD5(%1)",
              .hexNumber = u"CAST(CONV(SUBSTR(%1, 1, 15), 16, 10) AS UNSIGNED)",
              // SUM of integers is a DECIMAL already.
              .wideSum = u"SUM(%1)",
              .nullsFirst = {},
              .sortsLongValues = true,
              .setUp = {u"SET SESSION max_sort_length = 16384"_s,
                        u"SET SESSION sort_buffer_size = 67108864"_s}},
    .checksum = checksums::mariaDb,
};

// Not one the program knows: the copy writes for the target's vendor.
const ServerBehavior otherServer{
    .kind = ServerKind::Other,
    .sessionSetUp = {},
    .characterLengthSetUp = {},
    .literals = db2.literals,
    .literalLimits = db2.literalLimits,
    .sessionZoneTypes = {},
    .sessionZoneOffset = {},
    .unboundedNumbers = {},
    .fit = {},
    .types = db2Types,
    .order = db2.order,
    .checksum = db2.checksum,
};

ServerKind serverKindOf(const QString& dbmsName) {
    if (dbmsName.startsWith(u"Oracle", Qt::CaseInsensitive)) {
        return ServerKind::Oracle;
    }
    // DB2/LINUXX8664, DB2/NT64, DB2 for z/OS ("DSN..."), DB2 for i ("AS").
    if (dbmsName.startsWith(u"DB2", Qt::CaseInsensitive)) {
        return ServerKind::Db2;
    }
    if (dbmsName.startsWith(u"PostgreSQL", Qt::CaseInsensitive)) {
        return ServerKind::PostgreSql;
    }
    if (dbmsName.startsWith(u"MariaDB", Qt::CaseInsensitive) ||
        dbmsName.startsWith(u"MySQL", Qt::CaseInsensitive)) {
        return ServerKind::MariaDb;
    }
    return ServerKind::Other;
}

} // namespace

const ServerBehavior& BehaviorOf(ServerKind kind) {
    switch (kind) {
    case ServerKind::Oracle:
        return oracle;
    case ServerKind::Db2:
        return db2;
    case ServerKind::PostgreSql:
        return postgreSql;
    case ServerKind::MariaDb:
        return mariaDb;
    case ServerKind::Other:
        break;
    }
    return otherServer;
}

ServerProfile ClassifyServer(const QString& dbmsName, const QString& driverName,
                             const QString& driverVersion) {
    ServerProfile profile{
        dbmsName, driverName, driverVersion, serverKindOf(dbmsName), DriverKindOf(driverName), {}};
    profile.literalLimits = profile.server().literalLimits;
    return profile;
}

bool IsDecimalTypeName(QStringView typeName) {
    for (const char16_t* name : {u"NUMBER", u"NUMERIC", u"DECIMAL", u"DECFLOAT", u"FLOAT"}) {
        if (typeName.compare(QStringView(name), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool IsZonedTypeName(QStringView typeName) {
    // psqlODBC names a plain timestamp "timestamp without time zone".
    return (typeName.contains(u"TIME ZONE", Qt::CaseInsensitive) &&
            !typeName.contains(u"WITHOUT", Qt::CaseInsensitive)) ||
           typeName.compare(u"TIMESTAMPTZ", Qt::CaseInsensitive) == 0 ||
           typeName.compare(u"TIMETZ", Qt::CaseInsensitive) == 0;
}

namespace {

using namespace columnTypeTexts;

constexpr std::array<DefaultTypeRule, 10> db2Rules{{
    {QLatin1StringView("adlongvarwchar"), longVarchar},
    {QLatin1StringView("advarwchar"), longVarchar},
    {QLatin1StringView("char"), longVarchar},
    {QLatin1StringView("single"), longVarchar},
    {QLatin1StringView("int"), longVarchar},
    {QLatin1StringView("date"), date},
    {QLatin1StringView("currency"), longVarchar},
    {QLatin1StringView("bool"), longVarchar},
    {QLatin1StringView("double"), longVarchar},
    {QLatin1StringView("adlongvarbinary"), longVarchar},
}};

constexpr std::array<DefaultTypeRule, 6> oracleRules{{
    {QLatin1StringView("char"), varchar2000},
    {QLatin1StringView("longvar"), varchar2000},
    {QLatin1StringView("int"), numeric},
    {QLatin1StringView("currency"), numeric},
    {QLatin1StringView("date"), date},
    {QLatin1StringView("bool"), boolean},
}};

} // namespace

const DefaultTypeRules& DefaultTypeRulesOf(Side target) {
    static const DefaultTypeRules db2{db2Rules, longVarchar};
    static const DefaultTypeRules oracle{oracleRules, varchar2000};
    return target == Side::Db2 ? db2 : oracle;
}

BooleanWords DefaultBooleanWords(Side target) {
    if (target == Side::Oracle) {
        return {u"1", u"0"};
    }
    return {};
}

} // namespace db
