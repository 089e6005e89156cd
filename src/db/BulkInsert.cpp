#include "BulkInsert.h"

#include "ConnectionCore.h"
#include "ValueText.h"
#include "Worker.h"
#include "shell/Interrupt.h"

#include <QStringEncoder>
#include <cstring>
#include <optional>

namespace db {

struct BulkInsert::Parameters {
    detail::StatementHandle statement;
    std::vector<QByteArray> buffers;
    std::vector<std::vector<SQLLEN>> lengths;
    std::vector<SQLUSMALLINT> statuses;
    SQLULEN processed = 0;
};

// The rows handed to the worker and what became of them. They belong to the
// worker from start() until finish() has drained it.
struct BulkInsert::Batch {
    std::vector<std::vector<Value>> rows;
    std::vector<qint64> tags;
    std::vector<qint64> widest;
    bool started = false; // by start(), until finish() answers for it
    bool taken = true;
    std::exception_ptr failure;
};

namespace {

// The buffer bytes one value takes in its column (for UTF-8 text, at most:
// three bytes for each UTF-16 unit).
qint64 widthOf(BulkInsert::Binding binding, TextForm form, const QString& text) {
    switch (binding) {
    case BulkInsert::Binding::Text:
        return form == TextForm::Utf8 ? text.size() * 3 + 1
                                      : (text.size() + 1) * qint64(sizeof(SQLWCHAR));
    case BulkInsert::Binding::Decimal:
        return text.size() + 1;
    case BulkInsert::Binding::Boolean:
        return sizeof(SQLINTEGER);
    case BulkInsert::Binding::Date:
        return sizeof(SQL_DATE_STRUCT);
    case BulkInsert::Binding::Timestamp:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    case BulkInsert::Binding::Double:
        return sizeof(double);
    case BulkInsert::Binding::Binary:
        return std::max<qint64>(1, text.size() / 2);
    }
    return 0;
}

struct SqlTypes {
    SQLSMALLINT cType;
    SQLSMALLINT sqlType;
};

SqlTypes typesOf(BulkInsert::Binding binding, TextForm form) {
    switch (binding) {
    case BulkInsert::Binding::Text:
        return form == TextForm::Utf8 ? SqlTypes{SQL_C_CHAR, SQL_VARCHAR}
                                      : SqlTypes{SQL_C_WCHAR, SQL_WVARCHAR};
    case BulkInsert::Binding::Decimal:
        return {SQL_C_CHAR, SQL_NUMERIC};
    case BulkInsert::Binding::Boolean:
        return {SQL_C_SLONG, SQL_INTEGER};
    case BulkInsert::Binding::Date:
        return {SQL_C_TYPE_DATE, SQL_TYPE_DATE};
    case BulkInsert::Binding::Timestamp:
        return {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP};
    case BulkInsert::Binding::Double:
        return {SQL_C_DOUBLE, SQL_DOUBLE};
    case BulkInsert::Binding::Binary:
        return {SQL_C_BINARY, SQL_VARBINARY};
    }
    return {SQL_C_WCHAR, SQL_WVARCHAR};
}

// Writes the value into its element; false when it has no exact form in the
// column's C type.
bool store(BulkInsert::Binding binding, TextForm form, const QString& text, char* element,
           qint64 width, SQLLEN& length) {
    switch (binding) {
    case BulkInsert::Binding::Text:
        if (form == TextForm::Utf8) {
            // Straight into the element, which widthOf sized for the most
            // bytes a UTF-16 unit can take.
            QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
            char* end = encoder.appendToBuffer(element, text);
            *end = '\0';
            length = SQLLEN(end - element);
            // A lone surrogate has no UTF-8 form.
            return !encoder.hasError();
        }
        std::memcpy(element, text.utf16(), size_t(text.size()) * sizeof(SQLWCHAR));
        std::memset(element + text.size() * qint64(sizeof(SQLWCHAR)), 0, sizeof(SQLWCHAR));
        length = SQLLEN(text.size() * qint64(sizeof(SQLWCHAR)));
        return true;
    case BulkInsert::Binding::Decimal: {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c > 0x7f) {
                return false;
            }
            element[i] = char(c);
        }
        element[text.size()] = '\0';
        length = SQLLEN(text.size());
        return true;
    }
    case BulkInsert::Binding::Boolean: {
        const SQLINTEGER value = text == u"True" ? 1 : 0;
        if (text != u"True" && text != u"False") {
            return false;
        }
        std::memcpy(element, &value, sizeof value);
        length = sizeof value;
        return true;
    }
    case BulkInsert::Binding::Date: {
        SQL_DATE_STRUCT date;
        if (text.size() != 10 || !detail::ParseDate(text, date)) {
            return false;
        }
        std::memcpy(element, &date, sizeof date);
        length = sizeof date;
        return true;
    }
    case BulkInsert::Binding::Timestamp: {
        SQL_TIMESTAMP_STRUCT stamp;
        if (!detail::ParseTimestamp(text, stamp)) {
            return false;
        }
        std::memcpy(element, &stamp, sizeof stamp);
        length = sizeof stamp;
        return true;
    }
    case BulkInsert::Binding::Double: {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok) {
            return false;
        }
        std::memcpy(element, &value, sizeof value);
        length = sizeof value;
        return true;
    }
    case BulkInsert::Binding::Binary: {
        const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
        if (bytes.size() * 2 != text.size() || bytes.size() > width) {
            return false;
        }
        std::memcpy(element, bytes.constData(), size_t(bytes.size()));
        length = SQLLEN(bytes.size());
        return true;
    }
    }
    return false;
}

} // namespace

BulkInsert::BulkInsert(Connection& connection, const QString& insertSql,
                       std::vector<Binding> columns, int batchSize)
    : core_(connection.core_), textForm_(core_->profile.driver().bindText),
      parameters_(std::make_unique<Parameters>()), columns_(std::move(columns)),
      batchSize_(std::size_t(std::max(1, batchSize))), widest_(columns_.size(), 0) {
    detail::ConnectionCore& core = *core_;
    Parameters& p = *parameters_;
    p.statement = core.newStatement();
    p.statuses.resize(batchSize_);
    p.buffers.resize(columns_.size());
    p.lengths.resize(columns_.size());
    const SQLHSTMT statement = p.statement.get();
    shell::CallDriver([&] {
        core.check(
            SQLPrepareW(statement,
                        const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(insertSql.utf16())),
                        SQL_NTS),
            SQL_HANDLE_STMT, statement, "SQLPrepareW");
    });
    core.check(SQLSetStmtAttr(statement, SQL_ATTR_PARAM_BIND_TYPE,
                              reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_PARAM_BIND_BY_COLUMN)), 0),
               SQL_HANDLE_STMT, statement, "SQLSetStmtAttr(SQL_ATTR_PARAM_BIND_TYPE)");
    core.check(SQLSetStmtAttr(statement, SQL_ATTR_PARAM_STATUS_PTR, p.statuses.data(), 0),
               SQL_HANDLE_STMT, statement, "SQLSetStmtAttr(SQL_ATTR_PARAM_STATUS_PTR)");
    core.check(SQLSetStmtAttr(statement, SQL_ATTR_PARAMS_PROCESSED_PTR, &p.processed, 0),
               SQL_HANDLE_STMT, statement, "SQLSetStmtAttr(SQL_ATTR_PARAMS_PROCESSED_PTR)");
    batch_ = std::make_unique<Batch>();
    setAutocommit(false);
    try {
        worker_.emplace(1);
    } catch (...) {
        // No object is left to turn autocommit on again.
        SQLSetConnectAttr(core.dbc(), SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_ON)), 0);
        throw;
    }
}

BulkInsert::~BulkInsert() {
    // A batch with the server is waited for (a stalled server holds it up).
    worker_.reset();
    detail::ConnectionCore& core = *core_;
    if (core.connected && !core.lost) {
        // Every finished batch is committed or rolled back; after a
        // failure, nothing half sent may be committed by a later statement.
        SQLEndTran(SQL_HANDLE_DBC, core.dbc(), SQL_ROLLBACK);
        SQLSetConnectAttr(core.dbc(), SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_ON)), 0);
    }
}

void BulkInsert::setAutocommit(bool on) {
    detail::ConnectionCore& core = *core_;
    core.requireOpen();
    core.check(
        SQLSetConnectAttr(
            core.dbc(), SQL_ATTR_AUTOCOMMIT,
            reinterpret_cast<SQLPOINTER>(SQLULEN(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0),
        SQL_HANDLE_DBC, core.dbc(), "SQLSetConnectAttr(SQL_ATTR_AUTOCOMMIT)");
}

void BulkInsert::add(std::vector<Value> row, qint64 tag) {
    for (std::size_t c = 0; c < columns_.size() && c < row.size(); ++c) {
        widest_[c] = std::max(widest_[c], widthOf(columns_[c], textForm_, row[c].text()));
    }
    rows_.push_back(std::move(row));
    tags_.push_back(tag);
}

bool BulkInsert::full() const {
    qint64 rowBytes = 0;
    for (qint64 width : widest_) {
        rowBytes += width + qint64(sizeof(SQLLEN));
    }
    return rows_.size() >= batchSize_ || rowBytes * qint64(rows_.size() + 1) > bufferLimit;
}

void BulkInsert::start() {
    Batch& batch = *batch_;
    batch.rows = std::move(rows_);
    batch.tags = std::move(tags_);
    batch.widest = widest_;
    batch.started = true;
    batch.taken = false;
    batch.failure = nullptr;
    rows_.clear();
    tags_.clear();
    std::fill(widest_.begin(), widest_.end(), 0);
    worker_->post([this] {
        Batch& sent = *batch_;
        try {
            sent.taken = execute(sent);
        } catch (...) {
            sent.failure = std::current_exception();
        }
    });
}

bool BulkInsert::finish() {
    Batch& batch = *batch_;
    if (!batch.started) {
        batch.rows.clear();
        batch.tags.clear();
        return true;
    }
    batch.started = false;
    worker_->drain();
    if (batch.failure) {
        std::rethrow_exception(std::exchange(batch.failure, nullptr));
    }
    return batch.taken;
}

const std::vector<std::vector<Value>>& BulkInsert::sent() const {
    return batch_->rows;
}

const std::vector<qint64>& BulkInsert::sentTags() const {
    return batch_->tags;
}

bool BulkInsert::execute(Batch& batch) {
    detail::ConnectionCore& core = *core_;
    core.requireOpen();
    if (batch.rows.empty()) {
        return true;
    }
    try {
        return send(batch);
    } catch (const Error& error) {
        if (error.connectionLost()) {
            throw;
        }
        // Failed before the server saw the rows (a binding it would not
        // take) or at their COMMIT (a deferred constraint): nothing of the
        // batch may stay, so that its rows can go again one by one and each
        // either arrives or is reported.
        SQLFreeStmt(parameters_->statement.get(), SQL_CLOSE);
        core.check(SQLEndTran(SQL_HANDLE_DBC, core.dbc(), SQL_ROLLBACK), SQL_HANDLE_DBC, core.dbc(),
                   "SQLEndTran(SQL_ROLLBACK)");
        return false;
    }
}

bool BulkInsert::send(Batch& batch) {
    detail::ConnectionCore& core = *core_;
    Parameters& p = *parameters_;
    const SQLHSTMT statement = p.statement.get();
    const std::size_t count = batch.rows.size();
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const qint64 width = std::max<qint64>(batch.widest[c], 1);
        p.buffers[c].resize(qsizetype(width * qint64(count)));
        p.lengths[c].resize(count);
        for (std::size_t r = 0; r < count; ++r) {
            const Value& value = batch.rows[r][c];
            SQLLEN& length = p.lengths[c][r];
            if (value.isNull() || value.text().isEmpty()) {
                length = SQL_NULL_DATA;
            } else if (!store(columns_[c], textForm_, value.text(),
                              p.buffers[c].data() + width * qint64(r), width, length)) {
                // No exact form here: the rows go one by one, as literals.
                return false;
            }
        }
        const SqlTypes types = typesOf(columns_[c], textForm_);
        const SQLULEN size = types.cType == SQL_C_WCHAR          ? SQLULEN(width / 2)
                             : columns_[c] == Binding::Timestamp ? 29
                                                                 : SQLULEN(width);
        core.check(SQLBindParameter(statement, SQLUSMALLINT(c + 1), SQL_PARAM_INPUT, types.cType,
                                    types.sqlType, std::max<SQLULEN>(size, 1),
                                    columns_[c] == Binding::Timestamp ? 9 : 0, p.buffers[c].data(),
                                    SQLLEN(width), p.lengths[c].data()),
                   SQL_HANDLE_STMT, statement, "SQLBindParameter");
    }
    core.check(SQLSetStmtAttr(statement, SQL_ATTR_PARAMSET_SIZE,
                              reinterpret_cast<SQLPOINTER>(SQLULEN(count)), 0),
               SQL_HANDLE_STMT, statement, "SQLSetStmtAttr(SQL_ATTR_PARAMSET_SIZE)");

    p.processed = 0;
    std::fill(p.statuses.begin(), p.statuses.end(), SQLUSMALLINT(SQL_PARAM_UNUSED));
    const SQLRETURN rc = SQLExecute(statement);
    bool taken = false;
    try {
        core.check(rc, SQL_HANDLE_STMT, statement, "SQLExecute");
        // Only what the driver says of every row counts: a status that is
        // success for each, and as many rows done as sent.
        taken = p.processed == count;
        for (std::size_t r = 0; r < count && taken; ++r) {
            taken =
                p.statuses[r] == SQL_PARAM_SUCCESS || p.statuses[r] == SQL_PARAM_SUCCESS_WITH_INFO;
        }
    } catch (const Error& error) {
        if (error.connectionLost()) {
            throw;
        }
    }
    SQLFreeStmt(statement, SQL_CLOSE);
    core.check(SQLEndTran(SQL_HANDLE_DBC, core.dbc(), taken ? SQL_COMMIT : SQL_ROLLBACK),
               SQL_HANDLE_DBC, core.dbc(),
               taken ? "SQLEndTran(SQL_COMMIT)" : "SQLEndTran(SQL_ROLLBACK)");
    return taken;
}

} // namespace db
