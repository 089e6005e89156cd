#pragma once
// A row of a table and the same row of its copy as one text each server
// writes alike, for checksums of key ranges computed by the servers: every
// column in the form of the server table's checksum entries, NULL (and the
// empty text the copy makes NULL) as a mark of its own, each text preceded
// by its length in bytes, so that no two rows of one side write the same
// text. A value that the two servers write differently only costs a read of
// its range's rows: the comparison of those rows decides.
#include "TableOrder.h"
#include "db/Server.h"

#include <QString>

namespace kernel {

struct RowTexts {
    QString source{}; // an expression over the source table's columns
    QString target{}; // over the target's
    // Why the rows cannot be written alike (a floating-point column, a LOB
    // the server does not hash, a zoned timestamp), or empty.
    QString why;
};

RowTexts CanonicalRowTexts(const TableOrder& order, const db::ServerBehavior& source,
                           const db::ServerBehavior& target);

} // namespace kernel
