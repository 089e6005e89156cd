#pragma once
// Column types that keep a copied column's length, precision and scale, for
// users who turn them on; the coarse mapping of Datatype stays the default.
//
//     const ColumnType type = ExactColumnType(Side::Db2, field.Description());
//     AppendColumnDefinition(statement, name, ColumnTypeText(type, db::ServerKind::Db2));
//
// ValueChecks.h checks each value against its column, Bindings.h chooses
// how bulk mode binds it.
//
// A type is chosen from the driver's description within the target vendor's
// limits. Where the target has no type that holds every value of the source
// column, the nearest wider one is taken (a wider DECIMAL, DECFLOAT, text);
// each value is still checked against the column before it is sent, because
// drivers misreport sizes (psqlODBC gives an unbounded VARCHAR as 4000, and an
// unbounded NUMERIC as 28,6 unless the catalogue is asked: the caller gives
// such a column a size of 0).
#include "db/ColumnDescription.h"
#include "db/Server.h"
#include "db/Value.h"
#include "kernel/Statements.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace transfer {

struct ColumnType {
    enum class Kind : unsigned char {
        Char,      // fixed length, `length` characters
        Varchar,   // up to `length` characters
        Clob,      // text of any length
        Binary,    // fixed length, `length` bytes
        Varbinary, // up to `length` bytes
        Blob,      // bytes of any length
        SmallInt,
        Integer,
        BigInt,
        Decimal,  // `precision` digits, `scale` of them after the point
        Number,   // a decimal of up to 38 digits, any scale (Oracle NUMBER)
        DecFloat, // 34 significant digits (DB2 DECFLOAT(34))
        Real,     // binary single precision
        Double,   // binary double precision
        Boolean,
        Date,
        Time,      // `scale` fractional-second digits
        Timestamp, // `scale` fractional-second digits
    };
    Kind kind = Kind::Clob;
    qint64 length = 0;
    // Bytes the server stores at most, whatever `length` says (Oracle counts
    // a VARCHAR2's 4 000 in bytes even with character length semantics).
    qint64 byteLimit = 0;
    int precision = 0;
    int scale = 0;
    bool notNull = false;

    friend bool operator==(const ColumnType&, const ColumnType&) = default;
};

// The vendor limits the mapping keeps within are the server table's.
namespace limits = db::limits;

// The type for a source column on the target vendor's own server.
ColumnType ExactColumnType(db::Side target, const db::ColumnDescription& source);

// With --fit-types: the types that say too little of their values (a number
// without a precision, a text of any length), and the narrowest exact types
// that hold values measured so.
bool Fittable(const ColumnType& type);
ColumnType FittedNumber(db::Side target, int wholeDigits, int fractionDigits);
ColumnType FittedText(db::Side target, qint64 characters, qint64 bytes);

// Who reads the statement: the vendor's server, or the stand-in that plays it
// in tests and the demo, where some vendor spellings do not exist (each
// server's spellings are in its behaviour table). A server the program does
// not know is taken for the target's vendor.
db::ServerKind DialectOf(db::Side target, db::ServerKind server);

// The type as the dialect spells it: "DECIMAL(12,2)".
QString ColumnTypeName(const ColumnType& type, db::ServerKind dialect);
// The type as a column type text: a leading blank, the type, " NOT NULL"
// where the source has it, a trailing comma.
QString ColumnTypeText(const ColumnType& type, db::ServerKind dialect);

// The default mapping's column as a type that values can be checked against,
// where it has a limit: VARCHAR(2000) toward Oracle, LONG VARCHAR's 32 700
// bytes on DB2.
std::optional<ColumnType> DefaultColumnLimits(db::Side target, int adoCode);

} // namespace transfer
