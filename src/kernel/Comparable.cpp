#include "Comparable.h"

#include "db/SqlClass.h"

namespace kernel {

using Kind = db::Value::Kind;
using Form = Comparable::Form;

Category CategoryOf(const db::ColumnDescription& column) {
    if (column.zoned) {
        return Category::Text; // read as text with its offset
    }
    using F = db::SqlFamily;
    switch (db::ClassOfSqlType(column.sqlType).family) {
    case F::Boolean:
        return Category::Boolean;
    case F::Integer:
    case F::Decimal:
    case F::Real:
    case F::Double:
        return Category::Number;
    case F::Date:
    case F::Time:
    case F::Timestamp:
        return Category::Time;
    case F::Bytes:
        return Category::Bytes;
    case F::Text:
    case F::Guid:
    case F::Other:
        break;
    }
    return Category::Text;
}

bool IsPadded(const db::ColumnDescription& column) {
    const db::SqlClass type = db::ClassOfSqlType(column.sqlType);
    return type.family == db::SqlFamily::Text && type.fixed;
}

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// [+-]digits[.digits][e[+-]digits], or with the digits after the point
// only; false for anything else.
bool parseNumber(QStringView text, Comparable& number) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    QString digits;
    int pointAt = -1;
    bool any = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            digits.append(c);
            any = true;
        } else if (c == u'.' && pointAt < 0) {
            pointAt = int(digits.size());
        } else {
            break;
        }
    }
    if (!any) {
        return false;
    }
    long long exponent = pointAt < 0 ? digits.size() : pointAt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        long long shift = 0;
        bool expAny = false;
        for (; i < n && isDigit(text[i]); ++i) {
            shift = std::min(shift * 10 + (text[i].unicode() - u'0'), 100000LL);
            expAny = true;
        }
        if (!expAny) {
            return false;
        }
        exponent += expNegative ? -shift : shift;
    }
    if (i != n) {
        return false;
    }
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0') {
        ++first;
    }
    qsizetype last = digits.size();
    while (last > first && digits[last - 1] == u'0') {
        --last;
    }
    number.form = Form::Number;
    if (first == last) { // zero, whatever its sign
        number.text.clear();
        number.exponent = 0;
        number.negative = false;
        return true;
    }
    number.text = digits.mid(first, last - first);
    number.exponent = int(exponent - first);
    number.negative = negative;
    return true;
}

bool isDigits(QStringView text, qsizetype from, qsizetype count) {
    if (from + count > text.size()) {
        return false;
    }
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i])) {
            return false;
        }
    }
    return true;
}

// HH:MM:SS[.f] (or HH.MM.SS, DB2's) from `from` to the end, written
// HH:MM:SS[.f] with the fraction's trailing zeros dropped.
bool appendTime(QStringView text, qsizetype from, QString& into) {
    if (!isDigits(text, from, 2) || !isDigits(text, from + 3, 2) || !isDigits(text, from + 6, 2)) {
        return false;
    }
    for (qsizetype at : {from + 2, from + 5}) {
        if (text[at] != u':' && text[at] != u'.') {
            return false;
        }
    }
    into.append(text.mid(from, 2)).append(u':').append(text.mid(from + 3, 2)).append(u':');
    into.append(text.mid(from + 6, 2));
    qsizetype end = from + 8;
    if (end == text.size()) {
        return true;
    }
    if (text[end] != u'.' || !isDigits(text, end + 1, text.size() - end - 1)) {
        return false;
    }
    QStringView fraction = text.mid(end + 1);
    while (fraction.endsWith(u'0')) {
        fraction.chop(1);
    }
    if (!fraction.isEmpty()) {
        into.append(u'.').append(fraction);
    }
    return true;
}

// A date, a timestamp (space, T or DB2's hyphen between date and time) or a
// time of day; a date is midnight of its day.
bool parseTime(QStringView text, Comparable& time) {
    QString normal;
    if (text.size() >= 10 && isDigits(text, 0, 4) && text[4] == u'-' && isDigits(text, 5, 2) &&
        text[7] == u'-' && isDigits(text, 8, 2)) {
        normal = text.first(10).toString() + u' ';
        if (text.size() == 10) {
            normal.append(u"00:00:00");
        } else if ((text[10] != u' ' && text[10] != u'T' && text[10] != u'-') ||
                   !appendTime(text, 11, normal)) {
            return false;
        }
    } else if (!appendTime(text, 0, normal)) {
        return false;
    }
    time.form = Form::Time;
    time.text = normal;
    return true;
}

bool parseBoolean(QStringView text, Comparable& boolean) {
    if (text.compare(u"True", Qt::CaseInsensitive) == 0 || text == u"1") {
        boolean.text = QStringLiteral("1");
    } else if (text.compare(u"False", Qt::CaseInsensitive) == 0 || text == u"0") {
        boolean.text = QStringLiteral("0");
    } else {
        return false;
    }
    boolean.form = Form::Boolean;
    return true;
}

bool isHex(QStringView text) {
    for (QChar c : text) {
        if (!isDigit(c) && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) {
            return false;
        }
    }
    return true;
}

int sign(int difference) {
    return (difference > 0) - (difference < 0);
}

// UTF-16 units in code point order: a surrogate (a character beyond U+FFFF)
// sorts after U+E000..U+FFFF, as in UTF-8.
int codePointOrder(char16_t unit) {
    if (unit >= 0xE000) {
        return unit - 0x800;
    }
    if (unit >= 0xD800) {
        return unit + 0x2000;
    }
    return unit;
}

int compareCodePoints(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return sign(codePointOrder(a[i].unicode()) - codePointOrder(b[i].unicode()));
        }
    }
    return sign(int(a.size() > b.size()) - int(a.size() < b.size()));
}

int compareNumbers(const Comparable& a, const Comparable& b) {
    const int signA = a.text.isEmpty() ? 0 : (a.negative ? -1 : 1);
    const int signB = b.text.isEmpty() ? 0 : (b.negative ? -1 : 1);
    if (signA != signB || signA == 0) {
        return sign(signA - signB);
    }
    int magnitude = sign(a.exponent - b.exponent);
    if (magnitude == 0) {
        magnitude = compareCodePoints(a.text, b.text); // digits: a prefix is less
    }
    return signA * magnitude;
}

} // namespace

Comparable ComparableAs(Category category, const db::Value& value, bool padded) {
    Comparable result;
    if (value.isNull()) {
        return result;
    }
    QStringView text = value.text();
    if (padded) {
        while (text.endsWith(u' ')) {
            text.chop(1);
        }
    }
    // The copy sends an empty value as NULL.
    if (text.isEmpty()) {
        return result;
    }
    bool read = false;
    switch (category) {
    case Category::Boolean:
        read = parseBoolean(text, result);
        break;
    case Category::Number:
        read = parseNumber(text, result);
        break;
    case Category::Time:
        read = parseTime(text, result);
        break;
    case Category::Bytes:
        // Copied into a text column, bytes arrive as their hex digits.
        if (value.kind() == Kind::Binary || isHex(text)) {
            result.form = Form::Bytes;
            result.text = text.toString().toLower();
            read = true;
        }
        break;
    case Category::Text:
        break;
    }
    if (!read) {
        result.form = Form::Text;
        result.text = text.toString();
    }
    return result;
}

int CompareOrder(const Comparable& a, const Comparable& b) {
    if (a.form != b.form) {
        return sign(int(a.form) - int(b.form));
    }
    switch (a.form) {
    case Form::Null:
        return 0;
    case Form::Number:
        return compareNumbers(a, b);
    default:
        return compareCodePoints(a.text, b.text);
    }
}

} // namespace kernel
