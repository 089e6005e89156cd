#include "Profiles.h"

#include "Session.h"

namespace db {

namespace {

QString odbcValue(const QString& value) {
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}'))
        return value;
    QString quoted = value;
    quoted.replace(u'}', QStringLiteral("}}"));
    return u'{' + quoted + u'}';
}

bool canConnect(const QString& connectionString) {
    // Creating the connection may fail for reasons that are not a refused
    // login (no driver manager); that goes to the caller's trap.
    // Leaving the function ends the connection (the destructor closes it), so
    // a check never leaves a session open and never fails after a good login.
    Connection connection;
    try {
        connection.Open(connectionString);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

QString OracleConnectionString(const OracleLogin& login) {
    return QStringLiteral("Driver={Microsoft ODBC for Oracle};Server=") +
           odbcValue(login.OracleServer) + QStringLiteral(";Uid=") + odbcValue(login.OracleUser) +
           QStringLiteral(";Pwd=") + odbcValue(login.OraclePassword) + u';';
}

QString Db2ConnectionString(const Db2Login& login) {
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + odbcValue(login.Database) +
           QStringLiteral(";Hostname=") + odbcValue(login.Server) + QStringLiteral(";Port=") +
           odbcValue(login.Port) + QStringLiteral(";Protocol=TCPIP;Uid=") + odbcValue(login.User) +
           QStringLiteral(";Pwd=") + odbcValue(login.Password) + u';';
}

bool CanConnectOracle(const OracleLogin& login) {
    return canConnect(OracleConnectionString(login));
}

bool CanConnectDb2(const Db2Login& login) {
    return canConnect(Db2ConnectionString(login));
}

} // namespace db
