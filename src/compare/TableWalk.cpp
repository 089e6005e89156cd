#include "TableWalk.h"

#include "kernel/Statements.h"
#include "shell/Failure.h"

#include <vector>

namespace compare {

namespace {

struct Row {
    std::vector<db::Value> values;
    // The sort columns' comparable forms (the other places stay Null).
    std::vector<Comparable> comparables;
    qint64 count = 1; // identical rows in a row of the same key
};

// Whether the column holds the same value in both rows. The same text is the
// same value whatever the forms; only differing texts are read as values
// (most of a table's values are the same text on both sides, and reading
// each would cost more than reading the rows).
bool sameValue(const TableOrder& order, std::size_t column, const Row& a, const Row& b) {
    const db::Value& x = a.values[column];
    const db::Value& y = b.values[column];
    if (x.isNull() == y.isNull() && x.text() == y.text()) {
        return true;
    }
    const ComparedColumn& c = order.columns[column];
    return ComparableAs(c.category, x, c.padded) == ComparableAs(c.category, y, c.padded);
}

bool sameRow(const TableOrder& order, const Row& a, const Row& b) {
    for (std::size_t i = 0; i < order.columns.size(); ++i) {
        if (!sameValue(order, i, a, b)) {
            return false;
        }
    }
    return true;
}

// One side's rows, each read into its comparable form, with a check that
// they come in the order asked for: a server that sorts otherwise would
// make every later row look missing.
class Side {
public:
    Side(db::RowSet& rows, const TableOrder& order, bool isSource)
        : rows_(rows), order_(order), isSource_(isSource) {
        read();
    }

    bool atEnd() const { return atEnd_; }
    const Row& current() const { return current_; }
    qint64 rowsRead() const { return read_; }

    Row take() {
        Row row = std::move(current_);
        rows_.MoveNext();
        read();
        if (!atEnd_ && compareSort(current_, row) < 0) {
            throw shell::Failure(
                QStringLiteral("The %1's rows do not come in the order asked for (after its row "
                               "%2): the servers do not sort by %3 alike, and the rows cannot be "
                               "matched.")
                    .arg(isSource_ ? u"source" : u"target")
                    .arg(read_ - 1)
                    .arg(order_.description));
        }
        return row;
    }

    int compareSort(const Row& a, const Row& b) const {
        for (std::size_t i : order_.sortedBy) {
            if (const int c = CompareOrder(a.comparables[i], b.comparables[i])) {
                return c;
            }
        }
        return 0;
    }

private:
    void read() {
        atEnd_ = rows_.Eof();
        if (atEnd_) {
            return;
        }
        ++read_;
        const std::size_t n = order_.columns.size();
        current_.values.resize(n);
        current_.comparables.resize(n);
        current_.count = 1;
        for (std::size_t i = 0; i < n; ++i) {
            const ComparedColumn& c = order_.columns[i];
            current_.values[i] =
                rows_.Fields().item(isSource_ ? c.sourceField : c.targetField).Value();
        }
        for (std::size_t i : order_.sortedBy) {
            const ComparedColumn& c = order_.columns[i];
            current_.comparables[i] = ComparableAs(c.category, current_.values[i], c.padded);
        }
    }

    db::RowSet& rows_;
    const TableOrder& order_;
    const bool isSource_;
    Row current_;
    bool atEnd_ = true;
    qint64 read_ = 0;
};

constexpr qsizetype shownLength = 60;
constexpr qsizetype shownContext = 24;

class Walk {
public:
    Walk(const TableOrder& order, TableComparison& result) : order_(order), result_(result) {}

    void onlySource(const Row& row) {
        result_.onlySource += row.count;
        list(RowDifference::Kind::OnlySource, row, nullptr);
    }
    void onlyTarget(const Row& row) {
        result_.onlyTarget += row.count;
        list(RowDifference::Kind::OnlyTarget, row, nullptr);
    }

    // The rows of one key on both sides: identical ones match; with a key,
    // the others are the same rows with other values.
    void match(std::vector<Row>& source, std::vector<Row>& target) {
        for (Row& s : source) {
            for (Row& t : target) {
                if (s.count > 0 && t.count > 0 && sameRow(order_, s, t)) {
                    const qint64 both = std::min(s.count, t.count);
                    s.count -= both;
                    t.count -= both;
                }
            }
        }
        std::size_t t = 0;
        for (Row& s : source) {
            while (order_.keyed && s.count > 0) {
                while (t < target.size() && target[t].count == 0) {
                    ++t;
                }
                if (t == target.size()) {
                    break;
                }
                const qint64 both = std::min(s.count, target[t].count);
                result_.differing += both;
                list(RowDifference::Kind::Differs, s, &target[t]);
                s.count -= both;
                target[t].count -= both;
            }
            if (s.count > 0) {
                onlySource(s);
            }
        }
        for (const Row& rest : target) {
            if (rest.count > 0) {
                onlyTarget(rest);
            }
        }
    }

private:
    void list(RowDifference::Kind kind, const Row& row, const Row* other) {
        if (result_.differences.size() >= listedDifferences) {
            return;
        }
        RowDifference difference;
        difference.kind = kind;
        QStringList key;
        const auto keyColumn = [&](std::size_t i) {
            key << QStringLiteral("%1 = %2").arg(kernel::QuotedName(order_.columns[i].name),
                                                 Shown(row.values[i]));
        };
        if (order_.keyed) {
            for (std::size_t i : order_.sortedBy) {
                keyColumn(i);
            }
        } else {
            for (std::size_t i = 0; i < order_.columns.size(); ++i) {
                keyColumn(i);
            }
        }
        difference.key = key.join(QStringLiteral(", "));
        if (other != nullptr) {
            for (std::size_t i = 0; i < order_.columns.size(); ++i) {
                if (!sameValue(order_, i, row, *other)) {
                    difference.columns.append({order_.columns[i].name,
                                               Shown(row.values[i], other->values[i]),
                                               Shown(other->values[i], row.values[i])});
                }
            }
        }
        result_.differences.append(difference);
    }

    const TableOrder& order_;
    TableComparison& result_;
};

// The rows that sort the same as the current one: identical rows counted
// once each.
std::vector<Row> takeGroup(Side& side, const TableOrder& order) {
    std::vector<Row> group;
    group.push_back(side.take());
    while (!side.atEnd() && side.compareSort(side.current(), group.front()) == 0) {
        Row row = side.take();
        auto same = std::find_if(group.begin(), group.end(),
                                 [&](const Row& r) { return sameRow(order, r, row); });
        if (same != group.end()) {
            ++same->count;
        } else {
            group.push_back(std::move(row));
        }
    }
    return group;
}

} // namespace

QString Shown(const db::Value& value, const db::Value& other) {
    if (value.isNull()) {
        return QStringLiteral("NULL");
    }
    const QString& text = value.text();
    if (text.size() <= shownLength) {
        return u'\'' + text + u'\'';
    }
    qsizetype from = 0;
    const QString& against = other.text();
    while (from < text.size() && from < against.size() && text[from] == against[from]) {
        ++from;
    }
    from = std::max<qsizetype>(0, from - shownContext);
    const QString piece = text.mid(from, 2 * shownContext);
    return QStringLiteral("%1'%2'%3 (%4 characters)")
        .arg(from > 0 ? QStringLiteral("…") : QString(), piece,
             from + piece.size() < text.size() ? QStringLiteral("…") : QString())
        .arg(text.size());
}

void WalkTogether(const TableOrder& order, db::RowSet& source, db::RowSet& target,
                  TableComparison& result, const std::function<void()>& eachSourceRow) {
    Side s(source, order, true);
    Side t(target, order, false);
    Walk walk(order, result);
    qint64 reported = 0;
    const auto progress = [&] {
        for (; reported < s.rowsRead(); ++reported) {
            eachSourceRow();
        }
    };
    while (!s.atEnd() || !t.atEnd()) {
        const int c = s.atEnd() ? 1 : t.atEnd() ? -1 : s.compareSort(s.current(), t.current());
        if (c < 0) {
            walk.onlySource(s.take());
        } else if (c > 0) {
            walk.onlyTarget(t.take());
        } else {
            std::vector<Row> sourceRows = takeGroup(s, order);
            std::vector<Row> targetRows = takeGroup(t, order);
            walk.match(sourceRows, targetRows);
        }
        progress();
    }
    result.sourceRows = s.rowsRead();
    result.targetRows = t.rowsRead();
}

} // namespace compare
