#pragma once
// The two logins and the connection strings built from them. A login is the
// live content of the connection window's text boxes: callers pass the fields
// as they stand at the moment of the call, nothing here keeps a copy.
#include <QString>

namespace db {

struct OracleLogin {
    QString OracleServer; // the SID
    QString OracleUser;
    QString OraclePassword;
};

struct Db2Login {
    QString Server; // host
    QString Port;   // text, never parsed: the driver judges it
    QString User;
    QString Password;
    QString Database;
};

// The keys the logins are stored under, in the order the start-up restores
// them, each with the environment variable that overrides it for the command
// line. The one list of them, for both front ends.
struct LoginKey {
    bool oracle; // else DB2
    const char16_t* key;
    const char* environment;
};
inline constexpr LoginKey loginKeys[] = {
    {false, u"Server", "DUSKFERRY_DB2_SERVER"},
    {false, u"Port", "DUSKFERRY_DB2_PORT"},
    {false, u"User", "DUSKFERRY_DB2_USER"},
    {false, u"Password", "DUSKFERRY_DB2_PASSWORD"},
    {false, u"Database", "DUSKFERRY_DB2_DATABASE"},
    {true, u"OracleServer", "DUSKFERRY_ORACLE_SERVER"},
    {true, u"OracleUser", "DUSKFERRY_ORACLE_USER"},
    {true, u"OraclePassword", "DUSKFERRY_ORACLE_PASSWORD"},
};

// Every value goes in as typed. A value with ";", "{" or "}" in it is put
// between braces with each "}" doubled, so it cannot end early and smuggle
// further keywords (another database, another driver) into the string.
QString OracleConnectionString(const OracleLogin& login);
QString Db2ConnectionString(const Db2Login& login);

// True when a connection opens with the login; false, without a word, when
// the driver refuses it. No connection outlives the check.
bool CanConnectOracle(const OracleLogin& login);
bool CanConnectDb2(const Db2Login& login);

} // namespace db
