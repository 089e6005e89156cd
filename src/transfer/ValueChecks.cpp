#include "ValueChecks.h"

namespace transfer {

using namespace kernel;

namespace {

using Kind = ColumnType::Kind;

// The digits of a decimal text such as -0012.3400 or 1.5E+3, counted as the
// server counts them: before the point without leading zeros, after it
// without trailing ones.
struct Digits {
    int whole = 0;
    int fraction = 0;
    int significant = 0;
    // The value is below 10^magnitude and at least 10^(magnitude - 1); 0
    // for zero.
    int magnitude = 0;
};

std::optional<Digits> digitsOf(QStringView text) {
    qsizetype at = 0;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) {
        ++at;
    }
    QString digits; // every digit, the point removed
    qsizetype point = -1;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c.isDigit() && c.unicode() < 0x80) {
            digits += c;
        } else if (c == u'.' && point < 0) {
            point = digits.size();
        } else {
            break;
        }
    }
    if (point < 0) {
        point = digits.size();
    }
    if (at < text.size()) {
        if (text[at] != u'E' && text[at] != u'e') {
            return std::nullopt;
        }
        bool ok = false;
        // DECFLOAT(34) reaches 1E6144; the bound only keeps the sums in range.
        const int exponent = text.sliced(at + 1).toInt(&ok);
        if (!ok || exponent > 100000 || exponent < -100000) {
            return std::nullopt;
        }
        point += exponent;
    }
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0') {
        ++first;
    }
    if (first == digits.size()) {
        return Digits{}; // zero
    }
    qsizetype last = digits.size() - 1;
    while (digits[last] == u'0') {
        --last;
    }
    Digits counted;
    counted.whole = int(std::max<qsizetype>(point - first, 0));
    counted.fraction = int(std::max<qsizetype>(last + 1 - point, 0));
    counted.significant = int(last + 1 - first);
    counted.magnitude = int(point - first);
    return counted;
}

// Fractional-second digits of a time or timestamp text, trailing zeros left
// out.
int fractionDigitsOf(QStringView text) {
    const qsizetype point = text.lastIndexOf(u'.');
    if (point < 0 || text.indexOf(u':') < 0 || point < text.lastIndexOf(u':')) {
        return 0;
    }
    qsizetype end = text.size();
    while (end > point + 1 && text[end - 1] == u'0') {
        --end;
    }
    return int(end - point - 1);
}

qint64 charactersOf(const QString& text) {
    qint64 count = text.size();
    for (const QChar c : text) {
        if (c.isLowSurrogate()) {
            --count;
        }
    }
    return count;
}

qint64 utf8BytesOf(const QString& text) {
    qint64 bytes = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        bytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

// A long value is measured as it was read.
std::optional<QString> LongMisfit(const db::LongValue& value, const ColumnType& type) {
    switch (type.kind) {
    case Kind::Char:
    case Kind::Varchar:
        if (value.isBytes()) {
            return std::nullopt;
        }
        if (value.characters() > type.length) {
            return QStringLiteral("it is %1 characters long").arg(value.characters());
        }
        if (type.byteLimit > 0 && value.size() > type.byteLimit) {
            return QStringLiteral("it takes %1 bytes, more than the %2 the server stores")
                .arg(value.size())
                .arg(type.byteLimit);
        }
        return std::nullopt;
    case Kind::Binary:
    case Kind::Varbinary:
        if (value.isBytes() && value.size() > type.length) {
            return QStringLiteral("it is %1 bytes long").arg(value.size());
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QString> Misfit(const db::Value& value, const ColumnType& type) {
    if (value.isNull()) {
        return std::nullopt;
    }
    if (const db::LongValue* body = value.longValue()) {
        return LongMisfit(*body, type);
    }
    const QString& text = value.text();
    switch (type.kind) {
    case Kind::Char:
    case Kind::Varchar: {
        const qint64 characters = charactersOf(text);
        if (characters > type.length) {
            return QStringLiteral("it is %1 characters long").arg(characters);
        }
        // A UTF-16 unit takes at most three bytes in UTF-8.
        if (type.byteLimit > 0 && text.size() * 3 > type.byteLimit) {
            const qint64 bytes = utf8BytesOf(text);
            if (bytes > type.byteLimit) {
                return QStringLiteral("it takes %1 bytes, more than the %2 the server stores")
                    .arg(bytes)
                    .arg(type.byteLimit);
            }
        }
        return std::nullopt;
    }
    case Kind::Binary:
    case Kind::Varbinary:
        if (value.kind() == db::Value::Kind::Binary && text.size() / 2 > type.length) {
            return QStringLiteral("it is %1 bytes long").arg(text.size() / 2);
        }
        return std::nullopt;
    case Kind::Decimal:
    case Kind::Number:
    case Kind::DecFloat: {
        const std::optional<Digits> digits = digitsOf(text);
        if (!digits) {
            return std::nullopt; // not a number: the server says so itself
        }
        if (type.kind == Kind::Decimal) {
            if (digits->whole > type.precision - type.scale) {
                return QStringLiteral("it has %1 digits before the point").arg(digits->whole);
            }
            if (digits->fraction > type.scale) {
                return QStringLiteral("it has %1 digits after the point").arg(digits->fraction);
            }
            return std::nullopt;
        }
        const int most =
            type.kind == Kind::Number ? limits::oracleNumberDigits : limits::decFloatDigits;
        if (digits->significant > most) {
            return QStringLiteral("it has %1 significant digits").arg(digits->significant);
        }
        // Oracle rounds a smaller magnitude to 0 without a word.
        if (type.kind == Kind::Number && digits->significant > 0 &&
            (digits->magnitude > limits::oracleNumberMagnitude ||
             digits->magnitude <= limits::oracleNumberSmallestMagnitude)) {
            return QStringLiteral("its magnitude is outside 1E-130 to 1E126");
        }
        return std::nullopt;
    }
    case Kind::Time:
    case Kind::Timestamp: {
        const int digits = fractionDigitsOf(text);
        if (digits > type.scale) {
            return QStringLiteral("it has %1 fractional-second digits").arg(digits);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace transfer
