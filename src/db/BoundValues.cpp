#include "BoundValues.h"

#include "ConnectionCore.h"

#include <QScopeGuard>

namespace db {

QString BoundValueDescription(const BoundValue& value) {
    return value.bytes ? QStringLiteral("%1 bytes").arg(value.text.size() / 2)
                       : QStringLiteral("a text of %1 characters").arg(value.text.size());
}

namespace detail {

// Binds each value in the form the driver carries exactly (as bulk mode
// does) and runs the statement once; the buffers live until it has run.
void ExecuteBound(ConnectionCore& core, SQLHSTMT statement, const QString& sql,
                  const BoundValues& values) {
    const bool utf8 = core.profile.driver().bindText == TextForm::Utf8;
    std::vector<QByteArray> buffers(values.size());
    std::vector<SQLLEN> lengths(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const BoundValue& value = values[i];
        SQLSMALLINT cType = SQL_C_WCHAR;
        SQLSMALLINT sqlType = SQL_WVARCHAR;
        SQLULEN size = 0;
        if (value.bytes) {
            buffers[i] = QByteArray::fromHex(value.text.toLatin1());
            cType = SQL_C_BINARY;
            sqlType = SQL_VARBINARY;
            size = SQLULEN(buffers[i].size());
        } else if (utf8) {
            buffers[i] = value.text.toUtf8();
            cType = SQL_C_CHAR;
            sqlType = SQL_VARCHAR;
            size = SQLULEN(buffers[i].size());
        } else {
            buffers[i] = QByteArray(reinterpret_cast<const char*>(value.text.utf16()),
                                    value.text.size() * qsizetype(sizeof(char16_t)));
            size = SQLULEN(value.text.size());
        }
        lengths[i] = SQLLEN(buffers[i].size());
        core.check(SQLBindParameter(statement, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, cType, sqlType,
                                    std::max<SQLULEN>(size, 1), 0, buffers[i].data(),
                                    SQLLEN(buffers[i].size()), &lengths[i]),
                   SQL_HANDLE_STMT, statement, "SQLBindParameter");
    }
    // The server's refusal is read before the parameters go: resetting them
    // would clear its diagnostics.
    const auto unbind = qScopeGuard([&] { SQLFreeStmt(statement, SQL_RESET_PARAMS); });
    core.check(SQLExecDirectW(statement,
                              const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())),
                              SQL_NTS),
               SQL_HANDLE_STMT, statement, "SQLExecDirectW");
}

} // namespace detail

} // namespace db
