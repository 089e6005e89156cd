#include "WholeKey.h"

namespace kernel {

namespace {

// 10^30: the widest key whose differences DECIMAL(31, 0) still holds.
constexpr WholeKey largestKey = [] {
    WholeKey limit = 1;
    for (int i = 0; i < 30; ++i) {
        limit *= 10;
    }
    return limit;
}();

} // namespace

std::optional<WholeKey> WholeKeyOf(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    // Digits, an optional fraction of zeros only once the exponent has
    // moved the point, and an optional exponent.
    QString digits;
    qsizetype pointAt = -1;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
        } else if (c == u'.' && pointAt < 0) {
            pointAt = digits.size();
        } else {
            break;
        }
    }
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    int exponent = 0;
    if (i < text.size()) {
        if (text[i] != u'e' && text[i] != u'E') {
            return std::nullopt;
        }
        bool ok = false;
        exponent = text.sliced(i + 1).toInt(&ok);
        if (!ok || exponent < -64 || exponent > 64) {
            return std::nullopt;
        }
    }
    // The place of the point once the exponent is applied: every digit
    // after it must be a zero.
    qsizetype wholeDigits = (pointAt < 0 ? digits.size() : pointAt) + exponent;
    if (wholeDigits < 0) {
        wholeDigits = 0;
    }
    for (qsizetype d = wholeDigits; d < digits.size(); ++d) {
        if (digits[d] != u'0') {
            return std::nullopt;
        }
    }
    WholeKey value = 0;
    for (qsizetype d = 0; d < wholeDigits; ++d) {
        const int digit = d < digits.size() ? digits[d].unicode() - u'0' : 0;
        value = value * 10 + digit;
        if (value > largestKey) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

QString WholeKeyText(WholeKey key) {
    if (key == 0) {
        return QStringLiteral("0");
    }
    const bool negative = key < 0;
    QString digits;
    for (; key != 0; key /= 10) {
        const int digit = int(key % 10);
        digits.prepend(QChar(u'0' + (digit < 0 ? -digit : digit)));
    }
    return negative ? u'-' + digits : digits;
}

} // namespace kernel
