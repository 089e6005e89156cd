#include "KeyRanges.h"

#include "Statements.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace kernel {

namespace {

// Rows a range holds on average: few enough that a range read for one
// missing row costs little, many enough that the grouped queries stay short.
constexpr qint64 rowsPerRange = 4096;
constexpr qint64 mostRanges = 4096;
// Separate reads of a table the copy holds without an index each scan all
// of it: far-apart ranges are read in so many parts at most.
constexpr std::size_t mostReads = 16;

struct Figures {
    qint64 rows = 0;
    Comparable keySum;
};

qint64 wholeNumber(const db::Value& value, bool* ok) {
    const double number = value.text().toDouble(ok);
    return *ok ? std::llround(number) : 0;
}

// Each range's row count and key sum on one side.
QMap<qint64, Figures> rangeFigures(db::Connection& connection, const QString& table,
                                   const QString& key, qint64 low, qint64 width,
                                   const QString& condition) {
    const QString range = QStringLiteral("FLOOR((%1 - %2) / %3)").arg(key).arg(low).arg(width);
    db::RowSet rows;
    rows.Open(QStringLiteral("SELECT %1, COUNT(*), SUM(%2) FROM %3 WHERE %4 GROUP BY %1")
                  .arg(range, key, QuotedName(table), condition),
              connection);
    QMap<qint64, Figures> figures;
    for (; !rows.Eof(); rows.MoveNext()) {
        bool ok = false;
        const qint64 index = wholeNumber(rows.Fields().item(0).Value(), &ok);
        if (ok) {
            figures[index] = {rows.Fields().item(1).Value().text().toLongLong(),
                              ComparableAs(Category::Number, rows.Fields().item(2).Value(), false)};
        }
    }
    return figures;
}

} // namespace

QString InRange(const QString& key, const KeyRange& range, const QString& condition) {
    const QString span =
        QStringLiteral("%1 >= %2 AND %1 <= %3").arg(key).arg(range.first).arg(range.last);
    return condition.isEmpty() ? span : QStringLiteral("(%1) AND %2").arg(condition, span);
}

std::optional<KeyRanges> DifferingRanges(const TableOrder& order, db::Connection& source,
                                         const QString& sourceTable, const QString& condition,
                                         db::Connection& target, const QString& targetTable) {
    if (order.sourceNumberKey.isEmpty()) {
        return std::nullopt;
    }
    db::RowSet span;
    span.Open(QStringLiteral("SELECT MIN(%1), MAX(%1), COUNT(*) FROM %2")
                      .arg(order.sourceNumberKey, QuotedName(sourceTable)) +
                  (condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition),
              source);
    bool lowOk = false;
    bool highOk = false;
    const qint64 low = wholeNumber(span.Fields().item(0).Value(), &lowOk);
    const qint64 high = wholeNumber(span.Fields().item(1).Value(), &highOk);
    const qint64 count = span.Fields().item(2).Value().text().toLongLong();
    span.Close();
    KeyRanges result;
    if (count == 0 || !lowOk || !highOk) {
        return result; // an empty source: nothing to add
    }
    if (double(high) - double(low) > 9e18) {
        return std::nullopt;
    }
    const qint64 ranges = std::clamp<qint64>(count / rowsPerRange, 1, mostRanges);
    const qint64 width = (high - low) / ranges + 1;
    const KeyRange all{low, high};
    const QMap<qint64, Figures> sourceFigures =
        rangeFigures(source, sourceTable, order.sourceNumberKey, low, width,
                     InRange(order.sourceNumberKey, all, condition));
    const QMap<qint64, Figures> targetFigures =
        rangeFigures(target, targetTable, order.targetNumberKey, low, width,
                     InRange(order.targetNumberKey, all));

    const auto rangeOf = [&](qint64 index) {
        return KeyRange{low + index * width, std::min(high, low + (index + 1) * width - 1)};
    };
    // Ranges only the target has rows in hold no source row to add.
    std::vector<KeyRange> differing;
    for (auto s = sourceFigures.begin(); s != sourceFigures.end(); ++s) {
        const auto t = targetFigures.find(s.key());
        if (t != targetFigures.end() && t->rows == s->rows && t->keySum == s->keySum) {
            continue;
        }
        const KeyRange range = rangeOf(s.key());
        if (!differing.empty() && differing.back().last + 1 >= range.first) {
            differing.back().last = range.last;
        } else {
            differing.push_back(range);
        }
    }
    // Too many separate reads: the nearest neighbours are joined, and the
    // agreeing ranges between them are read too.
    while (differing.size() > mostReads) {
        std::size_t nearest = 0;
        for (std::size_t i = 1; i + 1 < differing.size(); ++i) {
            if (differing[i + 1].first - differing[i].last <
                differing[nearest + 1].first - differing[nearest].last) {
                nearest = i;
            }
        }
        differing[nearest].last = differing[nearest + 1].last;
        differing.erase(differing.begin() + std::ptrdiff_t(nearest) + 1);
    }
    for (auto s = sourceFigures.begin(); s != sourceFigures.end(); ++s) {
        const KeyRange range = rangeOf(s.key());
        const bool read = std::any_of(differing.begin(), differing.end(), [&](const KeyRange& d) {
            return d.first <= range.first && range.last <= d.last;
        });
        if (!read) {
            result.rowsInAgreeingRanges += s->rows;
        }
    }
    result.differing = std::move(differing);
    return result;
}

} // namespace kernel
