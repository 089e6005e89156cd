#include "BareConnection.h"

#include <cstdio>
#include <cstdlib>
#include <sqlext.h>

namespace bench {

namespace {
const SQLWCHAR* wide(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

void require(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
        return;
    }
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRecA(type, handle, 1, state, &native, message, sizeof message, &length);
    std::fprintf(stderr, "duskferry_bench: %s: [%s] %s\n", what, state, message);
    std::exit(2);
}
} // namespace

BareConnection::BareConnection(const QString& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
    require(SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION,
                          reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            SQL_HANDLE_ENV, environment_, "SQLSetEnvAttr");
    require(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_), SQL_HANDLE_ENV,
            environment_, "SQLAllocHandle");
    require(SQLDriverConnectW(connection_, nullptr, const_cast<SQLWCHAR*>(wide(connectionString)),
                              SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, connection_, "SQLDriverConnectW");
    require(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_), SQL_HANDLE_DBC, connection_,
            "SQLAllocHandle");
    // The run's command time-out.
    require(
        SQLSetStmtAttr(statement_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(5000), 0),
        SQL_HANDLE_STMT, statement_, "SQLSetStmtAttr");
}

BareConnection::~BareConnection() {
    SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

void BareConnection::execute(const QString& sql) {
    require(SQLExecDirectW(statement_, const_cast<SQLWCHAR*>(wide(sql)), SQL_NTS), SQL_HANDLE_STMT,
            statement_, "SQLExecDirectW");
    SQLFreeStmt(statement_, SQL_CLOSE);
}

} // namespace bench
