#include "Session.h"

#include "ConnectionCore.h"
#include "RowSource.h"
#include "shell/Interrupt.h"

#include <algorithm>
#include <optional>

namespace db {

namespace detail {

const SQLWCHAR* wide(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

StatementHandle ConnectionCore::newStatement() {
    requireOpen();
    StatementHandle statement;
    try {
        statement = StatementHandle::allocate(dbc());
    } catch (const Error& error) {
        if (error.connectionLost()) {
            lost = true;
        }
        throw;
    }
    if (commandTimeout > 0) {
        check(SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                             reinterpret_cast<SQLPOINTER>(SQLULEN(commandTimeout)), 0),
              SQL_HANDLE_STMT, statement.get(), "SQLSetStmtAttr(SQL_ATTR_QUERY_TIMEOUT)");
    }
    return statement;
}

std::optional<Error> ConnectionCore::disconnect() noexcept {
    for (RowSource* rows : openRowSets) {
        rows->endStatement();
    }
    openRowSets.clear();
    if (!connected) {
        return std::nullopt;
    }
    if (succeeded(SQLDisconnect(connection.get()))) {
        connected = false;
        return std::nullopt;
    }
    // Refused, most likely for a transaction still open (25000): roll it
    // back and try once more. A connection the driver still will not close
    // stays marked open, since freeing its handle would fail as well; the
    // server's session then ends with the program.
    try {
        QString state;
        const QString first = diagnostics(SQL_HANDLE_DBC, connection.get(), &state);
        SQLEndTran(SQL_HANDLE_DBC, connection.get(), SQL_ROLLBACK);
        if (succeeded(SQLDisconnect(connection.get()))) {
            connected = false;
            return std::nullopt;
        }
        return Error(QStringLiteral("The connection could not be closed: ") + first, state);
    } catch (...) {
        return Error(QStringLiteral("The connection could not be closed"));
    }
}

namespace {

// The server table's limits, or the longer ones the session says it takes.
// A query that fails (a login without the right to read it) or says
// anything else keeps the shorter.
LiteralLimits SessionLiteralLimits(ConnectionCore& core) {
    LiteralLimits limits = core.profile.literalLimits;
    if (limits.extendedQuery.isEmpty()) {
        return limits;
    }
    StatementHandle statement = core.newStatement();
    const QString sql = limits.extendedQuery.toString();
    SQLWCHAR value[32] = {};
    SQLLEN length = 0;
    if (SQL_SUCCEEDED(SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(wide(sql)), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(statement.get())) &&
        SQL_SUCCEEDED(SQLGetData(statement.get(), 1, SQL_C_WCHAR, value, sizeof value, &length)) &&
        length > 0 &&
        QString::fromUtf16(reinterpret_cast<const char16_t*>(value))
                .trimmed()
                .compare(u"EXTENDED", Qt::CaseInsensitive) == 0) {
        limits.literalBytes = limits.extendedLiteralBytes;
    }
    return limits;
}

} // namespace

} // namespace detail

using detail::check;

// ---- Connection ----

Connection::Connection() : core_(std::make_shared<detail::ConnectionCore>()) {}
Connection::~Connection() {
    if (core_) {
        core_->disconnect();
    }
}
Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&&) noexcept = default;

void Connection::setCursorLocation(CursorLocation location) {
    core_->cursorLocation = location;
}
CursorLocation Connection::cursorLocation() const {
    return core_->cursorLocation;
}
void Connection::setReadAhead(bool readAhead) {
    core_->readAhead = readAhead;
}
void Connection::setCommandTimeout(int seconds) {
    core_->commandTimeout = seconds;
}
void Connection::setConnectionTimeout(int seconds) {
    core_->connectionTimeout = seconds;
}

void Connection::Open(const QString& connectionString) {
    auto& core = *core_;
    if (core.connected) {
        throw Error(QStringLiteral("The connection is already open"));
    }
    if (!core.environment) {
        detail::EnvironmentHandle environment =
            detail::EnvironmentHandle::allocate(SQL_NULL_HANDLE);
        // Kept only once it is set up: an environment without its ODBC
        // version would fail every later open.
        check(SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, environment.get(), "SQLSetEnvAttr(SQL_ATTR_ODBC_VERSION)");
        core.environment = std::move(environment);
    }
    core.connection = detail::ConnectionHandle::allocate(core.environment.get());
    if (core.connectionTimeout > 0) {
        check(SQLSetConnectAttr(core.dbc(), SQL_ATTR_LOGIN_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(SQLULEN(core.connectionTimeout)), 0),
              SQL_HANDLE_DBC, core.dbc(), "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
    }
    SQLWCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    check(SQLDriverConnectW(
              core.dbc(), nullptr, const_cast<SQLWCHAR*>(detail::wide(connectionString)), SQL_NTS,
              completed, SQLSMALLINT(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, core.dbc(), "SQLDriverConnectW");
    core.connected = true;
    const auto info = [&core](SQLUSMALLINT type, const char* operation) {
        SQLWCHAR text[128] = {};
        SQLSMALLINT bytes = 0;
        core.check(SQLGetInfoW(core.dbc(), type, text, SQLSMALLINT(sizeof text), &bytes),
                   SQL_HANDLE_DBC, core.dbc(), operation);
        return QString::fromUtf16(
            reinterpret_cast<const char16_t*>(text),
            std::clamp<qsizetype>(bytes / qsizetype(sizeof(SQLWCHAR)), 0, std::size(text) - 1));
    };
    core.profile = ClassifyServer(info(SQL_DBMS_NAME, "SQLGetInfoW(SQL_DBMS_NAME)"),
                                  info(SQL_DRIVER_NAME, "SQLGetInfoW(SQL_DRIVER_NAME)"),
                                  info(SQL_DRIVER_VER, "SQLGetInfoW(SQL_DRIVER_VER)"));
    core.profile.literalLimits = detail::SessionLiteralLimits(core);
    // Local settings, answered at once: no need to serve the window (the
    // connection checks of the start-up run through here too).
    for (const QString& sql : core.profile.server().sessionSetUp) {
        detail::StatementHandle statement = core.newStatement();
        core.check(
            SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(detail::wide(sql)), SQL_NTS),
            SQL_HANDLE_STMT, statement.get(), "SQLExecDirectW");
    }
}

bool Connection::isOpen() const {
    return core_->connected;
}

const ServerProfile& Connection::profile() const {
    return core_->profile;
}

void Connection::Execute(const QString& sql) {
    detail::ConnectionCore& core = *core_;
    detail::StatementHandle statement = core.newStatement();
    // The window stays live however long the server takes.
    shell::CallDriver([&] {
        core.check(
            SQLExecDirectW(statement.get(), const_cast<SQLWCHAR*>(detail::wide(sql)), SQL_NTS),
            SQL_HANDLE_STMT, statement.get(), "SQLExecDirectW");
    });
}

void Connection::Execute(const QString& sql, const BoundValues& values) {
    if (values.empty()) {
        Execute(sql);
        return;
    }
    detail::ConnectionCore& core = *core_;
    detail::StatementHandle statement = core.newStatement();
    shell::CallDriver([&] { detail::ExecuteBound(core, statement.get(), sql, values); });
}

// A catalogue function's result as a row set; `call` runs it on the
// statement.
template <class Call> RowSet Connection::openCatalogue(Call&& call) {
    RowSet rows;
    rows.source_ = std::make_unique<detail::RowSource>();
    rows.source_->start(core_, std::forward<Call>(call));
    return rows;
}

RowSet Connection::OpenSchema(int schema) {
    if (schema != schemaTables) {
        throw Error(QStringLiteral("Schema %1 is not supported").arg(schema));
    }
    detail::ConnectionCore& core = *core_;
    return openCatalogue([&core](SQLHSTMT statement) {
        core.check(SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
                   SQL_HANDLE_STMT, statement, "SQLTablesW");
    });
}

RowSet Connection::OpenPrimaryKey(const QString& table) {
    detail::ConnectionCore& core = *core_;
    return openCatalogue([&](SQLHSTMT statement) {
        core.check(SQLPrimaryKeysW(statement, nullptr, 0, nullptr, 0,
                                   const_cast<SQLWCHAR*>(detail::wide(table)), SQL_NTS),
                   SQL_HANDLE_STMT, statement, "SQLPrimaryKeysW");
    });
}

RowSet Connection::OpenUniqueIndexes(const QString& table) {
    return openStatistics(table, SQL_INDEX_UNIQUE);
}

RowSet Connection::OpenIndexes(const QString& table) {
    return openStatistics(table, SQL_INDEX_ALL);
}

RowSet Connection::openStatistics(const QString& table, unsigned short which) {
    detail::ConnectionCore& core = *core_;
    return openCatalogue([&](SQLHSTMT statement) {
        core.check(SQLStatisticsW(statement, nullptr, 0, nullptr, 0,
                                  const_cast<SQLWCHAR*>(detail::wide(table)), SQL_NTS, which,
                                  SQL_QUICK),
                   SQL_HANDLE_STMT, statement, "SQLStatisticsW");
    });
}

RowSet Connection::OpenForeignKeys(const QString& table) {
    detail::ConnectionCore& core = *core_;
    return openCatalogue([&](SQLHSTMT statement) {
        core.check(SQLForeignKeysW(statement, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
                                   nullptr, 0, const_cast<SQLWCHAR*>(detail::wide(table)), SQL_NTS),
                   SQL_HANDLE_STMT, statement, "SQLForeignKeysW");
    });
}

RowSet Connection::OpenTypeInfo() {
    detail::ConnectionCore& core = *core_;
    return openCatalogue([&](SQLHSTMT statement) {
        core.check(SQLGetTypeInfoW(statement, SQL_ALL_TYPES), SQL_HANDLE_STMT, statement,
                   "SQLGetTypeInfoW");
    });
}

void Connection::Close() {
    // A connection that is lost is still closed without a word: closing is
    // how every operation ends.
    if (!core_->connected) {
        throw Error(QStringLiteral("The connection is not open"));
    }
    if (std::optional<Error> failure = core_->disconnect()) {
        throw *failure;
    }
}

// ---- RowSet ----

RowSet::RowSet() = default;
RowSet::~RowSet() = default;
RowSet::RowSet(RowSet&&) noexcept = default;
RowSet& RowSet::operator=(RowSet&&) noexcept = default;

void RowSet::Open(const QString& sql, Connection& connection) {
    if (source_) {
        throw Error(QStringLiteral("The row set is already open"));
    }
    auto source = std::make_unique<detail::RowSource>();
    detail::ConnectionCore& core = *connection.core_;
    source->start(connection.core_, [&sql, &core](SQLHSTMT statement) {
        core.check(SQLExecDirectW(statement, const_cast<SQLWCHAR*>(detail::wide(sql)), SQL_NTS),
                   SQL_HANDLE_STMT, statement, "SQLExecDirectW");
    });
    source_ = std::move(source);
}

void RowSet::Open(const QString& sql, Connection& connection, int /*cursorType*/,
                  int /*lockType*/) {
    Open(sql, connection);
}

detail::RowSource& RowSet::open() const {
    if (!source_) {
        throw Error(QStringLiteral("The row set is not open"));
    }
    return *source_;
}

qint64 RowSet::RecordCount() const {
    detail::RowSource& source = open();
    if (!source.store) {
        return -1;
    }
    source.awaitAllRows();
    return source.store->rowCount();
}

bool RowSet::Eof() const {
    return open().eof;
}

void RowSet::MoveNext() {
    detail::RowSource& source = open();
    if (source.eof) {
        throw Error(QStringLiteral("The row set is at its end"));
    }
    source.advance();
}

void RowSet::Close() {
    open();
    source_.reset();
}

bool RowSet::isOpen() const {
    return source_ != nullptr;
}

// ---- Fields ----

int Fields::count() const {
    return int(rows_->open().columns.size());
}

Field Fields::item(int index) const {
    if (index < 0 || index >= count()) {
        throw Error(QStringLiteral("No field at position %1").arg(index));
    }
    return Field(rows_, index);
}

Field Fields::item(QStringView name) const {
    const auto& columns = rows_->open().columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return Field(rows_, int(i));
        }
    }
    throw Error(QStringLiteral("No field named %1").arg(name));
}

QString Field::Name() const {
    return rows_->open().columns[std::size_t(index_)].name;
}
int Field::Type() const {
    return rows_->open().columns[std::size_t(index_)].adoType;
}

const ColumnDescription& Field::Description() const {
    return rows_->open().columns[std::size_t(index_)].description;
}

db::Value Field::Value() const {
    const detail::RowSource& source = rows_->open();
    if (source.eof) {
        throw Error(QStringLiteral("The row set is at its end"));
    }
    const detail::Cell& cell = source.current[std::size_t(index_)];
    if (cell.failed) {
        throw Error(cell.error);
    }
    return cell.value;
}

} // namespace db
