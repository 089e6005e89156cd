#pragma once
// Reads the columns of the current row of a statement into values, each with
// the fetch that keeps its text form exact: binary as bytes (some drivers give
// no usable text for it), numbers as numbers, text in pieces of any length.
#include "ColumnDescription.h"
#include "Odbc.h"
#include "Value.h"

#include <QString>
#include <vector>

namespace db::detail {

struct Column {
    QString name;
    int adoType = 0;
    ColumnDescription description;
    // A decimal type that the driver describes as approximate: read as the
    // server's own digits, never through a C double.
    bool exactText = false;
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
    // Describes the result columns of an executed statement.
    static std::vector<Column> describe(SQLHSTMT statement);

    explicit ColumnReader(SQLHSTMT statement) : statement_(statement) {}
    // Reads every column of the fetched row, in column order.
    void readRow(const std::vector<Column>& columns, std::vector<Cell>& cells);

private:
    Value read(int columnNumber, const Column& column);
    Value readText(int columnNumber, Value::Kind kind);
    Value readBinary(int columnNumber);
    void getData(int columnNumber, SQLSMALLINT cType, void* target, SQLLEN size, SQLLEN* indicator,
                 SQLRETURN* rc);

    SQLHSTMT statement_;
    std::vector<SQLWCHAR> textBuffer_; // unwrittenUnit where no driver wrote
    std::size_t dirtyChars_ = 0;       // units the last call may have written
    std::vector<unsigned char> byteBuffer_;
};

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

// Shortest text that reads back to the same number, "." as decimal point.
QString shortestText(double number);
QString shortestText(float number);

} // namespace db::detail
