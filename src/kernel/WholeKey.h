#pragma once
// Whole-number keys as the program cuts them into ranges. A key's bounds,
// widths and neighbours are computed in 128 bits, so that the span of any
// 64-bit key, signed or unsigned, and its +1 and -1 at either end are exact.
// Keys beyond ±10^30 are not cut: the servers compute a range's index in
// their wide decimals, and DB2's hold 31 digits.
#include <QString>
#include <QStringView>
#include <optional>

namespace kernel {

using WholeKey = __int128;

// The key a server wrote as text ("12", "-9223372036854775808",
// "18446744073709551615", "1.2E+1", "12.000"): exact, or nothing when the
// text is not a whole number the program can cut.
std::optional<WholeKey> WholeKeyOf(QStringView text);

// Its decimal digits, as an SQL literal.
QString WholeKeyText(WholeKey key);

} // namespace kernel
