#pragma once
// The end of a compare (and of copy --verify) on the command line: each
// table's comparison as text, or as JSON with the same figures.
#include "Arguments.h"
#include "compare/Comparison.h"

#include <QJsonObject>
#include <QList>

namespace cli {

QJsonObject ComparisonJson(const compare::TableComparison& comparison);
// 0 when every table is equal to its copy, 1 otherwise.
int ComparisonStatus(const QList<compare::TableComparison>& comparisons);
QString ComparisonsJson(Side source, Side target, const QList<compare::TableComparison>& tables,
                        int exitStatus);

} // namespace cli
