#pragma once
#include <QString>

namespace db {

// What the driver says of one result column, beyond its ADO type code. A
// driver's figures are claims: the copy checks each value against the column
// it creates from them.
struct ColumnDescription {
    enum class Nullable : unsigned char { No, Yes, Unknown };

    int sqlType = 0; // SQL_CHAR, SQL_DECIMAL, ... as SQLDescribeCol reports it
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
};

// Whether a server type name (SQL_DESC_TYPE_NAME) is a decimal type although
// the driver calls the column SQL_FLOAT or SQL_DOUBLE, as Oracle's driver does
// for NUMBER without a precision and for FLOAT(b), both decimal on Oracle.
// The stand-ins' binary doubles are named float8 and double.
bool IsDecimalTypeName(const QString& typeName);

} // namespace db
