#include "OrderedWalk.h"

#include "shell/Failure.h"

#include <algorithm>

namespace kernel {

namespace {

bool sameRow(const TableOrder& order, const WalkedRow& a, const WalkedRow& b) {
    for (std::size_t i = 0; i < order.columns.size(); ++i) {
        if (!SameValue(order, i, a, b)) {
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
    const WalkedRow& current() const { return current_; }
    qint64 rowsRead() const { return read_; }

    WalkedRow take() {
        WalkedRow row = std::move(current_);
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

    int compareSort(const WalkedRow& a, const WalkedRow& b) const {
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
    WalkedRow current_;
    bool atEnd_ = true;
    qint64 read_ = 0;
};

// Rows that sort alike are held together and matched pairwise. A table
// without a key whose sortable columns take few values (its long values
// cannot be sorted by) would have most of it held at once: beyond so many
// rows or bytes, the walk is refused.
constexpr std::size_t mostRowsAlike = 4096;
constexpr qsizetype mostBytesAlike = qsizetype(64) << 20;

qsizetype bytesOf(const WalkedRow& row) {
    qsizetype bytes = 0;
    for (const db::Value& value : row.values) {
        bytes += value.text().size() * qsizetype(sizeof(QChar));
    }
    return bytes;
}

// The rows that sort the same as the current one: identical rows counted
// once each.
std::vector<WalkedRow> takeGroup(Side& side, const TableOrder& order, bool isSource) {
    std::vector<WalkedRow> group;
    group.push_back(side.take());
    qsizetype bytes = bytesOf(group.front());
    while (!side.atEnd() && side.compareSort(side.current(), group.front()) == 0) {
        WalkedRow row = side.take();
        auto same = std::find_if(group.begin(), group.end(),
                                 [&](const WalkedRow& r) { return sameRow(order, r, row); });
        if (same != group.end()) {
            ++same->count;
            continue;
        }
        bytes += bytesOf(row);
        group.push_back(std::move(row));
        if (group.size() > mostRowsAlike || bytes > mostBytesAlike) {
            throw shell::Failure(
                QStringLiteral("More than %1 different rows of the %2 (%3 MiB) sort alike by %4: "
                               "too many to hold and match, and the rows cannot be compared. A "
                               "key (primary key, or unique index on NOT NULL columns) lets them "
                               "be.")
                    .arg(group.size() - 1)
                    .arg(isSource ? u"source" : u"target")
                    .arg(bytes >> 20)
                    .arg(order.description));
        }
    }
    return group;
}

// The rows of one key on both sides: identical ones match; with a key, the
// others are the same rows with other values.
void match(const TableOrder& order, std::vector<WalkedRow>& source, std::vector<WalkedRow>& target,
           WalkEvents& events) {
    for (WalkedRow& s : source) {
        for (WalkedRow& t : target) {
            if (s.count > 0 && t.count > 0 && sameRow(order, s, t)) {
                const qint64 both = std::min(s.count, t.count);
                s.count -= both;
                t.count -= both;
                events.same(both);
            }
        }
    }
    std::size_t t = 0;
    for (WalkedRow& s : source) {
        while (order.keyed && s.count > 0) {
            while (t < target.size() && target[t].count == 0) {
                ++t;
            }
            if (t == target.size()) {
                break;
            }
            const qint64 both = std::min(s.count, target[t].count);
            events.differs(s, target[t], both);
            s.count -= both;
            target[t].count -= both;
        }
        if (s.count > 0) {
            events.onlySource(s);
        }
    }
    for (const WalkedRow& rest : target) {
        if (rest.count > 0) {
            events.onlyTarget(rest);
        }
    }
}

} // namespace

namespace {

// The digest of a value as a text holds it: bytes as their hex digits.
QByteArray TextDigest(const db::Value& value) {
    const bool bytes = value.kind() == db::Value::Kind::Binary;
    if (const db::LongValue* body = value.longValue()) {
        return bytes ? body->hexDigest() : body->digest();
    }
    return db::LongValue::digestOf(false, value.text());
}

// Values too long for memory are the same where their digests are; bytes
// the copy sent as a text of hex digits are measured as that text.
bool SameLongValue(const db::Value& x, const db::Value& y) {
    if (x.isNull() || y.isNull()) {
        return false;
    }
    if (x.kind() == y.kind()) {
        return x == y;
    }
    return TextDigest(x) == TextDigest(y);
}

} // namespace

// The same text is the same value whatever the forms; only differing texts
// are read as values (most of a table's values are the same text on both
// sides, and reading each would cost more than reading the rows).
bool SameValue(const TableOrder& order, std::size_t column, const WalkedRow& a,
               const WalkedRow& b) {
    const db::Value& x = a.values[column];
    const db::Value& y = b.values[column];
    if (x.longValue() || y.longValue()) {
        return SameLongValue(x, y);
    }
    if (x.isNull() == y.isNull() && x.text() == y.text()) {
        return true;
    }
    const ComparedColumn& c = order.columns[column];
    return ComparableAs(c.category, x, c.padded) == ComparableAs(c.category, y, c.padded);
}

WalkedRows WalkTogether(const TableOrder& order, db::RowSet& source, db::RowSet& target,
                        WalkEvents& events, const std::function<void()>& eachSourceRow) {
    Side s(source, order, true);
    Side t(target, order, false);
    qint64 reported = 0;
    const auto progress = [&] {
        for (; reported < s.rowsRead(); ++reported) {
            eachSourceRow();
        }
    };
    while (!s.atEnd() || !t.atEnd()) {
        const int c = s.atEnd() ? 1 : t.atEnd() ? -1 : s.compareSort(s.current(), t.current());
        if (c < 0) {
            events.onlySource(s.take());
        } else if (c > 0) {
            events.onlyTarget(t.take());
        } else {
            std::vector<WalkedRow> sourceRows = takeGroup(s, order, true);
            std::vector<WalkedRow> targetRows = takeGroup(t, order, false);
            match(order, sourceRows, targetRows, events);
        }
        progress();
    }
    return {s.rowsRead(), t.rowsRead()};
}

} // namespace kernel
