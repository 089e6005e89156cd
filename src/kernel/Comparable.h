#pragma once
// Values in the form in which a table and its copy on the other server are
// compared. Two servers give the same value in different texts (1.50 and
// 1.5, a date and a midnight timestamp, a date copied into a text column and
// its text, True and 1), and the copy turns empty text into Null; a value is
// therefore read as what its source column holds, on both sides, and
// compared in that form.
#include "db/ColumnDescription.h"
#include "db/Value.h"

#include <QString>

namespace kernel {

// What a column's values are compared as; the source column decides.
enum class Category : unsigned char { Boolean, Number, Time, Bytes, Text };

Category CategoryOf(const db::ColumnDescription& column);

// Whether the column keeps text at a fixed length, padded with blanks:
// trailing blanks do not count (one server pads, another reads unpadded).
bool IsPadded(const db::ColumnDescription& column);

struct Comparable {
    enum class Form : unsigned char { Null, Boolean, Number, Time, Bytes, Text };
    Form form = Form::Null;
    // Boolean 1 or 0; Number its significant digits, without leading or
    // trailing zeros; Time YYYY-MM-DD HH:MM:SS[.f] without trailing zeros;
    // Bytes lower-case hex; Text the text.
    QString text;
    // A number is ±0.digits × 10^exponent.
    int exponent = 0;
    bool negative = false;

    friend bool operator==(const Comparable&, const Comparable&) = default;
};

// The value read as one of `category`; a text that is not such a value stays
// text, and so differs from every value that is.
Comparable ComparableAs(Category category, const db::Value& value, bool padded);

// Below zero when a sorts before b: Null first, numbers by their value,
// times in time order, bytes by byte, text by code point (the order the
// servers are asked for), then by form.
int CompareOrder(const Comparable& a, const Comparable& b);

} // namespace kernel
