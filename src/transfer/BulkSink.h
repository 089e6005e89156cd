#pragma once
// Bulk mode: rows bound in arrays to one prepared INSERT, a batch with the
// server while the next is built. A batch the server does not take whole
// goes again row by row, as the literal statements of row-by-row mode, so
// that exactly the refused rows are reported and every other row arrives
// once. A row with a value too long for memory goes on its own in the same
// way.
#include "RowSink.h"
#include "db/BulkInsert.h"

#include <memory>
#include <optional>

namespace transfer {

class BulkSink final : public RowSink {
public:
    // Nothing, with the report, when the server would not prepare the
    // INSERT: the table then goes row by row.
    static std::unique_ptr<BulkSink>
    open(const SinkContext& context, std::vector<db::BulkInsert::Binding> bindings, int batchSize);

    void value(int field, const db::Value& value) override;
    void endRow(qint64 row) override;
    void betweenRows() override;
    // Sends what is pending and waits for it; the bulk insert then goes, so
    // that the target's autocommit is on again.
    void settle() override;
    void settleAfterStop() noexcept override;
    qint64 arrived() const override { return arrived_; }
    qint64 inDoubt() const override { return inFlight_; }

private:
    BulkSink(const SinkContext& context, int columns)
        : c_(context), values_(std::size_t(columns)) {}
    void start();
    void finishBatch();
    void resendRowByRow();
    void sendAlone(qint64 row);
    // One row as one statement, with the target's autocommit on.
    void sendRow(const std::vector<db::Value>& row, qint64 tag);

    SinkContext c_;
    std::optional<db::BulkInsert> bulk_;
    std::vector<db::Value> values_;
    QString prepared_;
    qint64 arrived_ = 0;
    // Rows added since the last batch went, and the batch with the server.
    qint64 pending_ = 0;
    qint64 inFlight_ = 0;
};

} // namespace transfer
