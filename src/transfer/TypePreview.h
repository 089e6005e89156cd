#pragma once
// The target columns a copy of a table would create, and why each has its
// type, without a row read or anything changed on either side: the same
// mapping the copy runs, for a user to see before the copy.
#include "FittedTypes.h"
#include "db/Server.h"
#include "db/Session.h"
#include "db/Side.h"
#include "kernel/TypeRules.h"

#include <QString>
#include <optional>
#include <vector>

namespace transfer {

struct ColumnMapping {
    QString name;
    QString sourceType; // as the source's driver describes it: "NUMERIC(12,2)"
    QString targetType; // as the copy would declare it: "DECIMAL(12,2)"
    QString rule;       // "default", "exact", exact with the catalogue's word, or "rule FILE:LINE"
    // The type the column would have without a rule naming it: a type's
    // rule, or the program's own mapping.
    QString unruledType;
    // What the values hold, where they were measured, and why some of them
    // would not arrive unchanged in the target type (empty: they would, or
    // no one knows).
    std::optional<ColumnMeasure> measure;
    QString holds;
    QString misfit;
};

struct PreviewChoices {
    bool exactTypes = false;
    bool fitTypes = false; // with exact types
    // Measure every number and text, not only those fitting would narrow:
    // for a user choosing types.
    bool measureAll = false;
};

struct TablePreview {
    std::vector<ColumnMapping> columns;
    // The user's column rules for the table that name none of its columns.
    QStringList warnings;
};

// Throws db::Error where the table cannot be read. `rules` may be null.
// Fitting or measuring costs one scan of the source's table.
TablePreview PreviewColumnTypes(db::Connection& source, db::Side to, db::ServerKind targetServer,
                                const QString& table, const PreviewChoices& choices,
                                const kernel::TypeRules* rules);

} // namespace transfer
