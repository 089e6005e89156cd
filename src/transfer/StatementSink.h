#pragma once
// Row by row: one literal INSERT per row, built value by value in the run's
// statement and sent in order from the statement queue's helper thread while
// the next rows are built; each refused row is reported with its own
// statement. A value whose literal the target server would refuse for its
// length goes as a parameter of its row's INSERT instead.
#include "RowSink.h"
#include "db/StatementQueue.h"

namespace transfer {

class StatementSink final : public RowSink {
public:
    StatementSink(const SinkContext& context, int fieldCount)
        : c_(context), queue_(context.target),
          budget_(kernel::LiteralBudget(context.target.profile().literalLimits, fieldCount)) {}

    void beginRow() override;
    void value(int field, const db::Value& value) override;
    void endRow(qint64 row) override;
    void betweenRows() override { reportRefused(); }
    void settle() override;
    void settleAfterStop() noexcept override;
    qint64 arrived() const override { return queue_.succeeded(); }
    qint64 inDoubt() const override { return sent_ - queue_.succeeded() - refused_ - unanswered_; }

private:
    void reportRefused();

    SinkContext c_;
    db::StatementQueue queue_;
    // The most bytes of one literal, and the row's values that go bound.
    qint64 budget_;
    db::BoundValues bound_;
    qint64 sent_ = 0;
    qint64 refused_ = 0;
    // Rows whose statement ended with the session: counted in doubt in the
    // table's figures.
    qint64 unanswered_ = 0;
};

} // namespace transfer
