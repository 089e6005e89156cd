#include "WholeKey.h"

#include "Comparable.h"

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
    // Read as the comparison reads a number: ±0.digits × 10^exponent.
    const Comparable number = ComparableAs(
        Category::Number, db::Value(db::Value::Kind::Text, text.trimmed().toString()), false);
    if (number.form != Comparable::Form::Number) {
        return std::nullopt;
    }
    // Whole only when no digit stands after the point (zero has none).
    if (number.exponent < number.text.size() || number.exponent > 31) {
        return std::nullopt;
    }
    WholeKey value = 0;
    for (int place = 0; place < number.exponent; ++place) {
        value = value * 10 + (place < number.text.size() ? number.text[place].unicode() - u'0' : 0);
    }
    if (value > largestKey) {
        return std::nullopt;
    }
    return number.negative ? -value : value;
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
