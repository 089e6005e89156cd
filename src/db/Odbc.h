#pragma once
// Ownership and checking of ODBC handles. Every call into the driver manager
// goes through check(), which turns a failure into db::Error carrying every
// diagnostic record, read before anything else touches the handle (a further
// call would replace them).
#include "Error.h"

#include <sql.h>
#include <sqlext.h>
#include <utility>

namespace db::detail {

template <SQLSMALLINT HandleType> class Handle {
public:
    Handle() = default;
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, SQLHANDLE{})) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, SQLHANDLE{});
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    // Allocates below the given parent (SQL_NULL_HANDLE for an environment).
    static Handle allocate(SQLHANDLE parent);

    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    void reset() noexcept {
        if (handle_ != SQL_NULL_HANDLE) {
            SQLFreeHandle(HandleType, handle_);
            handle_ = SQL_NULL_HANDLE;
        }
    }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using ConnectionHandle = Handle<SQL_HANDLE_DBC>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

// Every diagnostic record of the handle, one per line; the SQLSTATE and the
// native error code of the first go to *firstState and *firstNative.
QString diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, QString* firstState = nullptr,
                    int* firstNative = nullptr);

// Throws db::Error for SQL_ERROR and SQL_INVALID_HANDLE. SQL_SUCCESS,
// SQL_SUCCESS_WITH_INFO and SQL_NO_DATA pass; callers that must tell them
// apart look at the return code themselves. With the handle's connection
// given, the error says whether that connection is gone.
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
           SQLHDBC connection = SQL_NULL_HDBC);

// Whether a failure with this first SQLSTATE, on this connection (may be
// null), means the connection is gone. Class 08 says so on every driver; some
// say it otherwise (psqlODBC answers a session the server ended with the
// server's own 57P01, which its profile names), and then the driver's
// SQL_ATTR_CONNECTION_DEAD tells.
bool isConnectionLost(const QString& sqlState, SQLHDBC connection);

inline bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace db::detail
