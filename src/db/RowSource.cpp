#include "RowSource.h"

#include <algorithm>

namespace db::detail {

void RowSource::endStatement() noexcept {
    stopReading = true;
    if (reader.joinable()) {
        store->abandon();
        // The reader stops after the fetch it is in, which a stalled
        // server may hold up.
        shell::WaitFor([this](std::chrono::milliseconds most) { return store->waitForEnd(most); },
                       false);
        reader.join();
    }
    statement.reset();
}

void RowSource::release() noexcept {
    endStatement();
    if (core) {
        auto& open = core->openRowSets;
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
    }
    store.reset();
    core.reset();
}

bool RowSource::fetch() {
    if (!statement) {
        throw Error(QStringLiteral("The row set's connection was closed"));
    }
    const SQLRETURN rc = SQLFetch(statement.get());
    core->check(rc, SQL_HANDLE_STMT, statement.get(), "SQLFetch");
    if (rc == SQL_NO_DATA) {
        return false;
    }
    ColumnReader(statement.get(), core->profile).readRow(columns, current);
    return true;
}

void RowSource::readAllRows() {
    store.emplace(false);
    shell::CallDriver([this] {
        ColumnReader reader(statement.get(), core->profile);
        for (;;) {
            const SQLRETURN rc = SQLFetch(statement.get());
            core->check(rc, SQL_HANDLE_STMT, statement.get(), "SQLFetch");
            if (rc == SQL_NO_DATA) {
                break;
            }
            reader.readRow(columns, current);
            store->append(current);
        }
        store->finish();
        // Every row is here: the server's cursor is not needed any more.
        // Some drivers free a whole buffered result here, which takes a
        // while.
        statement.reset();
    });
}

void RowSource::readRowsAhead() noexcept {
    std::optional<Error> failure;
    try {
        ColumnReader columnReader(statement.get(), core->profile);
        std::vector<Cell> row;
        while (!stopReading) {
            const SQLRETURN rc = SQLFetch(statement.get());
            core->check(rc, SQL_HANDLE_STMT, statement.get(), "SQLFetch");
            if (rc == SQL_NO_DATA) {
                break;
            }
            columnReader.readRow(columns, row);
            store->append(row);
        }
    } catch (const Error& error) {
        failure = error;
    } catch (...) {
        failure = Error(QStringLiteral("Reading the rows failed"));
    }
    if (stopReading && !failure) {
        failure = Error(QStringLiteral("The row set was closed while its rows were read"));
    }
    store->finish(std::move(failure));
}

void RowSource::advance() {
    if (!store) {
        eof = !fetch();
    } else {
        current.resize(columns.size());
        for (;;) {
            const RowStore::Take taken = store->take(current);
            if (taken == RowStore::Take::Row) {
                eof = false;
                return;
            }
            if (taken == RowStore::Take::End) {
                eof = true;
                current.clear();
                if (reader.joinable()) {
                    endStatement();
                }
                if (const std::optional<Error> failure = store->failure()) {
                    throw *failure;
                }
                return;
            }
            shell::Pause();
            // A source server that stalls keeps the reader waiting, and
            // this side with it: the window is served meanwhile.
            shell::WaitFor(
                [this](std::chrono::milliseconds most) { return store->waitForMore(most); });
        }
    }
    if (eof) {
        current.clear();
    }
}

void RowSource::awaitAllRows() {
    if (store) {
        // Nothing is taken meanwhile: the reader must not wait for room.
        store->removeBound();
        shell::WaitFor([this](std::chrono::milliseconds most) {
            store->waitForMore(most);
            return store->finished();
        });
        shell::Pause();
    }
}

} // namespace db::detail
