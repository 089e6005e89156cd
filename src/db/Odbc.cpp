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
        QString description = parentType != 0 && parent != SQL_NULL_HANDLE
                                  ? diagnostics(parentType, parent)
                                  : QString();
        if (description.isEmpty()) {
            description = QStringLiteral("The ODBC driver manager could not allocate a handle");
        }
        throw Error(description);
    }
    return handle;
}

template class Handle<SQL_HANDLE_ENV>;
template class Handle<SQL_HANDLE_DBC>;
template class Handle<SQL_HANDLE_STMT>;

QString diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, QString* firstState) {
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
        if (!text.isEmpty()) {
            text += u'\n';
        }
        text += message;
    }
    return text;
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) {
        return;
    }
    if (rc == SQL_INVALID_HANDLE) {
        throw Error(QStringLiteral("%1: invalid ODBC handle").arg(QLatin1String(operation)));
    }
    QString state;
    QString description = diagnostics(handleType, handle, &state);
    if (description.isEmpty()) {
        description = QStringLiteral("%1 failed without a diagnostic message (return code %2)")
                          .arg(QLatin1String(operation))
                          .arg(rc);
    }
    throw Error(description, state);
}

} // namespace db::detail
