#pragma once
// A dry run: every value checked against the column it would go to, nothing
// sent, so that the user learns of a loss before any row is refused.
#include "ExactTypes.h"
#include "RowSink.h"

#include <optional>
#include <vector>

namespace transfer {

struct CheckedColumn {
    QString name;
    QString typeText; // as the CREATE statement spells it
    // What its values are checked against; none where the column takes any.
    std::optional<ColumnType> limits;
};

class CheckSink final : public RowSink {
public:
    CheckSink(const SinkContext& context, std::vector<CheckedColumn> columns);
    CheckSink(const CheckSink&) = delete;
    CheckSink& operator=(const CheckSink&) = delete;

    void beginRow() override { rowFits_ = true; }
    void value(int field, const db::Value& value) override;
    void endRow(qint64 row) override;
    void betweenRows() override {}
    void settle() override {}
    void settleAfterStop() noexcept override {}
    qint64 arrived() const override { return 0; }
    qint64 inDoubt() const override { return 0; }

    // Per column that would not keep every value: how many, and why for the
    // first, for `rows` rows read.
    QStringList losses(qint64 rows) const;
    // Per column with values past the target's literal limits: how many, and
    // the longest.
    QStringList bound(qint64 rows) const;

private:
    struct Loss {
        qint64 values = 0;
        QString first;
    };
    SinkContext c_;
    std::vector<CheckedColumn> columns_;
    std::vector<Loss> losses_;
    struct Bound {
        qint64 values = 0;
        qint64 longest = 0; // characters, or bytes
        bool bytes = false;
    };
    qint64 budget_;
    std::vector<Bound> bound_;
    bool rowFits_ = true;
};

} // namespace transfer
