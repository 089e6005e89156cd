// The driver table: what each ODBC driver does differently.
#include "Server.h"

#include <sql.h>
#include <sqlext.h>

namespace db {

namespace {

using namespace Qt::StringLiterals;

// DB2 CLI's own codes (sqlcli.h), each with the ODBC type it behaves as.
const DriverBehavior db2Cli{
    .kind = DriverKind::Db2Cli,
    .readText = TextForm::Utf16,
    .bindText = TextForm::Utf16,
    .lostConnectionStates = {},
    .vendorTypes = {{-95, SQL_WCHAR},          // GRAPHIC
                    {-96, SQL_WVARCHAR},       // VARGRAPHIC
                    {-97, SQL_WLONGVARCHAR},   // LONG VARGRAPHIC
                    {-98, SQL_LONGVARBINARY},  // BLOB
                    {-99, SQL_WLONGVARCHAR},   // CLOB
                    {-350, SQL_WLONGVARCHAR},  // DBCLOB
                    {-360, SQL_DECIMAL, true}, // DECFLOAT
                    {-370, SQL_WLONGVARCHAR},  // XML
                    {16, SQL_BIT}},            // BOOLEAN
};

const DriverBehavior oracleOdbc{
    .kind = DriverKind::OracleOdbc,
    .readText = TextForm::Utf16,
    .bindText = TextForm::Utf16,
    .lostConnectionStates = {},
    .vendorTypes = {},
};

const DriverBehavior psqlOdbc{
    .kind = DriverKind::PsqlOdbc,
    // Measured exact as UTF-16 both ways; its UTF-8 form follows the
    // client's locale, which the program does not choose.
    .readText = TextForm::Utf16,
    .bindText = TextForm::Utf16,
    // The server ended the session (pg_terminate_backend, shutdown).
    .lostConnectionStates = {u"57P01"_s, u"57P02"_s, u"57P03"_s},
    .vendorTypes = {},
};

const DriverBehavior mariaDbOdbc{
    .kind = DriverKind::MariaDbOdbc,
    // 3.1 loses the end of long wide texts it reads (REPEAT('ペース', 700)
    // arrives as 1 400 characters) and appends a U+0000 to some wide texts
    // bound in arrays; the connection's utf8mb4 crosses it exactly.
    .readText = TextForm::Utf8,
    .bindText = TextForm::Utf8,
    .lostConnectionStates = {},
    .vendorTypes = {},
};

const DriverBehavior otherDriver{
    .kind = DriverKind::Other,
    .readText = TextForm::Utf16,
    .bindText = TextForm::Utf16,
    .lostConnectionStates = {},
    .vendorTypes = {},
};

} // namespace

DriverKind DriverKindOf(const QString& driverName) {
    if (driverName.contains(u"sqora", Qt::CaseInsensitive)) {
        return DriverKind::OracleOdbc;
    }
    if (driverName.contains(u"db2", Qt::CaseInsensitive)) {
        return DriverKind::Db2Cli;
    }
    if (driverName.contains(u"psqlodbc", Qt::CaseInsensitive)) {
        return DriverKind::PsqlOdbc;
    }
    if (driverName.contains(u"maodbc", Qt::CaseInsensitive)) {
        return DriverKind::MariaDbOdbc;
    }
    return DriverKind::Other;
}

const DriverBehavior& BehaviorOf(DriverKind kind) {
    switch (kind) {
    case DriverKind::OracleOdbc:
        return oracleOdbc;
    case DriverKind::Db2Cli:
        return db2Cli;
    case DriverKind::PsqlOdbc:
        return psqlOdbc;
    case DriverKind::MariaDbOdbc:
        return mariaDbOdbc;
    case DriverKind::Other:
        break;
    }
    return otherDriver;
}

bool StandardizeDescription(const DriverBehavior& driver, ColumnDescription& description) {
    for (const DriverBehavior::VendorType& vendor : driver.vendorTypes) {
        if (vendor.code == description.sqlType) {
            description.sqlType = vendor.standardType;
            if (vendor.floatingDecimal) {
                description.size = 0;
                description.decimalDigits = 0;
            }
            return vendor.floatingDecimal;
        }
    }
    return false;
}

} // namespace db
