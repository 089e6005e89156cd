#pragma once
// The target columns a copy of a table would create, and why each has its
// type, without a row read or anything changed on either side: the same
// mapping the copy runs, for a user to see before the copy.
#include "db/Server.h"
#include "db/Session.h"
#include "db/Side.h"

#include <QString>
#include <vector>

namespace transfer {

struct ColumnMapping {
    QString name;
    QString sourceType; // as the source's driver describes it: "NUMERIC(12,2)"
    QString targetType; // as the copy would declare it: "DECIMAL(12,2)"
    QString rule;       // "default", "exact", or exact with the catalogue's word
};

// Throws db::Error where the table cannot be read.
std::vector<ColumnMapping> PreviewColumnTypes(db::Connection& source, db::Side to,
                                              db::ServerKind targetServer, const QString& table,
                                              bool exactTypes);

} // namespace transfer
