#include "Comparison.h"

#include "kernel/Statements.h"

namespace compare {

QString OutcomeWord(TableComparison::Outcome outcome) {
    switch (outcome) {
    case TableComparison::Outcome::Equal:
        return QStringLiteral("equal");
    case TableComparison::Outcome::Differs:
        return QStringLiteral("differs");
    case TableComparison::Outcome::Missing:
        return QStringLiteral("missing");
    case TableComparison::Outcome::Failed:
        return QStringLiteral("failed");
    case TableComparison::Outcome::Lost:
        return QStringLiteral("lost");
    case TableComparison::Outcome::Interrupted:
        return QStringLiteral("interrupted");
    }
    return {};
}

QString MethodWord(TableComparison::Method method) {
    return method == TableComparison::Method::Checksums ? QStringLiteral("checksums")
                                                        : QStringLiteral("rows");
}

QString DifferenceText(RowDifference::Kind kind) {
    switch (kind) {
    case RowDifference::Kind::OnlySource:
        return QStringLiteral("only in the source");
    case RowDifference::Kind::OnlyTarget:
        return QStringLiteral("only in the target");
    case RowDifference::Kind::Differs:
        break;
    }
    return QStringLiteral("differs");
}

QString ComparisonText(const TableComparison& c) {
    QString text = OutcomeWord(c.outcome) + u' ' + kernel::QuotedName(c.table);
    using Outcome = TableComparison::Outcome;
    if (c.outcome == Outcome::Equal || c.outcome == Outcome::Differs ||
        c.outcome == Outcome::Interrupted || c.outcome == Outcome::Lost) {
        text += QStringLiteral(": source %1 rows, target %2").arg(c.sourceRows).arg(c.targetRows);
        if (c.outcome != Outcome::Equal) {
            text += QStringLiteral("; %1 only in the source, %2 only in the target, %3 differ")
                        .arg(c.onlySource)
                        .arg(c.onlyTarget)
                        .arg(c.differing);
        }
    }
    if (!c.problem.isEmpty()) {
        text += QStringLiteral(": ") + c.problem;
    }
    if (!c.order.isEmpty()) {
        text += QStringLiteral(" (rows matched by %1").arg(c.order);
        if (c.method == TableComparison::Method::Checksums) {
            text += QStringLiteral("; by checksums of key ranges, %1 rows read").arg(c.rowsRead);
        } else if (!c.byRowsWhy.isEmpty()) {
            text += QStringLiteral("; every row read: %1").arg(c.byRowsWhy);
        }
        text += u')';
    }
    text += u'\n';
    for (const RowDifference& d : c.differences) {
        text += QStringLiteral("  %1: %2\n").arg(DifferenceText(d.kind), d.key);
        for (const ColumnDifference& column : d.columns) {
            text += QStringLiteral("    %1: source %2, target %3\n")
                        .arg(kernel::QuotedName(column.column), column.source, column.target);
        }
    }
    const qint64 listed = c.differences.size();
    const qint64 all = c.onlySource + c.onlyTarget + c.differing;
    if (all > listed) {
        text += QStringLiteral("  (%1 more not listed)\n").arg(all - listed);
    }
    return text;
}

} // namespace compare
