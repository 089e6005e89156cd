#include "BulkSink.h"

#include "kernel/Routines.h"

#include <QScopeGuard>
#include <algorithm>
#include <exception>

namespace transfer {

using namespace kernel;

std::unique_ptr<BulkSink> BulkSink::open(const SinkContext& context,
                                         std::vector<db::BulkInsert::Binding> bindings,
                                         int batchSize) {
    const int columns = int(bindings.size());
    std::unique_ptr<BulkSink> sink(new BulkSink(context, columns));
    sink->prepared_ = PreparedInsertStatement(context.tableName, columns, context.columns);
    context.lastStatement = sink->prepared_;
    if (!context.trap.step(context.insertExecuteLine, [&] {
            sink->bulk_.emplace(context.target, sink->prepared_, std::move(bindings), batchSize);
        })) {
        return nullptr;
    }
    return sink;
}

void BulkSink::value(int field, const db::Value& value) {
    values_[std::size_t(field)] = value;
}

void BulkSink::endRow(qint64 row) {
    if (std::any_of(values_.begin(), values_.end(),
                    [](const db::Value& v) { return v.longValue() != nullptr; })) {
        sendAlone(row);
        return;
    }
    bulk_->add(values_, row);
    ++pending_;
}

// A value too long for memory has no place in the arrays: its row goes on
// its own, bound as row by row, once the rows before it have arrived.
void BulkSink::sendAlone(qint64 row) {
    finishBatch();
    if (bulk_->hasPending()) {
        start();
        finishBatch();
    }
    c_.trap.step(c_.insertExecuteLine, [&] { bulk_->setAutocommit(true); });
    sendRow(values_, row);
    c_.trap.step(c_.insertExecuteLine, [&] { bulk_->setAutocommit(false); });
}

void BulkSink::start() {
    bulk_->start();
    inFlight_ = std::exchange(pending_, 0);
}

void BulkSink::betweenRows() {
    if (bulk_->full()) {
        // The full batch goes to the server while the next is built.
        finishBatch();
        start();
    }
}

void BulkSink::settle() {
    if (!bulk_) {
        return;
    }
    finishBatch();
    if (bulk_->hasPending()) {
        start();
        finishBatch();
    }
    bulk_.reset();
}

void BulkSink::settleAfterStop() noexcept {
    // The batch with the server still arrives or not: the user is told
    // which, or that it is in doubt when its answer does not come.
    try {
        if (bulk_ && bulk_->finish()) {
            arrived_ += qint64(bulk_->sent().size());
        }
        inFlight_ = 0;
    } catch (...) {
    }
}

// A batch the server did not take whole was rolled back: its rows go again
// one by one.
void BulkSink::finishBatch() {
    bool taken = false;
    c_.lastStatement = prepared_;
    const bool finished = c_.trap.step(c_.insertExecuteLine, [&] { taken = bulk_->finish(); });
    inFlight_ = 0;
    if (taken) {
        arrived_ += qint64(bulk_->sent().size());
        return;
    }
    if (!finished) {
        // Not even rolled back: none of its rows can be told to have
        // arrived, and each counts as refused behind the one report.
        c_.figures.rowsRefused += qint64(bulk_->sent().size());
        return;
    }
    if (!bulk_->sent().empty()) {
        resendRowByRow();
    }
}

void BulkSink::resendRowByRow() {
    c_.trap.step(c_.insertExecuteLine, [&] { bulk_->setAutocommit(true); });
    for (std::size_t i = 0; i < bulk_->sent().size(); ++i) {
        sendRow(bulk_->sent()[i], bulk_->sentTags()[i]);
    }
    c_.trap.step(c_.insertExecuteLine, [&] { bulk_->setAutocommit(false); });
}

void BulkSink::sendRow(const std::vector<db::Value>& row, qint64 tag) {
    // Long values go bound, as row by row, so that only the row the
    // server refuses for itself is refused.
    db::BoundValues bound;
    const QString statement = BoundInsertStatement(
        c_.direction, c_.tableName, QList<db::Value>(row.begin(), row.end()), c_.literals,
        c_.columns, LiteralBudget(c_.target.profile().literalLimits, int(row.size())), bound);
    c_.lastStatement = ShownWithBound(statement, bound);
    c_.subjectRow = tag;
    // A row whose statement ended with the session stays in doubt.
    const auto rowDone = qScopeGuard([this, unwinding = std::uncaught_exceptions()] {
        c_.subjectRow = 0;
        if (std::uncaught_exceptions() == unwinding) {
            inFlight_ = 0;
        }
    });
    inFlight_ = 1;
    bool sent = false;
    try {
        sent = c_.trap.step(c_.insertExecuteLine, [&] { c_.target.Execute(statement, bound); });
    } catch (const shell::Cancelled&) {
        // A stop is noticed once the statement has run and committed.
        ++arrived_;
        inFlight_ = 0;
        throw;
    }
    if (sent) {
        ++arrived_;
    } else {
        ++c_.figures.rowsRefused;
    }
}

} // namespace transfer
