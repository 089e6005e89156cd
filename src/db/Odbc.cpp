#include "Odbc.h"

namespace db::detail {

template <SQLSMALLINT HandleType>
Handle<HandleType> Handle<HandleType>::allocate(SQLHANDLE parent) {
    Handle handle;
    const SQLRETURN rc = SQLAllocHandle(HandleType, parent, &handle.handle_);
    if (!succeeded(rc)) {
        handle.handle_ = SQL_NULL_HANDLE;
        constexpr SQLSMALLINT parentType = HandleType == SQL_HANDLE_STMT  ? SQL_HANDLE_DBC
                                           : HandleType == SQL_HANDLE_DBC ? SQL_HANDLE_ENV
                                                                          : 0;
        QString state;
        QString description = parentType != 0 && parent != SQL_NULL_HANDLE
                                  ? diagnostics(parentType, parent, &state)
                                  : QString();
        if (description.isEmpty()) {
            description = QStringLiteral("The ODBC driver manager could not allocate a handle");
        }
        // A statement cannot be had on a connection that is gone (MariaDB's
        // driver answers 08003 here).
        throw Error(description, state,
                    parentType == SQL_HANDLE_DBC && isConnectionLost(state, parent));
    }
    return handle;
}

template class Handle<SQL_HANDLE_ENV>;
template class Handle<SQL_HANDLE_DBC>;
template class Handle<SQL_HANDLE_STMT>;

QString diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, QString* firstState,
                    int* firstNative) {
    QString text;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, record, state, &nativeError, nullptr, 0, &length);
        if (!succeeded(rc)) {
            break;
        }
        QString message(length, Qt::Uninitialized);
        // The first call told the length; the second fills a buffer with room
        // for the terminating zero.
        std::vector<SQLWCHAR> buffer(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, buffer.data(),
                            static_cast<SQLSMALLINT>(buffer.size()), &length);
        if (!succeeded(rc)) {
            break;
        }
        message = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()),
                                     std::min<qsizetype>(length, qsizetype(buffer.size()) - 1));
        if (record == 1 && firstState != nullptr) {
            *firstState = QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5);
        }
        if (record == 1 && firstNative != nullptr) {
            *firstNative = int(nativeError);
        }
        if (!text.isEmpty()) {
            text += u'\n';
        }
        text += message;
    }
    return text;
}

bool isConnectionLost(const QString& sqlState, SQLHDBC connection) {
    if (sqlState.startsWith(u"08")) {
        return true;
    }
    if (connection == SQL_NULL_HDBC) {
        return false;
    }
    SQLUINTEGER dead = SQL_CD_FALSE;
    return succeeded(SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
           SQLHDBC connection) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) {
        return;
    }
    if (rc == SQL_INVALID_HANDLE) {
        throw Error(QStringLiteral("%1: invalid ODBC handle").arg(QLatin1String(operation)));
    }
    QString state;
    int native = 0;
    QString description = diagnostics(handleType, handle, &state, &native);
    if (description.isEmpty()) {
        description = QStringLiteral("%1 failed without a diagnostic message (return code %2)")
                          .arg(QLatin1String(operation))
                          .arg(rc);
    }
    // The diagnostics are read first: asking the connection anything may
    // replace them.
    const bool lost = isConnectionLost(
        state, handleType == SQL_HANDLE_DBC ? static_cast<SQLHDBC>(handle) : connection);
    throw Error(description, state, lost, native);
}

} // namespace db::detail
