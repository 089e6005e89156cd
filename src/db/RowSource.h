#pragma once
// A row set's rows and where they come from. Private to the session layer.
//
// Threads: the caller's, which takes the rows; and, for a client-side row
// set that reads ahead, one reader thread that alone uses the statement
// (and so the connection) until it ends. Nothing else may be sent on that
// connection meanwhile: endStatement() drains the reader first.
#include "ColumnReader.h"
#include "ConnectionCore.h"
#include "RowStore.h"
#include "shell/Interrupt.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace db::detail {

// Where a row set's rows come from: the open statement, one row per fetch
// (server side), or a RowStore (client side) that is filled at open, or by a
// helper thread while the caller goes through the rows (reading ahead).
struct RowSource {
    std::shared_ptr<ConnectionCore> core;
    StatementHandle statement;
    std::vector<Column> columns;
    std::vector<Cell> current;
    std::optional<RowStore> store;
    std::thread reader;
    std::atomic<bool> stopReading{false};
    bool eof = true;

    ~RowSource() { release(); }

    // Ends the reading and frees the statement; the rows already in the
    // store stay readable.
    void endStatement() noexcept;

    void release() noexcept;

    bool fetch();

    // On the helper thread, so that a server that is slow to deliver keeps
    // no window from painting.
    void readAllRows();

    // The helper thread's work: the only user of the statement until it ends.
    void readRowsAhead() noexcept;

    void advance();

    // Waits, serving the event loop, until every row has been read.
    void awaitAllRows();

    // Runs the statement prepared by `execute` and positions on the first row.
    template <class Execute> void start(std::shared_ptr<ConnectionCore> owner, Execute&& execute) {
        core = std::move(owner);
        statement = core->newStatement();
        core->openRowSets.push_back(this);
        // Some drivers read the whole result before the call returns; the
        // window keeps painting meanwhile.
        SQLHSTMT handle = statement.get();
        shell::CallDriver([&] { execute(handle); });
        columns = ColumnReader::describe(statement.get(), core->profile);
        if (core->cursorLocation == CursorLocation::Client) {
            if (core->readAhead) {
                store.emplace(true);
                reader = std::thread([this] { readRowsAhead(); });
            } else {
                readAllRows();
            }
        }
        advance();
    }
};

} // namespace db::detail
