#pragma once
// The stand-in database servers that database tests run against: PostgreSQL
// behind the driver name "Microsoft ODBC for Oracle", MariaDB behind
// "IBM DB2 ODBC DRIVER". scripts/standin.sh starts a pair in a folder and writes
// DIR/env; ctest does that once per run and names the file in
// DUSKFERRY_STANDIN_ENV. load() must run before the first ODBC handle is
// allocated (in initTestCase), because the driver manager reads ODBCSYSINI and
// the drivers read PGPORT and friends from this process's environment:
//
//     void initTestCase() {
//         QString why;
//         QVERIFY2(standin::load(&why), qPrintable(why));
//     }
//
// A test that needs the servers and cannot reach them fails; it never skips.
#include "db/Side.h"

#include <QList>
#include <QString>
#include <sys/types.h>

namespace standin {

// The login boxes of the Oracle side: the SID, user and password.
struct OracleLogins {
    QString server;
    QString user;
    QString password;
};

// The login boxes of the DB2 side.
struct Db2Logins {
    QString server; // host
    QString port;
    QString user;
    QString password;
    QString database;
};

using db::Side;

// The side a copy from `side` goes to.
inline Side otherSide(Side side) {
    return db::OtherSide(side);
}

// Puts every variable of the env file into this process's environment and checks
// that both servers accept connections. On failure *why says what is wrong and
// how to start the servers.
bool load(QString* why);

// Owners of the test data: the Oracle side's login lands in its own database, the
// DB2 side's in SAMPLE.
OracleLogins oracle();
Db2Logins db2();
// Logins that own no table at all, each with its own empty database.
OracleLogins lonelyOracle();
Db2Logins lonelyDb2();

// The connection strings in the program's own formats.
QString oracleConnectionString(const OracleLogins& logins);
QString db2ConnectionString(const Db2Logins& logins);

// Runs SQL as the server's administrator, for set-up that the logins cannot do:
// psql as postgres in the Oracle-side user's database, or mariadb as the admin
// account in SAMPLE. Statements go in as a script, so several may be given,
// separated by ";". *output (may be null) receives what the client printed (rows
// tab-separated, without headings) or, on failure, its error text.
bool adminSql(Side side, const QString& sql, QString* output);

// For tests that stop or kill a server: a pair of servers of the test's own
// in DIR (scripts/standin.sh start DIR), loaded as load() does. Starting again
// in the same DIR replaces the pair with fresh, empty servers.
bool startOwn(const QString& dir, QString* why);
void stopOwn(const QString& dir);

// The running server processes of a side, from the folder its servers run in:
// the postmaster and every process it started (the sessions), or mariadbd.
QList<pid_t> serverProcesses(Side side);

} // namespace standin
