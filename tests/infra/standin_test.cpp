// The stand-in servers keep the promises that every database test builds on:
// the program's connection strings reach the right database as the right user,
// wrong logins are refused, each login's catalogue shows its own tables and
// nothing else, and the statement forms the program sends are accepted. Checked
// through unixODBC's isql, so that a fault here is told apart from one in the
// program's own ODBC layer.
#include "support/StandIn.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;

Q_DECLARE_METATYPE(standin::Side)

namespace {

struct IsqlRun {
    bool connected = false;
    QStringList rows;   // one line per row, columns tab-separated
    QStringList errors; // diagnostics of the connection or any statement
};

// One connection, one statement per line. isql's exit status tells only whether
// it connected; a failed statement shows as a diagnostic line.
IsqlRun isql(const QString& connectionString, const QStringList& statements) {
    QProcess process;
    process.start(u"isql"_s, {u"-v"_s, u"-b"_s, u"-x0x09"_s, u"-k"_s, connectionString});
    IsqlRun run;
    if (!process.waitForStarted(10000)) {
        run.errors << u"isql: "_s + process.errorString();
        return run;
    }
    process.write(statements.join(u'\n').toUtf8() + "\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.errors << u"isql did not finish within 60 s"_s;
        return run;
    }
    run.connected = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    static const QRegularExpression diagnostic(u"^\\[[0-9A-Z]{5}\\]"_s);
    const QStringList out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
    for (const QString& line : out) {
        if (diagnostic.match(line).hasMatch())
            run.errors << line;
        else if (!line.isEmpty())
            run.rows << line;
    }
    const QStringList err = QString::fromUtf8(process.readAllStandardError()).split(u'\n');
    for (const QString& line : err) {
        if (!line.isEmpty())
            run.errors << line;
    }
    return run;
}

QString ownerOracle() {
    return standin::oracleConnectionString(standin::oracle());
}
QString ownerDb2() {
    return standin::db2ConnectionString(standin::db2());
}
QString lonelyOracle() {
    return standin::oracleConnectionString(standin::lonelyOracle());
}
QString lonelyDb2() {
    return standin::db2ConnectionString(standin::lonelyDb2());
}

// The table and view that the owners make for the catalogue cases; mixed case,
// because the program quotes every name and the catalogue must keep the case.
const QString ownedTable = u"StandInOwned"_s;
const QString ownedView = u"StandInOwnedView"_s;

} // namespace

class StandInTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectsAsItsOwnUser_data();
    void connectsAsItsOwnUser();
    void refusesWrongLogin_data();
    void refusesWrongLogin();
    void catalogueShowsOwnTablesOnly_data();
    void catalogueShowsOwnTablesOnly();
    void acceptsTheProgramsStatements_data();
    void acceptsTheProgramsStatements();
    void adminSqlRunsAsAdministrator_data();
    void adminSqlRunsAsAdministrator();
};

void StandInTest::initTestCase() {
    QString why;
    QVERIFY2(standin::load(&why), qPrintable(why));

    const QString create = u"CREATE TABLE \"%1\" (\"Id\" INTEGER)"_s.arg(ownedTable);
    const QString view = u"CREATE VIEW \"%1\" AS SELECT * FROM \"%2\""_s.arg(ownedView, ownedTable);
    for (const QString& connection : {ownerOracle(), ownerDb2()}) {
        const IsqlRun run = isql(connection, {create, view});
        QVERIFY2(run.connected && run.errors.isEmpty(), qPrintable(run.errors.join(u'\n')));
    }
}

// The servers live for the whole ctest run: leave nothing behind for the
// catalogue tests of other programs.
void StandInTest::cleanupTestCase() {
    const QStringList drop = {u"DROP VIEW \"%1\""_s.arg(ownedView),
                              u"DROP TABLE \"%1\""_s.arg(ownedTable)};
    for (const QString& connection : {ownerOracle(), ownerDb2()})
        isql(connection, drop);
}

void StandInTest::connectsAsItsOwnUser_data() {
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");

    const QString oracleWho = u"SELECT current_database(), current_user"_s;
    const QString db2Who = u"SELECT DATABASE(), CURRENT_USER()"_s;
    // An Oracle login works in its own schema: the database named like the user.
    QTest::newRow("oracle owner") << ownerOracle() << oracleWho
                                  << standin::oracle().user + u'\t' + standin::oracle().user;
    QTest::newRow("oracle lonely")
        << lonelyOracle() << oracleWho
        << standin::lonelyOracle().user + u'\t' + standin::lonelyOracle().user;
    QTest::newRow("db2 owner") << ownerDb2() << db2Who
                               << standin::db2().database + u'\t' + standin::db2().user + u"@%"_s;
    QTest::newRow("db2 lonely") << lonelyDb2() << db2Who
                                << standin::lonelyDb2().database + u'\t' +
                                       standin::lonelyDb2().user + u"@%"_s;
}

void StandInTest::connectsAsItsOwnUser() {
    QFETCH(QString, connection);
    QFETCH(QString, query);
    QFETCH(QString, expected);

    const IsqlRun run = isql(connection, {query});
    QVERIFY2(run.connected && run.errors.isEmpty(), qPrintable(run.errors.join(u'\n')));
    QCOMPARE(run.rows, QStringList{expected});
}

void StandInTest::refusesWrongLogin_data() {
    QTest::addColumn<QString>("connection");

    standin::OracleLogins oracle = standin::oracle();
    oracle.password += u"x"_s;
    // Passwords are checked on TCP only; a server that trusted loopback would
    // let the program's wrong-password path pass unseen.
    QTest::newRow("oracle wrong password") << standin::oracleConnectionString(oracle);
    oracle = standin::oracle();
    oracle.user = u"nobody"_s;
    QTest::newRow("oracle unknown user") << standin::oracleConnectionString(oracle);

    standin::Db2Logins db2 = standin::db2();
    db2.password += u"x"_s;
    QTest::newRow("db2 wrong password") << standin::db2ConnectionString(db2);
    db2 = standin::db2();
    db2.port = QString::number(db2.port.toInt() == 1 ? 2 : 1);
    QTest::newRow("db2 wrong port") << standin::db2ConnectionString(db2);
    db2 = standin::lonelyDb2();
    db2.database = standin::db2().database;
    QTest::newRow("db2 lonely in the owner's database") << standin::db2ConnectionString(db2);
}

void StandInTest::refusesWrongLogin() {
    QFETCH(QString, connection);

    const IsqlRun run = isql(connection, {u"SELECT 1"_s});
    QVERIFY2(!run.connected, qPrintable(run.rows.join(u'\n')));
    QVERIFY(!run.errors.isEmpty());
}

void StandInTest::catalogueShowsOwnTablesOnly_data() {
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("expected");

    // The Oracle side lists tables through the dictionary view, names only.
    const QString userTables = u"SELECT table_name FROM user_tables ORDER BY 1"_s;
    QTest::newRow("oracle owner") << ownerOracle() << userTables << QStringList{ownedTable};
    QTest::newRow("oracle lonely") << lonelyOracle() << userTables << QStringList{};
    // The DB2 side lists through the ODBC tables catalogue ("help" in isql),
    // keeping TABLE and VIEW rows as "type name"; the server's own schemas show
    // as SYSTEM VIEW or must not show at all.
    QTest::newRow("db2 owner") << ownerDb2() << u"help"_s
                               << QStringList{u"TABLE "_s + ownedTable, u"VIEW "_s + ownedView};
    QTest::newRow("db2 lonely") << lonelyDb2() << u"help"_s << QStringList{};
}

void StandInTest::catalogueShowsOwnTablesOnly() {
    QFETCH(QString, connection);
    QFETCH(QString, statement);
    QFETCH(QStringList, expected);

    const IsqlRun run = isql(connection, {statement});
    QVERIFY2(run.connected && run.errors.isEmpty(), qPrintable(run.errors.join(u'\n')));
    QStringList listed;
    for (const QString& row : run.rows) {
        if (statement != u"help"_s) {
            listed << row;
            continue;
        }
        const QStringList columns = row.split(u'\t');
        QVERIFY2(columns.size() >= 4, qPrintable(row));
        if (columns[3] == u"TABLE"_s || columns[3] == u"VIEW"_s)
            listed << columns[3] + u' ' + columns[2];
    }
    listed.sort();
    QCOMPARE(listed, expected);
}

void StandInTest::acceptsTheProgramsStatements_data() {
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("expected");

    // Bare 1 into BOOL is what the Oracle side receives for a true bit; stock
    // PostgreSQL rejects it.
    QTest::newRow("oracle") << ownerOracle()
                            << QStringList{
                                   u"CREATE TABLE \"StandInTypes\" (\"Flag\" BOOL, \"Text\" "
                                   u"VARCHAR(2000), \"Amount\" NUMERIC, \"Day\" DATE)"_s,
                                   u"INSERT INTO \"StandInTypes\" VALUES (1, 'it''s', "
                                   u"'12.50', '2024-02-29')"_s,
                                   u"SELECT * FROM \"StandInTypes\""_s,
                                   u"DROP TABLE \"StandInTypes\""_s,
                               }
                            << u"1\tit's\t12.50\t2024-02-29"_s;
    // Double-quoted names need ANSI_QUOTES; LONG VARCHAR is the DB2 type for text.
    QTest::newRow("db2") << ownerDb2()
                         << QStringList{
                                u"CREATE TABLE \"StandInTypes\" (\"Text\" LONG VARCHAR, \"Amount\" "
                                u"NUMERIC(10,2), \"Day\" DATE)"_s,
                                u"INSERT INTO \"StandInTypes\" VALUES ('it''s', '12.50', "
                                u"'2024-02-29')"_s,
                                u"SELECT * FROM \"StandInTypes\""_s,
                                u"DROP TABLE \"StandInTypes\""_s,
                            }
                         << u"it's\t12.50\t2024-02-29"_s;
}

void StandInTest::acceptsTheProgramsStatements() {
    QFETCH(QString, connection);
    QFETCH(QStringList, statements);
    QFETCH(QString, expected);

    const IsqlRun run = isql(connection, statements);
    QVERIFY2(run.connected && run.errors.isEmpty(), qPrintable(run.errors.join(u'\n')));
    QCOMPARE(run.rows, QStringList{expected});
}

void StandInTest::adminSqlRunsAsAdministrator_data() {
    QTest::addColumn<Side>("side");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("output");

    QTest::newRow("oracle superuser")
        << Side::Oracle << u"SELECT rolsuper FROM pg_roles WHERE rolname = current_user;"_s << true
        << u"t\n"_s;
    QTest::newRow("oracle several statements")
        << Side::Oracle
        << u"CREATE TEMP TABLE t (a int); INSERT INTO t VALUES (7); SELECT * FROM t;"_s << true
        << u"7\n"_s;
    QTest::newRow("oracle error") << Side::Oracle << u"SELECT * FROM \"NoSuchTable\";"_s << false
                                  << u"NoSuchTable"_s;
    // The DB2 stand-in's own settings, which the program's quoting and the
    // catalogue rely on.
    QTest::newRow("db2 settings")
        << Side::Db2
        << u"SELECT @@GLOBAL.sql_mode LIKE '%ANSI_QUOTES%', @@GLOBAL.performance_schema;"_s << true
        << u"1\t0\n"_s;
    QTest::newRow("db2 error") << Side::Db2 << u"SELECT * FROM \"NoSuchTable\";"_s << false
                               << u"NoSuchTable"_s;
}

void StandInTest::adminSqlRunsAsAdministrator() {
    QFETCH(Side, side);
    QFETCH(QString, sql);
    QFETCH(bool, succeeds);
    QFETCH(QString, output);

    QString printed;
    QCOMPARE(standin::adminSql(side, sql, &printed), succeeds);
    if (succeeds)
        QCOMPARE(printed, output);
    else
        QVERIFY2(printed.contains(output), qPrintable(printed));
}

QTEST_GUILESS_MAIN(StandInTest)
#include "standin_test.moc"
