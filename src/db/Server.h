#pragma once
// What the program knows of each server and each ODBC driver, in one place.
// A connection is classified once, when it opens (SQL_DBMS_NAME,
// SQL_DRIVER_NAME, SQL_DRIVER_VER); everything a server or driver does
// differently is a named entry of the two behaviour tables below, which the
// rest of the program reads. Nothing else looks at a server's or driver's
// name.
//
// A driver's entries are what a seeded round trip measured through it
// against the server's own CHAR_LENGTH and MD5
// (tests/transfer/roundtrip_test.cpp), not what its documentation promises:
// MariaDB Connector/ODBC 3.1 loses the end of long wide texts it reads and
// appends a U+0000 to some wide texts bound in arrays, while the same texts
// as UTF-8 cross it exactly.
#include "ChecksumForms.h"
#include "ColumnDescription.h"
#include "Side.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <span>
#include <vector>

namespace db {

enum class ServerKind : unsigned char {
    Oracle,
    Db2,
    PostgreSql, // the Oracle stand-in
    MariaDb,    // the DB2 stand-in (MySQL alike)
    Other,
};

enum class DriverKind : unsigned char {
    OracleOdbc,  // Oracle's own (libsqora)
    Db2Cli,      // IBM Data Server Driver (libdb2)
    PsqlOdbc,    // psqlODBC
    MariaDbOdbc, // MariaDB Connector/ODBC
    Other,
};

// How text crosses the driver: as UTF-16 (SQL_C_WCHAR), or as the bytes of
// the server's own encoding, UTF-8 (SQL_C_CHAR), decoded by the program.
enum class TextForm : unsigned char { Utf16, Utf8 };

// How a typed column takes a Boolean and bytes inside an INSERT's text.
struct LiteralForms {
    QStringView trueWord;
    QStringView falseWord;
    QStringView bytesBefore; // then lower-case hex digits
    QStringView bytesAfter;
};

// The longest literal a server takes inside a statement, and the longest
// statement; 0 for no limit. A value past them is bound as a parameter
// instead. A literal is measured as it is written between its quotes: a
// text's UTF-8 bytes with each quote doubled, the hex digits of bytes.
struct LiteralLimits {
    qint64 literalBytes = 0;
    qint64 statementBytes = 0;
    // Where a session can say that it takes longer literals (Oracle's
    // MAX_STRING_SIZE = EXTENDED): the query whose one value says so, and
    // the longer limit.
    QStringView extendedQuery{};
    qint64 extendedLiteralBytes = 0;
};

// How a server spells the column types of a table created with exact types,
// where it has no type of the vendor's name or keeps less.
struct TypeSpelling {
    QStringView lengthUnit; // after a length in characters: " CODEUNITS32"
    QStringView clob;       // text of any length
    QStringView blob;       // bytes of any length
    // Beyond so many characters a VARCHAR becomes `longVarchar`(n), beyond
    // so many bytes a VARBINARY `longVarbinary`(n) (MariaDB keeps a row's
    // VARCHARs within 64 KiB); 0 for no such limit.
    qint64 longestVarchar = 0;
    QStringView longVarchar;
    qint64 longestVarbinary = 0;
    QStringView longVarbinary;
    QStringView varbinary;       // RAW, VARBINARY, or BYTEA
    bool varbinarySized = true;  // a domain (BYTEA) takes no length
    bool fixedBinary = true;     // BINARY(n); else the varying type
    QStringView decFloat;        // 34 significant digits
    QStringView real;            // binary single precision
    QStringView doublePrecision; // binary double precision
    QStringView timestamp;       // then (fractional digits)
    int timestampDigits = 12;    // the most fractional digits it keeps
};

// How a server sorts a key so that two servers give the same order: text by
// its code points (UTF-8 bytes, which sort the same), whatever collation the
// column has; text that holds numbers as numbers. Each form has %1 where
// the column goes.
struct OrderForms {
    QStringView codePoints;
    QStringView number;
    // The whole number a text holds (a key the copy wrote as text), and the
    // whole part of a division of a whole number of 0 or more by a larger
    // one: exact, where the general division rounds its quotient to so
    // many digits (PostgreSQL's numeric to 16), and cheaper, where a server
    // counts every row of a table in ranges of its key.
    QStringView wholeNumber;
    QStringView wholeDivision = u"FLOOR((%1) / %2)";
    // The same for integers that the server's integer types hold.
    QStringView narrowDivision = u"FLOOR((%1) / %2)";
    // A whole number in a type that holds the difference of any two keys of
    // 64 bits, signed or not, so that a key span is cut on the server
    // without overflow.
    QStringView wideNumber;
    // The fingerprint of a key set, which no choice of rows matches by
    // accident as a count and a plain sum of keys can: each key as its
    // decimal digits, hashed with MD5, the first 15 hex digits of the hash
    // read as a number and summed, every step on the server.
    QStringView keyText;   // a whole-number column's value as its digits
    QStringView md5Hex;    // a text's MD5, as hex digits
    QStringView hexNumber; // the number that a text's first 15 hex digits write
    // SUM in a type that no such sum overflows: DB2 sums a BIGINT as a
    // BIGINT and fails past its range (SQL0802).
    QStringView wideSum = u"SUM(%1)";
    QStringView nullsFirst; // after a term, so that NULL sorts before all else
    // Whether it sorts by a text or bytes of any length (Oracle and DB2
    // sort no LOB).
    bool sortsLongValues = false;
    // Run once on a connection that reads in key order.
    QStringList setUp;
};

// The vendors' own limits, which the type mapping keeps within whichever
// server answers on a side: the stand-ins play them.
namespace limits {
inline constexpr int oracleVarcharBytes = 4000;
inline constexpr int oracleCharBytes = 2000;
inline constexpr int oracleRawBytes = 2000;
inline constexpr int oracleNumberDigits = 38;
// NUMBER holds magnitudes from 1E-130 to below 1E126: a value below
// 10^oracleNumberMagnitude, and at least 10^oracleNumberSmallestMagnitude.
inline constexpr int oracleNumberMagnitude = 126;
inline constexpr int oracleNumberSmallestMagnitude = -130;
inline constexpr int oracleTimestampDigits = 9;
inline constexpr int db2DecimalDigits = 31;
inline constexpr int db2VarcharBytes = 32672;
inline constexpr int db2CharBytes = 255;
inline constexpr int db2BinaryBytes = 255;
inline constexpr int db2VarbinaryBytes = 32672;
inline constexpr int db2TimestampDigits = 12;
inline constexpr int decFloatDigits = 34;
inline constexpr int db2LongVarcharBytes = 32700;
inline constexpr int defaultOracleVarchar = 2000; // the default mapping's VARCHAR(2000)
// A character takes at most four bytes in UTF-8, which both targets store.
inline constexpr int utf8BytesPerCharacter = 4;
} // namespace limits

// The default mapping: a column type text for each ADO type name, by the
// first rule whose pattern the lower-cased name contains, else the
// fallback. The vendor's rules, whichever server answers on the side.
namespace columnTypeTexts {
inline constexpr QStringView longVarchar = u" LONG VARCHAR,";
inline constexpr QStringView date = u" DATE,";
inline constexpr QStringView varchar2000 = u" VARCHAR(2000),";
inline constexpr QStringView numeric = u" NUMERIC,";
inline constexpr QStringView boolean = u" BOOL,";
} // namespace columnTypeTexts
struct DefaultTypeRule {
    QLatin1StringView pattern;
    QStringView text;
};
struct DefaultTypeRules {
    std::span<const DefaultTypeRule> rules;
    QStringView fallback;
};
const DefaultTypeRules& DefaultTypeRulesOf(Side target);

// How the default mapping writes a Boolean into an INSERT's text, where the
// vendor's column holds a number (Oracle has no BOOLEAN before 23ai); empty
// where the value goes as its text.
struct BooleanWords {
    QStringView trueWord;
    QStringView falseWord;
};
BooleanWords DefaultBooleanWords(Side target);

struct ServerBehavior {
    ServerKind kind = ServerKind::Other;
    // Run right after a connection opens, so that the literals the program
    // writes (dates, timestamps, decimal points) and the texts it reads
    // (zoned timestamps with their offset) mean the same whatever the
    // client's locale.
    QStringList sessionSetUp;
    // Run before a CREATE TABLE whose lengths are characters, where the
    // server counts bytes unless told otherwise.
    QStringList characterLengthSetUp;
    LiteralForms literals;
    LiteralLimits literalLimits;
    // Zoned types whose values the server (or its driver) gives as text in
    // the session's zone and without an offset: Oracle's TIMESTAMP WITH
    // LOCAL TIME ZONE, PostgreSQL's timestamptz through psqlODBC. The
    // session's zone is set to UTC, and the reader adds its offset.
    QStringList sessionZoneTypes;
    QStringView sessionZoneOffset;
    // Where the driver describes a number declared without a precision as
    // one with (psqlODBC says NUMERIC(28,6)): a query of the catalogue for
    // a table's such columns, %1 the table's name as a literal.
    QStringView unboundedNumbers;
    // What fitting types to the data measures of a column (%1 its quoted
    // name), each the largest over the table; empty where the server has
    // no such expression, and such a column is not fitted.
    struct FitForms {
        QStringView magnitude;      // of a number: its absolute value
        QStringView fractionDigits; // after it
        QStringView characters;     // of a text
        QStringView bytes;          // of a text, as the server stores it
    } fit;
    TypeSpelling types;
    OrderForms order;
    ChecksumForms checksum{};
};

struct DriverBehavior {
    DriverKind kind = DriverKind::Other;
    TextForm readText = TextForm::Utf16;
    TextForm bindText = TextForm::Utf16;
    // SQLSTATEs besides class 08 that mean the session is gone: psqlODBC
    // passes on the server's own 57P01 (terminated by the administrator).
    QStringList lostConnectionStates;
    // The driver's own SQL type codes, beyond ODBC's: each read as the
    // standard type it stands for.
    struct VendorType {
        int code;
        int standardType;
        // A decimal whose exponent floats (DB2's DECFLOAT): no fixed
        // precision or scale, whatever size the driver gives.
        bool floatingDecimal = false;
    };
    std::vector<VendorType> vendorTypes;
};

const ServerBehavior& BehaviorOf(ServerKind kind);
const DriverBehavior& BehaviorOf(DriverKind kind);

// The classification of one connection.
struct ServerProfile {
    QString dbmsName;      // SQL_DBMS_NAME
    QString driverName;    // SQL_DRIVER_NAME
    QString driverVersion; // SQL_DRIVER_VER
    ServerKind serverKind = ServerKind::Other;
    DriverKind driverKind = DriverKind::Other;

    // The server table's, or the longer ones its session says it takes.
    LiteralLimits literalLimits;

    const ServerBehavior& server() const { return BehaviorOf(serverKind); }
    const DriverBehavior& driver() const { return BehaviorOf(driverKind); }
};

// Never fails: an unknown server or driver gets the entries of ODBC as
// written, which are those of the vendors' own drivers.
ServerProfile ClassifyServer(const QString& dbmsName, const QString& driverName,
                             const QString& driverVersion);
// The driver of that SQL_DRIVER_NAME (Drivers.cpp, with the driver table).
DriverKind DriverKindOf(const QString& driverName);

// A column as its driver described it, with a driver's own type code
// replaced by the standard type it stands for (DB2 CLI's BLOB -98 is
// SQL_LONGVARBINARY, its BOOLEAN 16 is SQL_BIT). True for a decimal whose
// exponent floats, which has no precision or scale of its own.
bool StandardizeDescription(const DriverBehavior& driver, ColumnDescription& description);

// Whether a server type name (SQL_DESC_TYPE_NAME) is a decimal type although
// the driver calls the column SQL_FLOAT or SQL_DOUBLE, as Oracle's driver does
// for NUMBER without a precision and for FLOAT(b), both decimal on Oracle.
// The stand-ins' binary doubles are named float8 and double.
bool IsDecimalTypeName(QStringView typeName);

// Whether a server type name is a timestamp or time that carries its offset
// or is kept as an instant (Oracle's TIMESTAMP WITH [LOCAL] TIME ZONE,
// PostgreSQL's timestamptz): drivers describe these as plain timestamps and
// hand them over in a structure that has no zone. They are read as text.
bool IsZonedTypeName(QStringView typeName);

} // namespace db
