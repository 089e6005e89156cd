#include "CheckSink.h"

#include "ValueChecks.h"

#include <algorithm>

namespace transfer {

using namespace kernel;

CheckSink::CheckSink(const SinkContext& context, std::vector<CheckedColumn> columns)
    : c_(context), columns_(std::move(columns)), losses_(columns_.size()),
      budget_(LiteralBudget(context.target.profile().literalLimits, int(columns_.size()))),
      bound_(columns_.size()) {}

void CheckSink::value(int field, const db::Value& value) {
    const CheckedColumn& column = columns_[std::size_t(field)];
    if (LiteralTooLong(value, budget_)) {
        const db::BoundValue as = BoundValueOf(value, c_.literals);
        Bound& bound = bound_[std::size_t(field)];
        ++bound.values;
        bound.bytes = as.bytes;
        // Bytes sent as a text are twice as many hex digits.
        const bool hexText = !as.bytes && value.kind() == db::Value::Kind::Binary;
        bound.longest = std::max(bound.longest, value.length() * (hexText ? 2 : 1));
    }
    if (!column.limits) {
        return;
    }
    if (const std::optional<QString> why = Misfit(value, *column.limits)) {
        rowFits_ = false;
        Loss& loss = losses_[std::size_t(field)];
        if (loss.values++ == 0) {
            loss.first = *why;
        }
    }
}

void CheckSink::endRow(qint64) {
    if (!rowFits_) {
        ++c_.figures.rowsRefused;
    }
}

QStringList CheckSink::losses(qint64 rows) const {
    QStringList said;
    for (std::size_t f = 0; f < losses_.size(); ++f) {
        if (losses_[f].values > 0) {
            said << QStringLiteral("column %1 (%2): %3 of %4 values would be refused; %5")
                        .arg(QuotedName(columns_[f].name), columns_[f].typeText)
                        .arg(losses_[f].values)
                        .arg(rows)
                        .arg(losses_[f].first);
        }
    }
    return said;
}

QStringList CheckSink::bound(qint64 rows) const {
    QStringList said;
    for (std::size_t f = 0; f < bound_.size(); ++f) {
        if (bound_[f].values > 0) {
            said << QStringLiteral("column %1 (%2): %3 of %4 values are too long for a literal "
                                   "and would be bound; the longest is %5 %6")
                        .arg(QuotedName(columns_[f].name), columns_[f].typeText)
                        .arg(bound_[f].values)
                        .arg(rows)
                        .arg(bound_[f].longest)
                        .arg(bound_[f].bytes ? QStringLiteral("bytes")
                                             : QStringLiteral("characters"));
        }
    }
    return said;
}

} // namespace transfer
