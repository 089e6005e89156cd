#include "ColumnReader.h"

#include "AdoType.h"
#include "SqlClass.h"
#include "ValueText.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace db::detail {

namespace {

constexpr std::size_t initialTextChars = 4096;
constexpr std::size_t maxPieceUnits = std::size_t(LongValue::pieceBytes) / sizeof(SQLWCHAR);

Column::Read readFor(const ColumnDescription& description, bool floatingDecimal,
                     const ServerBehavior& server) {
    using Read = Column::Read;
    if (floatingDecimal) {
        return Read::DecimalText;
    }
    if (description.zoned) {
        for (const QString& name : server.sessionZoneTypes) {
            if (description.typeName.contains(name, Qt::CaseInsensitive)) {
                return Read::SessionZoneText;
            }
        }
        return Read::ZonedText;
    }
    switch (ClassOfSqlType(description.sqlType).family) {
    case SqlFamily::Boolean:
        return Read::Bit;
    case SqlFamily::Integer:
        return description.isUnsigned ? Read::Unsigned : Read::Signed;
    case SqlFamily::Real:
        return Read::Real;
    case SqlFamily::Double:
        return IsDecimalTypeName(description.typeName) ? Read::DecimalText : Read::Double;
    case SqlFamily::Date:
        return Read::Date;
    case SqlFamily::Time:
        // SQL_TIME_STRUCT has no fraction, and a MariaDB TIME may be
        // negative or past 24 hours.
        return Read::Time;
    case SqlFamily::Timestamp:
        // The structure's fraction is nanoseconds: DB2's TIMESTAMP(12)
        // would lose three digits.
        return description.decimalDigits > 9 ? Read::TimestampText : Read::Timestamp;
    case SqlFamily::Decimal:
        return Read::DecimalText;
    case SqlFamily::Bytes:
        return Read::Binary;
    case SqlFamily::Text:
    case SqlFamily::Guid:
    case SqlFamily::Other:
        break;
    }
    return Read::Text;
}

} // namespace

std::vector<Column> ColumnReader::describe(SQLHSTMT statement, const ServerProfile& profile) {
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement, "SQLNumResultCols");
    std::vector<Column> columns(static_cast<std::size_t>(std::max<SQLSMALLINT>(count, 0)));
    for (SQLUSMALLINT number = 1; number <= columns.size(); ++number) {
        Column& column = columns[number - 1];
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0, dataType = 0, decimalDigits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeColW(statement, number, name, SQLSMALLINT(std::size(name)), &nameLength,
                              &dataType, &size, &decimalDigits, &nullable),
              SQL_HANDLE_STMT, statement, "SQLDescribeColW");
        column.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(name),
                                         std::min<qsizetype>(nameLength, std::size(name) - 1));
        SQLLEN unsignedFlag = SQL_FALSE;
        check(SQLColAttributeW(statement, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                               &unsignedFlag),
              SQL_HANDLE_STMT, statement, "SQLColAttributeW");
        SQLWCHAR typeName[128] = {};
        SQLSMALLINT typeNameBytes = 0;
        // Not every driver names its types; a column is still described.
        const SQLRETURN named =
            SQLColAttributeW(statement, number, SQL_DESC_TYPE_NAME, typeName,
                             SQLSMALLINT(sizeof typeName), &typeNameBytes, nullptr);
        ColumnDescription& description = column.description;
        description.sqlType = dataType;
        description.size = qint64(std::min<SQLULEN>(size, SQLULEN(INT64_MAX)));
        description.decimalDigits = decimalDigits;
        const bool floatingDecimal = StandardizeDescription(profile.driver(), description);
        description.nullable = nullable == SQL_NO_NULLS   ? ColumnDescription::Nullable::No
                               : nullable == SQL_NULLABLE ? ColumnDescription::Nullable::Yes
                                                          : ColumnDescription::Nullable::Unknown;
        if (SQL_SUCCEEDED(named)) {
            description.typeName =
                QString::fromUtf16(
                    reinterpret_cast<const char16_t*>(typeName),
                    std::clamp<qsizetype>(typeNameBytes / qsizetype(sizeof(SQLWCHAR)), 0,
                                          std::size(typeName) - 1))
                    .toUpper();
        }
        const int sqlType = description.sqlType;
        const bool isInteger = ClassOfSqlType(sqlType).family == SqlFamily::Integer;
        description.isUnsigned = isInteger && unsignedFlag == SQL_TRUE;
        description.zoned = IsZonedTypeName(description.typeName);
        column.read = readFor(description, floatingDecimal, profile.server());
        column.adoType = adoTypeFromSqlType(sqlType, description.isUnsigned);
    }
    return columns;
}

void ColumnReader::readRow(const std::vector<Column>& columns, std::vector<Cell>& cells) {
    cells.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Cell& cell = cells[i];
        cell.failed = false;
        cell.error.clear();
        try {
            cell.value = read(int(i) + 1, columns[i]);
        } catch (const Error& failure) {
            cell.value = Value();
            cell.failed = true;
            cell.error = failure.description();
        } catch (const std::exception& failure) {
            // A length the driver reports that no buffer can hold (or that
            // wraps the size arithmetic): this value is lost, not the read.
            cell.value = Value();
            cell.failed = true;
            cell.error = QStringLiteral("The value of column %1 could not be read: %2")
                             .arg(columns[i].name, QString::fromLocal8Bit(failure.what()));
        }
    }
}

void ColumnReader::getData(int columnNumber, SQLSMALLINT cType, void* target, SQLLEN size,
                           SQLLEN* indicator, SQLRETURN* rc) {
    *rc = SQLGetData(statement_, SQLUSMALLINT(columnNumber), cType, target, size, indicator);
    check(*rc, SQL_HANDLE_STMT, statement_, "SQLGetData");
}

void ColumnReader::getWhole(int columnNumber, SQLSMALLINT cType, void* target, SQLLEN size,
                            SQLLEN* indicator) {
    SQLRETURN rc = SQL_SUCCESS;
    getData(columnNumber, cType, target, size, indicator, &rc);
    if (rc == SQL_SUCCESS_WITH_INFO) {
        QString state;
        const QString message = diagnostics(SQL_HANDLE_STMT, statement_, &state);
        if (IsTruncationState(state)) {
            throw Error(QStringLiteral("The driver could give the value only cut (%1): %2")
                            .arg(state, message),
                        state);
        }
    }
}

Value ColumnReader::read(int columnNumber, const Column& column) {
    using Read = Column::Read;
    SQLLEN indicator = 0;
    switch (column.read) {
    case Read::Bit: {
        unsigned char bit = 0;
        getWhole(columnNumber, SQL_C_BIT, &bit, sizeof bit, &indicator);
        return indicator == SQL_NULL_DATA ? Value() : Value::boolean(bit != 0);
    }
    case Read::Unsigned: {
        SQLUBIGINT number = 0;
        getWhole(columnNumber, SQL_C_UBIGINT, &number, sizeof number, &indicator);
        return indicator == SQL_NULL_DATA ? Value()
                                          : Value(Value::Kind::Integer, QString::number(number));
    }
    case Read::Signed: {
        SQLBIGINT number = 0;
        getWhole(columnNumber, SQL_C_SBIGINT, &number, sizeof number, &indicator);
        return indicator == SQL_NULL_DATA ? Value()
                                          : Value(Value::Kind::Integer, QString::number(number));
    }
    case Read::Real: {
        SQLREAL number = 0;
        getWhole(columnNumber, SQL_C_FLOAT, &number, sizeof number, &indicator);
        return indicator == SQL_NULL_DATA ? Value()
                                          : Value(Value::Kind::Floating, ShortestText(number));
    }
    case Read::Double: {
        SQLDOUBLE number = 0;
        getWhole(columnNumber, SQL_C_DOUBLE, &number, sizeof number, &indicator);
        return indicator == SQL_NULL_DATA ? Value()
                                          : Value(Value::Kind::Floating, ShortestText(number));
    }
    case Read::Date: {
        SQL_DATE_STRUCT date{};
        getWhole(columnNumber, SQL_C_TYPE_DATE, &date, sizeof date, &indicator);
        if (indicator == SQL_NULL_DATA) {
            return {};
        }
        return {Value::Kind::Date, DateText(date)};
    }
    case Read::Timestamp: {
        SQL_TIMESTAMP_STRUCT stamp{};
        getWhole(columnNumber, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &indicator);
        if (indicator == SQL_NULL_DATA) {
            return {};
        }
        return {Value::Kind::Timestamp, TimestampText(stamp)};
    }
    case Read::TimestampText: {
        const Value text = readText(columnNumber, Value::Kind::Timestamp);
        return text.isNull() ? text
                             : Value(Value::Kind::Timestamp, NormalTimestampText(text.text()));
    }
    case Read::Time:
        return readText(columnNumber, Value::Kind::Time);
    case Read::DecimalText:
        return readText(columnNumber, Value::Kind::Decimal);
    case Read::ZonedText:
        return readText(columnNumber, Value::Kind::Text);
    case Read::SessionZoneText: {
        const Value text = readText(columnNumber, Value::Kind::Text);
        return text.isNull()
                   ? text
                   : Value(Value::Kind::Text, text.text() + sessionZoneOffset_.toString());
    }
    case Read::Binary:
        return readBinary(columnNumber);
    case Read::Text:
        return readText(columnNumber, Value::Kind::Text);
    }
    return readText(columnNumber, Value::Kind::Text);
}

qsizetype writtenTextLength(const SQLWCHAR* buffer, qsizetype size, qsizetype reported) {
    const auto endsAt = [&](qsizetype p) {
        return buffer[p] == 0 && (p + 1 == size || buffer[p + 1] == unwrittenUnit);
    };
    const qsizetype start = std::clamp<qsizetype>(reported, 0, size - 1);
    if (reported == start && endsAt(start)) {
        return reported;
    }
    for (qsizetype p = start + 1; p < size; ++p) {
        if (endsAt(p)) {
            return p;
        }
    }
    for (qsizetype p = start; p >= 0; --p) {
        if (endsAt(p)) {
            return p;
        }
    }
    return start; // no terminator at all: the driver's word is all there is
}

Value ColumnReader::readText(int columnNumber, Value::Kind kind) {
    bool isNull = false;
    spill_.reset();
    QString text = textForm_ == TextForm::Utf8 ? readUtf8(columnNumber, &isNull)
                                               : readUtf16(columnNumber, &isNull);
    if (spill_) {
        return Value(kind, std::exchange(spill_, nullptr)->finish());
    }
    return isNull ? Value() : Value(kind, std::move(text));
}

// Past the threshold, what has been read goes to a long value's file, and
// every later piece after it.
template <class Held> void ColumnReader::spillIfLong(Held& held, bool bytes) {
    if (!spill_ && held.size() * qsizetype(sizeof(held[0])) <= LongValue::threshold) {
        return;
    }
    if (!spill_) {
        spill_ = std::make_unique<LongValueWriter>(bytes);
    }
    if constexpr (std::is_same_v<Held, QString>) {
        spill_->append(QStringView(held));
    } else {
        spill_->append(QByteArrayView(held));
    }
    held.clear();
}

QString ColumnReader::readUtf16(int columnNumber, bool* isNull) {
    if (textBuffer_.empty()) {
        textBuffer_.assign(initialTextChars, unwrittenUnit);
        dirtyChars_ = 0;
    }
    QString text;
    for (;;) {
        std::fill_n(textBuffer_.begin(), dirtyChars_, unwrittenUnit);
        SQLLEN indicator = 0;
        SQLRETURN rc = SQL_SUCCESS;
        const SQLLEN capacity = SQLLEN(textBuffer_.size() * sizeof(SQLWCHAR));
        getData(columnNumber, SQL_C_WCHAR, textBuffer_.data(), capacity, &indicator, &rc);
        // A Null or an exhausted column writes nothing, or a terminator.
        dirtyChars_ = 1;
        if (rc == SQL_NO_DATA) {
            break; // the previous piece was the last
        }
        if (indicator == SQL_NULL_DATA) {
            *isNull = true;
            return {};
        }
        const bool complete =
            rc == SQL_SUCCESS || (indicator != SQL_NO_TOTAL && indicator < capacity);
        const qsizetype reported = complete ? qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)))
                                            : qsizetype(textBuffer_.size() - 1);
        const qsizetype chars =
            writtenTextLength(textBuffer_.data(), qsizetype(textBuffer_.size()), reported);
        dirtyChars_ = std::min(textBuffer_.size(), std::size_t(std::max(chars, reported)) + 1);
        if (complete && text.isEmpty() && !spill_) {
            return QString(reinterpret_cast<const QChar*>(textBuffer_.data()), chars);
        }
        text.append(reinterpret_cast<const QChar*>(textBuffer_.data()), chars);
        spillIfLong(text, false);
        if (complete) {
            break;
        }
        const qsizetype total = qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)));
        if (indicator != SQL_NO_TOTAL && total > chars) {
            // The driver told the remaining length: fetch it in one piece,
            // or in pieces of a long value's size.
            const std::size_t remaining = std::min(std::size_t(total - chars) + 1, maxPieceUnits);
            if (remaining > textBuffer_.size()) {
                textBuffer_.assign(remaining, unwrittenUnit);
                dirtyChars_ = 0;
            }
        }
    }
    return text;
}

// The bytes in pieces; a character read ends each piece with a zero byte,
// and a piece that is not the last fills its buffer. A length the driver
// reports that does not match what it wrote fails the value.
QByteArray ColumnReader::readBytes(int columnNumber, SQLSMALLINT cType, bool* isNull) {
    if (byteBuffer_.empty()) {
        byteBuffer_.resize(initialTextChars * 2);
    }
    const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQL_SUCCESS;
        const SQLLEN capacity = SQLLEN(byteBuffer_.size());
        getData(columnNumber, cType, byteBuffer_.data(), capacity, &indicator, &rc);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (indicator == SQL_NULL_DATA) {
            *isNull = true;
            return {};
        }
        const bool complete =
            rc == SQL_SUCCESS || (indicator != SQL_NO_TOTAL && indicator + terminator <= capacity);
        const SQLLEN count = complete ? indicator : capacity - terminator;
        if (count < 0 || count + terminator > capacity ||
            (terminator > 0 && byteBuffer_[std::size_t(count)] != 0)) {
            throw Error(
                QStringLiteral("The driver's length of a value (%1 bytes) does not match what "
                               "it wrote")
                    .arg(indicator));
        }
        bytes.append(reinterpret_cast<const char*>(byteBuffer_.data()), qsizetype(count));
        spillIfLong(bytes, cType == SQL_C_BINARY);
        if (complete) {
            break;
        }
        if (indicator != SQL_NO_TOTAL && indicator - count + terminator > capacity) {
            // The driver told the remaining length: fetch it in one piece,
            // or in pieces of a long value's size.
            byteBuffer_.resize(std::min(std::size_t(indicator - count + terminator),
                                        std::size_t(LongValue::pieceBytes)));
        }
    }
    return bytes;
}

// The whole is decoded once, so a character split between two pieces is
// whole again, and bytes that are not UTF-8 fail the value rather than
// turning into replacement characters.
QString ColumnReader::readUtf8(int columnNumber, bool* isNull) {
    const QByteArray bytes = readBytes(columnNumber, SQL_C_CHAR, isNull);
    if (spill_) {
        return {}; // the long value's writer has decoded it
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        throw Error(QStringLiteral("The driver gave a text that is not UTF-8"));
    }
    return text;
}

Value ColumnReader::readBinary(int columnNumber) {
    bool isNull = false;
    spill_.reset();
    const QByteArray bytes = readBytes(columnNumber, SQL_C_BINARY, &isNull);
    if (spill_) {
        return Value(Value::Kind::Binary, std::exchange(spill_, nullptr)->finish());
    }
    return isNull ? Value() : Value(Value::Kind::Binary, QString::fromLatin1(bytes.toHex()));
}

bool IsTruncationState(QStringView sqlState) {
    return sqlState == u"01004" || sqlState == u"01S07";
}

} // namespace db::detail
