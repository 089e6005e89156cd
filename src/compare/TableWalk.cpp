#include "TableWalk.h"

#include "kernel/Statements.h"

namespace compare {

namespace {

using kernel::WalkedRow;

constexpr qsizetype shownLength = 60;
constexpr qsizetype shownContext = 24;

class Recorder final : public kernel::WalkEvents {
public:
    Recorder(const kernel::TableOrder& order, TableComparison& result)
        : order_(order), result_(result) {}

    void onlySource(const WalkedRow& row) override {
        result_.onlySource += row.count;
        list(RowDifference::Kind::OnlySource, row, nullptr);
    }
    void onlyTarget(const WalkedRow& row) override {
        result_.onlyTarget += row.count;
        list(RowDifference::Kind::OnlyTarget, row, nullptr);
    }
    void differs(const WalkedRow& source, const WalkedRow& target, qint64 count) override {
        result_.differing += count;
        list(RowDifference::Kind::Differs, source, &target);
    }

private:
    void list(RowDifference::Kind kind, const WalkedRow& row, const WalkedRow* other) {
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
                if (!kernel::SameValue(order_, i, row, *other)) {
                    difference.columns.append({order_.columns[i].name,
                                               Shown(row.values[i], other->values[i]),
                                               Shown(other->values[i], row.values[i])});
                }
            }
        }
        result_.differences.append(difference);
    }

    const kernel::TableOrder& order_;
    TableComparison& result_;
};

} // namespace

QString Shown(const db::Value& value, const db::Value& other) {
    if (value.isNull()) {
        return QStringLiteral("NULL");
    }
    if (const db::LongValue* body = value.longValue()) {
        const QString digest = QString::fromLatin1(body->digest().toHex());
        return body->isBytes() ? QStringLiteral("%1 bytes (MD5 %2)").arg(body->size()).arg(digest)
                               : QStringLiteral("a text of %1 characters (MD5 %2)")
                                     .arg(body->characters())
                                     .arg(digest);
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

kernel::WalkedRows WalkTogether(const kernel::TableOrder& order, db::RowSet& source,
                                db::RowSet& target, TableComparison& result,
                                const std::function<void()>& eachSourceRow) {
    Recorder recorder(order, result);
    return kernel::WalkTogether(order, source, target, recorder, eachSourceRow);
}

} // namespace compare
