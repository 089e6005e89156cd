#pragma once
// What a Connection holds, shared with the row sets and statement queues
// opened on it. Private to the session layer.
#include "BoundValues.h"
#include "Odbc.h"
#include "Server.h"
#include "Session.h"

#include <atomic>
#include <optional>
#include <vector>

namespace db::detail {

struct RowSource;

struct ConnectionCore {
    EnvironmentHandle environment;
    ConnectionHandle connection;
    bool connected = false;
    // Set by whichever thread first sees that the server is gone; from then
    // on nothing is sent.
    std::atomic<bool> lost{false};
    CursorLocation cursorLocation = CursorLocation::Server;
    bool readAhead = false;
    // The server and driver, classified when the connection opened.
    ServerProfile profile;
    int commandTimeout = 0;
    int connectionTimeout = 0;
    // Row sets still open on this connection. Their statements are freed
    // before the connection is closed, so no row set is left holding a handle
    // the driver manager has already let go.
    std::vector<RowSource*> openRowSets;

    ~ConnectionCore() { disconnect(); }

    SQLHDBC dbc() const { return connection.get(); }

    void requireOpen() const {
        if (!connected) {
            throw Error(QStringLiteral("The connection is not open"));
        }
        if (lost) {
            throw Error(QStringLiteral("The connection to the server has been lost"),
                        QStringLiteral("08003"), true);
        }
    }

    // detail::check for a handle of this connection, noting a lost connection
    // (including the ways this driver has of saying so).
    void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation) {
        try {
            detail::check(rc, handleType, handle, operation, dbc());
        } catch (const Error& error) {
            if (error.connectionLost()) {
                lost = true;
                throw;
            }
            if (profile.driver().lostConnectionStates.contains(error.sqlState())) {
                lost = true;
                throw Error(error.description(), error.sqlState(), true, error.nativeError());
            }
            throw;
        }
    }

    StatementHandle newStatement();
    // Nothing, or why the driver would not end the session.
    std::optional<Error> disconnect() noexcept;
};

// Runs the statement once with its "?" bound to the values, in order
// (BoundValues.cpp).
void ExecuteBound(ConnectionCore& core, SQLHSTMT statement, const QString& sql,
                  const BoundValues& values);

} // namespace db::detail
