#include "OwnerSql.h"

#include <sql.h>
#include <sqlext.h>
#include <stdexcept>

namespace standin {

QString connectionString(Side side) {
    return side == Side::Oracle ? oracleConnectionString(oracle()) : db2ConnectionString(db2());
}

db::Connection openAsOwner(Side side, db::CursorLocation location) {
    db::Connection connection;
    connection.setCursorLocation(location);
    connection.Open(connectionString(side));
    return connection;
}

void execute(Side side, const QString& sql) {
    openAsOwner(side).Execute(sql);
}

void dropIfExists(Side side, const QString& table) {
    try {
        execute(side, QStringLiteral("DROP TABLE \"%1\"").arg(table));
    } catch (const db::Error&) {
    }
}

void dropOnBothSides(const QString& table) {
    for (Side side : {Side::Oracle, Side::Db2}) {
        dropIfExists(side, table);
    }
}

namespace {

// The session layer has no catalogue of columns (the program needs none), so
// this goes to the driver itself.
struct Handle {
    SQLSMALLINT type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Handle(SQLSMALLINT t, SQLHANDLE parent) : type(t) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(t, parent, &handle))) {
            throw std::runtime_error("SQLAllocHandle failed");
        }
    }
    ~Handle() { SQLFreeHandle(type, handle); }
};

void require(SQLRETURN rc, const char* what) {
    if (!SQL_SUCCEEDED(rc)) {
        throw std::runtime_error(what);
    }
}

QString textColumn(SQLHSTMT statement, SQLUSMALLINT number) {
    SQLWCHAR text[256] = {};
    SQLLEN length = 0;
    require(SQLGetData(statement, number, SQL_C_WCHAR, text, sizeof text, &length), "SQLGetData");
    if (length == SQL_NULL_DATA) {
        return {};
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text));
}

qint64 numberColumn(SQLHSTMT statement, SQLUSMALLINT number) {
    SQLBIGINT value = 0;
    SQLLEN length = 0;
    require(SQLGetData(statement, number, SQL_C_SBIGINT, &value, sizeof value, &length),
            "SQLGetData");
    return length == SQL_NULL_DATA ? 0 : qint64(value);
}

} // namespace

QList<CatalogueColumn> catalogueColumns(Side side, const QString& table) {
    Handle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    require(SQLSetEnvAttr(environment.handle, SQL_ATTR_ODBC_VERSION,
                          reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            "SQLSetEnvAttr");
    Handle connection(SQL_HANDLE_DBC, environment.handle);
    const std::u16string login = connectionString(side).toStdU16String();
    require(SQLDriverConnectW(connection.handle, nullptr,
                              reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(login.c_str())),
                              SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            "SQLDriverConnectW");
    QList<CatalogueColumn> columns;
    {
        Handle statement(SQL_HANDLE_STMT, connection.handle);
        std::u16string name = table.toStdU16String();
        require(SQLColumnsW(statement.handle, nullptr, 0, nullptr, 0,
                            reinterpret_cast<SQLWCHAR*>(name.data()), SQL_NTS, nullptr, 0),
                "SQLColumnsW");
        while (SQL_SUCCEEDED(SQLFetch(statement.handle))) {
            CatalogueColumn column;
            column.name = textColumn(statement.handle, 4);
            column.typeName = textColumn(statement.handle, 6).toUpper();
            column.size = numberColumn(statement.handle, 7);
            column.decimalDigits = int(numberColumn(statement.handle, 9));
            column.nullable = numberColumn(statement.handle, 11) != SQL_NO_NULLS;
            columns << column;
        }
    }
    SQLDisconnect(connection.handle);
    return columns;
}

} // namespace standin
