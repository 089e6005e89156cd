#include "ChecksumRanges.h"

#include "db/SqlClass.h"

#include <algorithm>
#include <deque>

namespace kernel {

namespace {

// Whether keys between low and high, and their distances, are integers
// of the server's: a column of an integer type, keys within ±2^61.
bool narrow(const db::ColumnDescription& column, WholeKey low, WholeKey high) {
    constexpr WholeKey bound = WholeKey(1) << 61;
    return db::ClassOfSqlType(column.sqlType).family == db::SqlFamily::Integer && low > -bound &&
           high < bound;
}

struct Pending {
    KeyRange keys;
    qint64 ranges;
    bool whole = false; // the source's whole span, first
};

// Neighbours joined; then, while there are too many reads, the two nearest
// joined with what lies between them.
void joinReads(std::vector<KeyRange>& reads, std::size_t mostReads) {
    std::sort(reads.begin(), reads.end(),
              [](const KeyRange& a, const KeyRange& b) { return a.first < b.first; });
    std::vector<KeyRange> joined;
    for (const KeyRange& range : reads) {
        if (!joined.empty() && joined.back().last + 1 >= range.first) {
            joined.back().last = std::max(joined.back().last, range.last);
        } else {
            joined.push_back(range);
        }
    }
    while (mostReads > 0 && joined.size() > mostReads) {
        std::size_t nearest = 0;
        for (std::size_t i = 1; i + 1 < joined.size(); ++i) {
            if (joined[i + 1].first - joined[i].last <
                joined[nearest + 1].first - joined[nearest].last) {
                nearest = i;
            }
        }
        joined[nearest].last = joined[nearest + 1].last;
        joined.erase(joined.begin() + std::ptrdiff_t(nearest) + 1);
    }
    reads = std::move(joined);
}

} // namespace

std::optional<KeyRanges> RangesThatDiffer(const TableOrder& order, const RowTexts& texts,
                                          db::Connection& source, const QString& sourceTable,
                                          const QString& condition, db::Connection& target,
                                          const QString& targetTable,
                                          const std::function<void(double)>& settled,
                                          const RangeSizes& sizes) {
    if (order.sourceNumberKey.isEmpty()) {
        return std::nullopt;
    }
    const QString& key = order.sourceNumberKey;
    KeyTerms sourceTerms{key, texts.source};
    KeyTerms targetTerms{order.targetNumberKey, texts.target};
    const RangeFigures sourceWhole = FiguresOf(source, sourceTerms, sourceTable, condition, false);
    KeyRanges result;
    result.sourceRows = sourceWhole.rows;
    if (sourceWhole.rows == 0) {
        result.targetRows = FiguresOf(target, targetTerms, targetTable, {}, false).rows;
        if (result.targetRows > 0) {
            result.targetOutside = QStringLiteral("1 = 1");
        }
        return result;
    }
    if (!sourceWhole.lowest || !sourceWhole.highest) {
        return std::nullopt; // keys that are not whole numbers
    }
    const WholeKey low = *sourceWhole.lowest;
    const WholeKey high = *sourceWhole.highest;
    const std::size_t keyColumn = order.sortedBy.front();
    sourceTerms.narrow = narrow(order.columns[keyColumn].sourceType, low, high);
    targetTerms.narrow = narrow(order.columns[keyColumn].targetType, low, high);
    const double span = double(high - low) + 1;
    std::deque<Pending> pending{
        {{low, high},
         std::clamp<qint64>(sourceWhole.rows / sizes.rowsPerRange, 1, sizes.mostRanges),
         true}};
    int cuts = 0;
    while (!pending.empty()) {
        const Pending next = pending.front();
        pending.pop_front();
        const WholeKey first = next.keys.first;
        const WholeKey width = (next.keys.last - first) / next.ranges + 1;
        // The whole span's target query has no condition, so that its rows
        // outside the source's span, or without a key, show in the groups
        // before and after it.
        const bool whole = next.whole;
        QMap<qint64, RangeFigures> sourceRanges;
        QMap<qint64, RangeFigures> targetRanges;
        BothAtOnce(
            [&] {
                sourceRanges =
                    FiguresByRange(source, sourceTable, sourceTerms, first, width, next.ranges,
                                   InRange(key, next.keys, condition), false);
            },
            [&] {
                targetRanges = FiguresByRange(
                    target, targetTable, targetTerms, first, width, next.ranges,
                    whole ? QString() : InRange(order.targetNumberKey, next.keys), false);
            });
        if (whole) {
            for (const RangeFigures& figures : targetRanges) {
                result.targetRows += figures.rows;
            }
            if (targetRanges.remove(-1) + targetRanges.remove(next.ranges) > 0) {
                const QString& t = order.targetNumberKey;
                result.targetOutside = QStringLiteral("(%1 < %2 OR %1 > %3 OR %1 IS NULL)")
                                           .arg(t, WholeKeyText(low), WholeKeyText(high));
            }
        }
        QList<qint64> indexes = sourceRanges.keys() + targetRanges.keys();
        std::sort(indexes.begin(), indexes.end());
        indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
        for (qint64 index : indexes) {
            const KeyRange range{first + index * width,
                                 std::min(next.keys.last, first + (index + 1) * width - 1)};
            const RangeFigures s = sourceRanges.value(index);
            const RangeFigures t = targetRanges.value(index);
            if (s.rows == t.rows && s.hashes == t.hashes) {
                result.rowsInAgreeingRanges += s.rows;
            } else if (std::max(s.rows, t.rows) <= sizes.mostRowsRead ||
                       range.first == range.last || cuts >= sizes.mostCuts) {
                result.differing.push_back(range);
            } else {
                ++cuts;
                pending.push_back({range, sizes.cutInto});
            }
        }
        double open = 0;
        for (const Pending& p : pending) {
            open += double(p.keys.last - p.keys.first) + 1;
        }
        settled(1.0 - open / span);
    }
    joinReads(result.differing, sizes.mostReads);
    return result;
}

} // namespace kernel
