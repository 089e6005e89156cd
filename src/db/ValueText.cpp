#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>

namespace db::detail {

namespace {

// Date and time texts are fixed-width digits, written straight into one
// string: these run once per value of every copied row.
char16_t* putDigits(char16_t* out, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

// Years outside 0..9999 (a date BC, say) keep their sign and every digit.
char16_t* putDate(char16_t* out, int year, int month, int day) {
    if (year < 0 || year > 9999) {
        const QString digits = QString::number(year);
        std::copy(digits.utf16(), digits.utf16() + digits.size(), out);
        out += digits.size();
    } else {
        out = putDigits(out, unsigned(year), 4);
    }
    *out++ = u'-';
    out = putDigits(out, unsigned(month), 2);
    *out++ = u'-';
    return putDigits(out, unsigned(day), 2);
}

char16_t* putTime(char16_t* out, int hour, int minute, int second) {
    out = putDigits(out, unsigned(hour), 2);
    *out++ = u':';
    out = putDigits(out, unsigned(minute), 2);
    *out++ = u':';
    return putDigits(out, unsigned(second), 2);
}

QString fromBuffer(const char16_t* begin, const char16_t* end) {
    return QString(reinterpret_cast<const QChar*>(begin), end - begin);
}

template <class Number> QString shortest(Number number) {
    char text[64];
    const auto [end, ec] = std::to_chars(std::begin(text), std::end(text), number);
    return ec == std::errc() ? QString::fromLatin1(text, end - text) : QString();
}

// The number in text[from, from + digits), or nothing.
std::optional<int> number(QStringView text, qsizetype from, qsizetype digits) {
    if (from + digits > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (qsizetype i = from; i < from + digits; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

QString DateText(const SQL_DATE_STRUCT& date) {
    char16_t text[16];
    return fromBuffer(text, putDate(text, date.year, date.month, date.day));
}

QString TimestampText(const SQL_TIMESTAMP_STRUCT& stamp) {
    char16_t text[32];
    char16_t* end = putDate(text, stamp.year, stamp.month, stamp.day);
    *end++ = u' ';
    end = putTime(end, stamp.hour, stamp.minute, stamp.second);
    if (stamp.fraction != 0) {
        // The fraction is in nanoseconds; trailing zeros say nothing.
        *end++ = u'.';
        end = putDigits(end, stamp.fraction, 9);
        while (end[-1] == u'0') {
            --end;
        }
    }
    return fromBuffer(text, end);
}

QString ShortestText(double number) {
    return shortest(number);
}

QString ShortestText(float number) {
    return shortest(number);
}

QString NormalTimestampText(QString text) {
    // DB2's own form 2024-01-31-12.30.00.123 as ODBC's 2024-01-31 12:30:00.123.
    if (text.size() >= 19 && text[10] == u'-' && text[13] == u'.' && text[16] == u'.') {
        text[10] = u' ';
        text[13] = u':';
        text[16] = u':';
    }
    if (text.size() > 19 && text[19] == u'.') {
        qsizetype end = text.size();
        while (end > 20 && text[end - 1] == u'0') {
            --end;
        }
        text.truncate(end == 20 ? 19 : end);
    }
    return text;
}

// YYYY-MM-DD at the start of the text (a year of four digits, as the reader
// writes it).
bool ParseDate(QStringView text, SQL_DATE_STRUCT& date) {
    const auto year = number(text, 0, 4);
    const auto month = number(text, 5, 2);
    const auto day = number(text, 8, 2);
    if (!year || !month || !day || text[4] != u'-' || text[7] != u'-') {
        return false;
    }
    date = {SQLSMALLINT(*year), SQLUSMALLINT(*month), SQLUSMALLINT(*day)};
    return true;
}

bool ParseTimestamp(QStringView text, SQL_TIMESTAMP_STRUCT& stamp) {
    SQL_DATE_STRUCT date;
    if (text.size() < 19 || !ParseDate(text, date) || text[10] != u' ' || text[13] != u':' ||
        text[16] != u':') {
        return false;
    }
    const auto hour = number(text, 11, 2);
    const auto minute = number(text, 14, 2);
    const auto second = number(text, 17, 2);
    if (!hour || !minute || !second) {
        return false;
    }
    SQLUINTEGER fraction = 0;
    if (text.size() > 19) {
        const qsizetype digits = text.size() - 20;
        if (text[19] != u'.' || digits < 1 || digits > 9) {
            return false;
        }
        const auto value = number(text, 20, digits);
        if (!value) {
            return false;
        }
        fraction = SQLUINTEGER(*value);
        for (qsizetype i = digits; i < 9; ++i) {
            fraction *= 10;
        }
    }
    stamp = {date.year,
             date.month,
             date.day,
             SQLUSMALLINT(*hour),
             SQLUSMALLINT(*minute),
             SQLUSMALLINT(*second),
             fraction};
    return true;
}

} // namespace db::detail
