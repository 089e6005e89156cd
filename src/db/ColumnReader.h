#pragma once
// Reads the columns of the current row of a statement into values, each with
// the fetch that keeps its text form exact: binary as bytes (some drivers give
// no usable text for it), numbers as numbers, text in pieces of any length
// and in the form the driver carries exactly. A value the driver could hand
// over only cut (a warning 01004 or 01S07 on a fixed-size read) is a failed
// value, never a shortened one.
#include "ColumnDescription.h"
#include "Odbc.h"
#include "Server.h"
#include "Value.h"

#include <QString>
#include <memory>
#include <vector>

namespace db::detail {

struct Column {
    // The fetch that keeps a column's values exact, chosen once per column.
    enum class Read : unsigned char {
        Bit,
        Signed,
        Unsigned,
        Real,
        Double,
        Date,
        Timestamp,       // through SQL_TIMESTAMP_STRUCT: nine fractional digits at most
        TimestampText,   // more fractional digits than the structure holds
        Time,            // as the driver writes it
        DecimalText,     // the server's own digits, never through a C double
        ZonedText,       // a zoned timestamp, with its offset
        SessionZoneText, // an instant in the session's zone, which the text omits
        Binary,
        Text,
    };
    QString name;
    int adoType = 0;
    ColumnDescription description;
    Read read = Read::Text;
};

// A value, or the reason it could not be read: one unreadable value must not
// stop the rest of the row from being read.
struct Cell {
    Value value;
    bool failed = false;
    QString error;
};

class ColumnReader {
public:
    // Describes the result columns of an executed statement, a driver's own
    // type codes read as the standard types they stand for.
    static std::vector<Column> describe(SQLHSTMT statement, const ServerProfile& profile);

    ColumnReader(SQLHSTMT statement, const ServerProfile& profile)
        : statement_(statement), textForm_(profile.driver().readText),
          sessionZoneOffset_(profile.server().sessionZoneOffset) {}
    // Reads every column of the fetched row, in column order.
    void readRow(const std::vector<Column>& columns, std::vector<Cell>& cells);

private:
    Value read(int columnNumber, const Column& column);
    Value readText(int columnNumber, Value::Kind kind);
    QString readUtf16(int columnNumber, bool* isNull);
    QString readUtf8(int columnNumber, bool* isNull);
    QByteArray readBytes(int columnNumber, SQLSMALLINT cType, bool* isNull);
    Value readBinary(int columnNumber);
    void getData(int columnNumber, SQLSMALLINT cType, void* target, SQLLEN size, SQLLEN* indicator,
                 SQLRETURN* rc);
    // For a value of a fixed size: a read the driver could only do cut fails.
    void getWhole(int columnNumber, SQLSMALLINT cType, void* target, SQLLEN size,
                  SQLLEN* indicator);
    template <class Held> void spillIfLong(Held& held, bool bytes);

    SQLHSTMT statement_;
    TextForm textForm_;
    QStringView sessionZoneOffset_;
    std::vector<SQLWCHAR> textBuffer_; // unwrittenUnit where no driver wrote
    std::size_t dirtyChars_ = 0;       // units the last call may have written
    std::vector<unsigned char> byteBuffer_;
    // The value being read, once it is too long for memory.
    std::unique_ptr<LongValueWriter> spill_;
};

// Whether a warning on a fixed-size read means the value was cut: 01004
// (string data, right truncated) and 01S07 (fractional truncation).
bool IsTruncationState(QStringView sqlState);

// Drivers do not always count what they write: psqlODBC 13 and MariaDB
// Connector/ODBC 3.1 both answer some strings (seen with "ペース") with
// SQL_SUCCESS and a length one to three UTF-16 units short of the characters
// they wrote. So a text buffer holds a mark in every unit before each call,
// and a piece ends where the driver put its terminator: a zero followed by an
// untouched mark, or the buffer's end. The reported length (in units) is taken
// whenever the terminator stands right after it, so a value's own U+0000
// stays part of it; without any terminator, it is all there is.
inline constexpr SQLWCHAR unwrittenUnit = 0xFFFF; // a noncharacter
qsizetype writtenTextLength(const SQLWCHAR* buffer, qsizetype size, qsizetype reported);

} // namespace db::detail
