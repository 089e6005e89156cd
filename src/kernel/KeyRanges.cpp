#include "KeyRanges.h"

#include "Routines.h"
#include "Statements.h"
#include "db/Worker.h"

#include <QDateTime>
#include <QMap>
#include <algorithm>
#include <exception>
#include <functional>

namespace kernel {

namespace {

// Rows a range holds on average: few enough that a range read for one
// missing row costs little, many enough that the grouped queries stay short.
constexpr qint64 rowsPerRange = 4096;
constexpr qint64 mostRanges = 4096;
// Reads of the target, each a scan of all of it where it has no index:
// far-apart ranges are read in so many parts at most.
constexpr std::size_t mostTargetReads = 16;
// Ranges the target holds part of whose held part is checked on the source.
constexpr int mostPartChecks = 64;

Comparable sumOf(const db::Value& value) {
    return ComparableAs(Category::Number, value, false);
}

std::optional<WholeKey> wholeKey(const db::Value& value) {
    return value.isNull() ? std::nullopt : WholeKeyOf(value.text());
}

// One part of the source's key span, and what it needs.
struct Part {
    enum class Kind { Agreeing, SourceOnly, Both } kind;
    KeyRange keys;
    qint64 agreeingRows = 0;
};

void add(std::vector<Part>& parts, Part::Kind kind, WholeKey first, WholeKey last,
         qint64 rows = 0) {
    if (first > last) {
        return;
    }
    if (!parts.empty() && parts.back().kind == kind && parts.back().keys.last + 1 == first) {
        parts.back().keys.last = last;
        parts.back().agreeingRows += rows;
        return;
    }
    parts.push_back({kind, {first, last, kind == Part::Kind::Both}, rows});
}

// Too many reads of the target: the nearest two are joined, and what lies
// between them is read with them.
void joinTargetReads(std::vector<Part>& parts) {
    for (;;) {
        std::vector<std::size_t> both;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].kind == Part::Kind::Both) {
                both.push_back(i);
            }
        }
        if (both.size() <= mostTargetReads) {
            return;
        }
        std::size_t nearest = 0;
        for (std::size_t i = 1; i + 1 < both.size(); ++i) {
            if (parts[both[i + 1]].keys.first - parts[both[i]].keys.last <
                parts[both[nearest + 1]].keys.first - parts[both[nearest]].keys.last) {
                nearest = i;
            }
        }
        const std::size_t from = both[nearest];
        const std::size_t to = both[nearest + 1];
        parts[from].keys.last = parts[to].keys.last;
        parts.erase(parts.begin() + std::ptrdiff_t(from) + 1,
                    parts.begin() + std::ptrdiff_t(to) + 1);
    }
}

// Where the source's rows between the lowest and highest key the target
// holds of a range are as many as the target's, with the same sum, the
// target holds those and lacks the rest of the range.
bool addHeldPart(std::vector<Part>& parts, const RangeFigures& target, const KeyRange& range,
                 const std::function<RangeFigures(const std::optional<KeyRange>&)>& sourceFigures) {
    if (!target.lowest || !target.highest || *target.lowest < range.first ||
        *target.highest > range.last) {
        return false;
    }
    const RangeFigures held = sourceFigures(KeyRange{*target.lowest, *target.highest});
    if (held.rows != target.rows || !(held.hashes == target.hashes)) {
        return false;
    }
    add(parts, Part::Kind::SourceOnly, range.first, *target.lowest - 1);
    add(parts, Part::Kind::Agreeing, *target.lowest, *target.highest, held.rows);
    add(parts, Part::Kind::SourceOnly, *target.highest + 1, range.last);
    return true;
}

} // namespace

QMap<qint64, RangeFigures> FiguresByRange(db::Connection& connection, const QString& table,
                                          const KeyTerms& key, WholeKey low, WholeKey width,
                                          qint64 ranges, const QString& condition, bool bounds) {
    db::RowSet rows;
    rows.Open(RangeFiguresStatement(connection.profile().server().order, table, key, condition, low,
                                    width, ranges, bounds),
              connection);
    QMap<qint64, RangeFigures> figures;
    for (; !rows.Eof(); rows.MoveNext()) {
        const db::Fields& fields = rows.Fields();
        const qint64 index = qint64(wholeKey(fields.item(0).Value()).value_or(-1));
        RangeFigures& f = figures[index];
        f.rows += fields.item(1).Value().text().toLongLong();
        f.hashes = sumOf(fields.item(2).Value());
        if (bounds) {
            f.lowest = wholeKey(fields.item(3).Value());
            f.highest = wholeKey(fields.item(4).Value());
        }
    }
    return figures;
}

RangeFigures FiguresOf(db::Connection& connection, const KeyTerms& key, const QString& table,
                       const QString& condition, bool hashed) {
    db::RowSet rows;
    rows.Open(
        KeyFiguresStatement(connection.profile().server().order, table, key, condition, hashed),
        connection);
    const db::Fields& fields = rows.Fields();
    return RangeFigures{fields.item(0).Value().text().toLongLong(), sumOf(fields.item(1).Value()),
                        wholeKey(fields.item(2).Value()), wholeKey(fields.item(3).Value())};
}

void BothAtOnce(const std::function<void()>& onSource, const std::function<void()>& onTarget) {
    std::exception_ptr targetFailure;
    {
        db::detail::Worker helper(1);
        helper.post([&] {
            try {
                onTarget();
            } catch (...) {
                targetFailure = std::current_exception();
            }
        });
        onSource();
        helper.drain();
    }
    if (targetFailure) {
        std::rethrow_exception(targetFailure);
    }
}

QStringList SplitConditions(db::Connection& source, const QString& table, const QString& condition,
                            int parts, QString* problem) {
    const CuttingKey key = KeyToCutBy(source, table);
    if (key.kind == CuttingKey::Kind::None) {
        *problem = QStringLiteral("%1 has no key of one whole-number, date or timestamp "
                                  "column (primary key, or unique index on NOT NULL columns) "
                                  "to split it by")
                       .arg(QuotedName(table));
        return {};
    }
    db::RowSet rows;
    rows.Open(KeyBoundsStatement(table, key.term, condition), source);
    const db::Value lowest = rows.Fields().item(0).Value();
    const db::Value highest = rows.Fields().item(1).Value();
    if (lowest.isNull() || highest.isNull()) {
        return {QStringLiteral("1 = 1")}; // no rows: one part copies none
    }
    const auto cutFailed = [&](const QString& why) {
        *problem = QStringLiteral("%1 cannot be cut by its key %2, whose values run from %3 "
                                  "to %4: %5")
                       .arg(QuotedName(table), key.term, lowest.text(), highest.text(), why);
        return QStringList();
    };
    QStringList bounds; // each part's first key, but the first part's
    if (key.kind == CuttingKey::Kind::WholeNumber) {
        const std::optional<WholeKey> low = WholeKeyOf(lowest.text());
        const std::optional<WholeKey> high = WholeKeyOf(highest.text());
        if (!low || !high) {
            return cutFailed(QStringLiteral("whole numbers beyond 10^30 either way are not cut, "
                                            "since the servers' wide decimals hold no more"));
        }
        const WholeKey width = (*high - *low) / parts + 1;
        for (WholeKey first = *low + width; first <= *high; first += width) {
            bounds << WholeKeyText(first);
        }
        return RangeConditions(key.term, bounds);
    }
    const auto time = [](const db::Value& value) {
        // YYYY-MM-DD[ HH:MM:SS[.f]], a wall-clock time of no zone.
        const QString text = ComparableAs(Category::Time, value, false).text;
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        const QTime clock =
            text.size() >= 19 ? QTime::fromString(text.mid(11, 8), Qt::ISODate) : QTime(0, 0);
        return QDateTime(date, clock, Qt::UTC);
    };
    const QDateTime low = time(lowest);
    const QDateTime high = time(highest);
    if (!low.isValid() || !high.isValid()) {
        return cutFailed(QStringLiteral("they are not dates or times the program reads"));
    }
    const bool dates = key.kind == CuttingKey::Kind::Date;
    const qint64 span = dates ? low.daysTo(high) : low.secsTo(high);
    for (int i = 1; i < parts; ++i) {
        const qint64 step = span * i / parts;
        const QString bound =
            u'\'' +
            (dates ? low.addDays(step).toString(QStringLiteral("yyyy-MM-dd"))
                   : low.addSecs(step).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) +
            u'\'';
        if (step > 0 && (bounds.isEmpty() || bounds.last() != bound)) {
            bounds << bound;
        }
    }
    return RangeConditions(key.term, bounds);
}

QString InRange(const QString& key, const KeyRange& range, const QString& condition) {
    const QString span = ClosedRange(key, WholeKeyText(range.first), WholeKeyText(range.last));
    return BothConditions(condition, span);
}

QString InRanges(const QString& key, std::span<const KeyRange> ranges, const QString& condition) {
    if (ranges.size() == 1) {
        return InRange(key, ranges.front(), condition);
    }
    QStringList spans;
    for (const KeyRange& range : ranges) {
        spans << u'(' + ClosedRange(key, WholeKeyText(range.first), WholeKeyText(range.last)) +
                     u')';
    }
    return BothConditions(condition, u'(' + spans.join(QStringLiteral(" OR ")) + u')');
}

std::optional<KeyRanges> DifferingRanges(const TableOrder& order, db::Connection& source,
                                         const QString& sourceTable, const QString& condition,
                                         db::Connection& target, const QString& targetTable) {
    if (order.sourceNumberKey.isEmpty()) {
        return std::nullopt;
    }
    const QString& key = order.sourceNumberKey;
    const KeyTerms sourceKey{key, order.sourceKeyText};
    const KeyTerms targetKey{order.targetNumberKey, order.targetKeyText};
    const auto sourceFigures = [&](const std::optional<KeyRange>& range) {
        return FiguresOf(source, sourceKey, sourceTable,
                         range ? InRange(key, *range, condition) : condition, range.has_value());
    };
    // The source's span, and the target's figures as a whole.
    RangeFigures span;
    RangeFigures whole;
    BothAtOnce([&] { span = sourceFigures(std::nullopt); },
               [&] { whole = FiguresOf(target, targetKey, targetTable, {}, true); });
    KeyRanges result;
    result.sourceRows = span.rows;
    result.targetRows = whole.rows;
    if (span.rows == 0) {
        return result; // an empty source: nothing to add
    }
    if (!span.lowest || !span.highest) {
        return std::nullopt;
    }
    const WholeKey low = *span.lowest;
    const WholeKey high = *span.highest;
    std::vector<Part> parts;
    // A copy stopped part-way that read the source in key order holds
    // exactly the source's rows between two keys: no range need be counted.
    if (whole.rows == 0) {
        add(parts, Part::Kind::SourceOnly, low, high);
    } else if (!addHeldPart(parts, whole, {low, high}, sourceFigures)) {
        const qint64 ranges = std::clamp<qint64>(span.rows / rowsPerRange, 1, mostRanges);
        const WholeKey width = (high - low) / ranges + 1;
        QMap<qint64, RangeFigures> sourceRanges;
        QMap<qint64, RangeFigures> targetRanges;
        BothAtOnce(
            [&] {
                sourceRanges = FiguresByRange(source, sourceTable, sourceKey, low, width, ranges,
                                              InRange(key, {low, high}, condition), false);
            },
            [&] {
                targetRanges =
                    FiguresByRange(target, targetTable, targetKey, low, width, ranges, {}, true);
            });
        int partChecks = 0;
        for (auto s = sourceRanges.begin(); s != sourceRanges.end(); ++s) {
            const WholeKey first = low + s.key() * width;
            const WholeKey last = std::min(high, first + width - 1);
            const auto t = targetRanges.constFind(s.key());
            if (t == targetRanges.cend()) {
                add(parts, Part::Kind::SourceOnly, first, last);
            } else if (t->rows == s->rows && t->hashes == s->hashes) {
                add(parts, Part::Kind::Agreeing, first, last, s->rows);
            } else if (partChecks++ >= mostPartChecks ||
                       !addHeldPart(parts, *t, {first, last}, sourceFigures)) {
                add(parts, Part::Kind::Both, first, last);
            }
        }
    }
    joinTargetReads(parts);
    for (const Part& part : parts) {
        if (part.kind == Part::Kind::Agreeing) {
            result.rowsInAgreeingRanges += part.agreeingRows;
        } else {
            result.differing.push_back(part.keys);
        }
    }
    return result;
}

} // namespace kernel
