#pragma once
// Values sent as parameters of their statement instead of literals in its
// text: the ones a server would refuse as literals for their length (the
// server table's LiteralLimits). A statement holds a "?" for each, in order.
#include "LongValue.h"

#include <QString>
#include <memory>
#include <vector>

namespace db {

struct BoundValue {
    // Bytes, written as hex digits; else a text.
    bool bytes = false;
    QString text;
    // A value too long for memory, in place of the text, put in pieces as
    // the statement runs; `bytes` false for a byte value sends its hex
    // digits as a text.
    std::shared_ptr<const LongValue> stream{};
};
using BoundValues = std::vector<BoundValue>;

// "a text of 5 000 characters", "2 048 bytes": what a report says in place
// of a bound value, which may be megabytes long.
QString BoundValueDescription(const BoundValue& value);

} // namespace db
