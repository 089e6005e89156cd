#pragma once
// The target columns a copy of a table would create, and why each has its
// type, without a row read or anything changed on either side: the same
// mapping the copy runs, for a user to see before the copy.
#include "db/Server.h"
#include "db/Session.h"
#include "db/Side.h"
#include "kernel/TypeRules.h"

#include <QString>
#include <vector>

namespace transfer {

struct ColumnMapping {
    QString name;
    QString sourceType; // as the source's driver describes it: "NUMERIC(12,2)"
    QString targetType; // as the copy would declare it: "DECIMAL(12,2)"
    QString rule;       // "default", "exact", exact with the catalogue's word, or "rule FILE:LINE"
};

struct TablePreview {
    std::vector<ColumnMapping> columns;
    // The user's column rules for the table that name none of its columns.
    QStringList warnings;
};

// Throws db::Error where the table cannot be read. `rules` may be null.
// `fitTypes` (with exact types) measures the source's values, one scan.
TablePreview PreviewColumnTypes(db::Connection& source, db::Side to, db::ServerKind targetServer,
                                const QString& table, bool exactTypes, bool fitTypes,
                                const kernel::TypeRules* rules);

} // namespace transfer
