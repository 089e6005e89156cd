#include "BoundValues.h"

#include "ConnectionCore.h"

#include <QScopeGuard>
#include <QStringDecoder>
#include <cstdint>

namespace db {

QString BoundValueDescription(const BoundValue& value) {
    if (const LongValue* body = value.stream.get()) {
        if (body->isBytes()) {
            return value.bytes ? QStringLiteral("%1 bytes").arg(body->size())
                               : QStringLiteral("a text of %1 hex digits").arg(body->size() * 2);
        }
        return QStringLiteral("a text of %1 characters, %2 bytes")
            .arg(body->characters())
            .arg(body->size());
    }
    return value.bytes ? QStringLiteral("%1 bytes").arg(value.text.size() / 2)
                       : QStringLiteral("a text of %1 characters").arg(value.text.size());
}

namespace detail {

namespace {

struct StreamForm {
    SQLSMALLINT cType;
    SQLSMALLINT sqlType;
};

// The forms of the values held in memory: raw bytes, or a text in the
// driver's own form (a byte value sent as a text is its hex digits).
StreamForm streamFormOf(const BoundValue& value, bool utf8) {
    if (value.stream->isBytes() && value.bytes) {
        return {SQL_C_BINARY, SQL_VARBINARY};
    }
    return utf8 ? StreamForm{SQL_C_CHAR, SQL_VARCHAR} : StreamForm{SQL_C_WCHAR, SQL_WVARCHAR};
}

void putPiece(ConnectionCore& core, SQLHSTMT statement, const void* data, qsizetype size) {
    core.check(SQLPutData(statement, const_cast<void*>(data), SQLLEN(size)), SQL_HANDLE_STMT,
               statement, "SQLPutData");
}

void putPieces(ConnectionCore& core, SQLHSTMT statement, const BoundValue& value, bool utf8) {
    const LongValue& body = *value.stream;
    const bool hex = body.isBytes() && !value.bytes;
    QStringDecoder decoder(QStringDecoder::Utf8);
    body.read([&](QByteArrayView piece) {
        if (body.isBytes() && value.bytes) {
            putPiece(core, statement, piece.data(), piece.size());
            return;
        }
        QByteArray text = hex ? piece.toByteArray().toHex() : piece.toByteArray();
        if (utf8) {
            putPiece(core, statement, text.constData(), text.size());
            return;
        }
        // A character split between two pieces waits in the decoder.
        const QString units = hex ? QString::fromLatin1(text) : QString(decoder.decode(text));
        putPiece(core, statement, units.utf16(), units.size() * qsizetype(sizeof(char16_t)));
    });
}

} // namespace

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
        if (const LongValue* body = value.stream.get()) {
            // Its pieces are asked for as the statement runs; the number
            // the driver hands back is the value's place, from 1.
            const StreamForm form = streamFormOf(value, utf8);
            cType = form.cType;
            sqlType = form.sqlType;
            size = SQLULEN(body->isBytes() && !value.bytes ? body->size() * 2 : body->units());
            lengths[i] = SQL_DATA_AT_EXEC;
            core.check(SQLBindParameter(statement, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, cType,
                                        sqlType, std::max<SQLULEN>(size, 1), 0,
                                        reinterpret_cast<SQLPOINTER>(i + 1), 0, &lengths[i]),
                       SQL_HANDLE_STMT, statement, "SQLBindParameter");
            continue;
        }
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
    SQLRETURN rc = SQLExecDirectW(
        statement, const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(sql.utf16())), SQL_NTS);
    // A value that could not be put in full leaves the statement waiting
    // for the rest: it is called off, so that the handle serves the next.
    const auto unfinished = qScopeGuard([&] {
        if (rc == SQL_NEED_DATA) {
            SQLCancel(statement);
        }
    });
    while (rc == SQL_NEED_DATA) {
        SQLPOINTER place = nullptr;
        const SQLRETURN asked = SQLParamData(statement, &place);
        if (asked != SQL_NEED_DATA) {
            rc = asked;
            core.check(rc, SQL_HANDLE_STMT, statement, "SQLParamData");
            return;
        }
        const std::size_t i = reinterpret_cast<std::uintptr_t>(place) - 1;
        if (i >= values.size() || !values[i].stream) {
            throw Error(QStringLiteral("The driver asked for a value that was not bound"));
        }
        putPieces(core, statement, values[i], utf8);
    }
    core.check(rc, SQL_HANDLE_STMT, statement, "SQLExecDirectW");
}

} // namespace detail

} // namespace db
