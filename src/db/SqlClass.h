#pragma once
// What kind of value an ODBC SQL type holds: the one classifier of SQL type
// codes that every reader, type mapper and comparison asks, so that a type
// a driver reports is read, mapped and compared as the same kind of value.
// (A driver's own codes are turned into the standard ones when a column is
// described: Server.h.)
namespace db {

enum class SqlFamily : unsigned char {
    Text,
    Bytes,
    Boolean,
    Integer,
    Decimal, // exact, with a precision and scale
    Real,    // single precision
    Double,  // SQL_FLOAT and SQL_DOUBLE (a driver may mean a decimal: IsDecimalTypeName)
    Date,
    Time,
    Timestamp,
    Guid,
    Other, // nothing the program knows: read and written as text
};

struct SqlClass {
    SqlFamily family = SqlFamily::Other;
    // National characters (the SQL_W… types).
    bool wide = false;
    // CHAR and BINARY: padded to their length.
    bool fixed = false;
    // LONGVARCHAR and LONGVARBINARY: a length no VARCHAR could take.
    bool isLong = false;
    // An integer's bytes: 1, 2, 4 or 8.
    int integerBytes = 0;
};

SqlClass ClassOfSqlType(int sqlType);

} // namespace db
