#include "Comparisons.h"

#include "Summary.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace cli {

namespace {

QString kindName(compare::RowDifference::Kind kind) {
    switch (kind) {
    case compare::RowDifference::Kind::OnlySource:
        return QStringLiteral("only-source");
    case compare::RowDifference::Kind::OnlyTarget:
        return QStringLiteral("only-target");
    case compare::RowDifference::Kind::Differs:
        break;
    }
    return QStringLiteral("differs");
}

} // namespace

QJsonObject ComparisonJson(const compare::TableComparison& c) {
    QJsonArray differences;
    for (const compare::RowDifference& d : c.differences) {
        QJsonArray columns;
        for (const compare::ColumnDifference& column : d.columns) {
            columns.append(QJsonObject{{QStringLiteral("column"), column.column},
                                       {QStringLiteral("source"), column.source},
                                       {QStringLiteral("target"), column.target}});
        }
        QJsonObject row{{QStringLiteral("kind"), kindName(d.kind)}, {QStringLiteral("key"), d.key}};
        if (!columns.isEmpty()) {
            row.insert(QStringLiteral("columns"), columns);
        }
        differences.append(row);
    }
    QJsonObject table{{QStringLiteral("table"), c.table},
                      {QStringLiteral("outcome"), compare::OutcomeWord(c.outcome)},
                      {QStringLiteral("order"), c.order},
                      {QStringLiteral("sourceRows"), c.sourceRows},
                      {QStringLiteral("targetRows"), c.targetRows},
                      {QStringLiteral("onlySource"), c.onlySource},
                      {QStringLiteral("onlyTarget"), c.onlyTarget},
                      {QStringLiteral("differing"), c.differing},
                      {QStringLiteral("differences"), differences},
                      {QStringLiteral("method"), compare::MethodWord(c.method)},
                      {QStringLiteral("rowsRead"), c.rowsRead},
                      {QStringLiteral("seconds"), c.seconds}};
    if (!c.problem.isEmpty()) {
        table.insert(QStringLiteral("problem"), c.problem);
    }
    if (!c.byRowsWhy.isEmpty()) {
        table.insert(QStringLiteral("byRowsWhy"), c.byRowsWhy);
    }
    return table;
}

int ComparisonStatus(const QList<compare::TableComparison>& comparisons) {
    for (const compare::TableComparison& c : comparisons) {
        if (c.outcome != compare::TableComparison::Outcome::Equal) {
            return 1;
        }
    }
    return 0;
}

QString ComparisonsJson(Side source, Side target, const QList<compare::TableComparison>& tables,
                        int exitStatus) {
    QJsonArray array;
    for (const compare::TableComparison& c : tables) {
        array.append(ComparisonJson(c));
    }
    return SummaryDocument(source, target, array, exitStatus);
}

} // namespace cli
