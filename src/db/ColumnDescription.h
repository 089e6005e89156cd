#pragma once
#include <QString>

namespace db {

// What the driver says of one result column, beyond its ADO type code. A
// driver's figures are claims: the copy checks each value against the column
// it creates from them.
struct ColumnDescription {
    enum class Nullable : unsigned char { No, Yes, Unknown };

    // SQL_CHAR, SQL_DECIMAL, ... as SQLDescribeCol reports it, a driver's own
    // code as the standard type it stands for.
    int sqlType = 0;
    // Characters for text, bytes for binary, digits for exact numbers, the
    // text width for dates and times; 0 when the driver does not know.
    qint64 size = 0;
    // The scale of an exact number, the fractional-second digits of a time.
    int decimalDigits = 0;
    Nullable nullable = Nullable::Unknown;
    bool isUnsigned = false;
    // The server's own name of the type (SQL_DESC_TYPE_NAME), upper case, or
    // empty where the driver gives none.
    QString typeName;
    // A timestamp or time that carries a zone or is kept as an instant: read
    // as text with its offset, since no ODBC structure holds one.
    bool zoned = false;
};

} // namespace db
