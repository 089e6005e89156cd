#include "StatementSink.h"

namespace transfer {

using namespace kernel;

void StatementSink::beginRow() {
    bound_.clear();
    c_.trap.step(c_.insertFirstLine,
                 [&] { BeginInsert(c_.lastStatement, c_.tableName, c_.columns); });
}

void StatementSink::value(int, const db::Value& value) {
    if (LiteralTooLong(value, budget_)) {
        AppendPlaceholder(c_.lastStatement);
        bound_.push_back(BoundValueOf(value, c_.literals));
        return;
    }
    AppendValue(c_.lastStatement, value, c_.direction, c_.literals);
}

void StatementSink::endRow(qint64 row) {
    EndInsert(c_.lastStatement);
    if (c_.trap.step(c_.insertExecuteLine,
                     [&] { queue_.send(c_.lastStatement, std::move(bound_), row); })) {
        ++sent_;
    }
    bound_.clear();
}

// Each refused row's report shows that row's statement, though the run has
// built later ones meanwhile.
void StatementSink::reportRefused() {
    while (std::optional<db::StatementQueue::Refused> refused = queue_.takeRefused()) {
        if (refused->error.connectionLost()) {
            // The server may have taken the row before the session ended:
            // it was neither refused nor seen to arrive.
            ++c_.figures.rowsInDoubt;
            ++unanswered_;
        } else {
            ++c_.figures.rowsRefused;
            ++refused_;
        }
        const QString building =
            std::exchange(c_.lastStatement, ShownWithBound(refused->statement, refused->values));
        c_.subjectRow = refused->tag;
        c_.trap.step(c_.insertExecuteLine, [&] { throw refused->error; });
        c_.subjectRow = 0;
        c_.lastStatement = building;
    }
}

void StatementSink::settle() {
    queue_.drain();
    reportRefused();
}

void StatementSink::settleAfterStop() noexcept {
    // The statements handed over still run: they are waited for, so that
    // the user is told exactly how many rows arrived.
    try {
        queue_.drain();
    } catch (const shell::Cancelled&) {
    }
}

} // namespace transfer
