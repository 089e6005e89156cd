#pragma once
// A check's condition and a column's default as the source's server writes
// them back, rewritten so that any of the four servers runs them alike, or
// nothing where they use more than that: comparisons, AND, OR, NOT, IN
// lists, IS [NOT] NULL, BETWEEN, literals, and in a default the moment or
// the day the row is written. Names come out quoted, as the copy spells its
// columns. PostgreSQL's way of writing them back (casts, = ANY (ARRAY[..]))
// is undone.
#include "db/Structure.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace transfer {

std::optional<QString> PortableCondition(QStringView text, db::StructureForms::Fold unquoted);
// `target`: whose words for the moment and the day.
std::optional<QString> PortableDefault(QStringView text, db::StructureForms::Fold unquoted,
                                       const db::StructureForms& target);

} // namespace transfer
