#include "db/Profiles.h"
#include "db/Session.h"
#include "support/StandIn.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Logins {
    db::OracleLogin oracle;
    db::Db2Login db2;
};

Logins standInLogins() {
    const standin::OracleLogins oracle = standin::oracle();
    const standin::Db2Logins db2 = standin::db2();
    return {{oracle.server, oracle.user, oracle.password},
            {db2.server, db2.port, db2.user, db2.password, db2.database}};
}

// The text box a case edits, by its field name.
QString& field(Logins& logins, const QString& name) {
    if (name == u"OracleServer")
        return logins.oracle.OracleServer;
    if (name == u"OracleUser")
        return logins.oracle.OracleUser;
    if (name == u"OraclePassword")
        return logins.oracle.OraclePassword;
    if (name == u"Server")
        return logins.db2.Server;
    if (name == u"Port")
        return logins.db2.Port;
    if (name == u"User")
        return logins.db2.User;
    if (name == u"Password")
        return logins.db2.Password;
    if (name == u"Database")
        return logins.db2.Database;
    qFatal("no login field %s", qPrintable(name));
}

bool isOracleField(const QString& name) {
    return name.startsWith(u"Oracle");
}

// The database a connection landed in.
QString currentDatabase(db::Connection& connection, bool oracleSide) {
    db::RowSet rows;
    rows.Open(oracleSide ? u"SELECT current_database()"_s : u"SELECT DATABASE()"_s, connection);
    return rows.Fields().item(0).Value().text();
}

// Closes and records every modal box that opens while it watches: a check
// must never show one, and a box left open would hang the test.
class BoxWatcher {
public:
    BoxWatcher() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                const auto* message = qobject_cast<QMessageBox*>(box);
                seen_ << box->windowTitle() + u": "_s + (message ? message->text() : QString());
                box->close();
            }
        });
        timer_.start();
    }
    const QStringList& seen() const { return seen_; }

private:
    QTimer timer_;
    QStringList seen_;
};

} // namespace

class ProfilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void oracleString_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ordinary")
            << u"ORCL"_s << u"scott"_s << u"tiger"_s
            << u"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd=tiger;"_s;
        QTest::newRow("every field empty")
            << QString() << QString() << QString()
            << u"Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;"_s;
        QTest::newRow("blanks at either end")
            << u" ORCL"_s << u"scott "_s << u" ti ger "_s
            << u"Driver={Microsoft ODBC for Oracle};Server= ORCL;Uid=scott ;Pwd= ti ger ;"_s;
        QTest::newRow("equals sign and letters beyond ASCII stay as typed")
            << u"ORCL"_s << u"Jürgen"_s << u"a=b"_s
            << u"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=Jürgen;Pwd=a=b;"_s;
        QTest::newRow("semicolon in the password")
            << u"ORCL"_s << u"scott"_s << u"x;Database=other"_s
            << u"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd={x;Database=other};"_s;
        QTest::newRow("closing braces doubled")
            << u"ORCL"_s << u"scott"_s << u"a}b}}"_s
            << u"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd={a}}b}}}}};"_s;
        QTest::newRow("opening brace, blanks kept inside")
            << u" {ORCL} "_s << u"{"_s << u"}"_s
            << u"Driver={Microsoft ODBC for Oracle};Server={ {ORCL}} };Uid={{};Pwd={}}};"_s;
    }

    void oracleString() {
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        QCOMPARE(db::OracleConnectionString({server, user, password}), expected);
    }

    void db2String_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ordinary")
            << u"db2host"_s << u"50069"_s << u"db2inst1"_s << u"secret"_s << u"SAMPLE"_s
            << u"Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=db2host;Port=50069;"
               u"Protocol=TCPIP;Uid=db2inst1;Pwd=secret;"_s;
        QTest::newRow("every field empty")
            << QString() << QString() << QString() << QString() << QString()
            << u"Driver={IBM DB2 ODBC DRIVER};Database=;Hostname=;Port=;Protocol=TCPIP;Uid=;Pwd=;"_s;
        QTest::newRow("blanks at either end")
            << u" db2host"_s << u" 50069"_s << u"db2inst1 "_s << u" s "_s << u"SAMPLE "_s
            << u"Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE ;Hostname= db2host;Port= 50069;"
               u"Protocol=TCPIP;Uid=db2inst1 ;Pwd= s ;"_s;
        QTest::newRow("port of letters")
            << u"db2host"_s << u"fifty"_s << u"db2inst1"_s << u"secret"_s << u"SAMPLE"_s
            << u"Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=db2host;Port=fifty;"
               u"Protocol=TCPIP;Uid=db2inst1;Pwd=secret;"_s;
        QTest::newRow("keyword in the database")
            << u"db2host"_s << u"50069"_s << u"db2inst1"_s << u"secret"_s
            << u"SAMPLE;Database=mysql"_s
            << u"Driver={IBM DB2 ODBC DRIVER};Database={SAMPLE;Database=mysql};Hostname=db2host;"
               u"Port=50069;Protocol=TCPIP;Uid=db2inst1;Pwd=secret;"_s;
        QTest::newRow("every field quoted")
            << u"h;"_s << u"{1}"_s << u"u}"_s << u";}"_s << u"d{"_s
            << u"Driver={IBM DB2 ODBC DRIVER};Database={d{};Hostname={h;};Port={{1}}};"
               u"Protocol=TCPIP;Uid={u}}};Pwd={;}}};"_s;
    }

    void db2String() {
        QFETCH(QString, server);
        QFETCH(QString, port);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, database);
        QFETCH(QString, expected);
        QCOMPARE(db::Db2ConnectionString({server, port, user, password, database}), expected);
    }

    // One field of the stand-in login edited ("%1" is its own value).
    void canConnect_data() {
        QTest::addColumn<QString>("side");
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("expected");

        QTest::newRow("Oracle as given") << u"Oracle"_s << QString() << QString() << true;
        QTest::newRow("Oracle wrong password")
            << u"Oracle"_s << u"OraclePassword"_s << u"%1x"_s << false;
        QTest::newRow("Oracle unknown user")
            << u"Oracle"_s << u"OracleUser"_s << u"nobody"_s << false;
        QTest::newRow("DB2 as given") << u"DB2"_s << QString() << QString() << true;
        QTest::newRow("DB2 wrong password") << u"DB2"_s << u"Password"_s << u"x%1"_s << false;
        QTest::newRow("DB2 wrong port") << u"DB2"_s << u"Port"_s << u"1"_s << false;
        QTest::newRow("DB2 port of letters") << u"DB2"_s << u"Port"_s << u"abc"_s << false;
        QTest::newRow("DB2 unknown database")
            << u"DB2"_s << u"Database"_s << u"NOSUCHDB"_s << false;
    }

    void canConnect() {
        QFETCH(QString, side);
        QFETCH(QString, fieldName);
        QFETCH(QString, value);
        QFETCH(bool, expected);

        Logins logins = standInLogins();
        if (!fieldName.isEmpty()) {
            QString& edited = field(logins, fieldName);
            edited = QString(value).replace(u"%1"_s, edited);
        }
        BoxWatcher boxes;
        const bool connected =
            side == u"Oracle" ? db::CanConnectOracle(logins.oracle) : db::CanConnectDb2(logins.db2);
        QCOMPARE(connected, expected);
        QCOMPARE(boxes.seen(), QStringList());
    }

    // An edit counts at the very next check: nothing remembers an earlier answer.
    void editsCountAtOnce() {
        Logins logins = standInLogins();
        QVERIFY(db::CanConnectDb2(logins.db2));
        logins.db2.Password += u'x';
        QVERIFY(!db::CanConnectDb2(logins.db2));
        logins.db2.Password.chop(1);
        QVERIFY(db::CanConnectDb2(logins.db2));
        logins.oracle.OraclePassword += u'x';
        QVERIFY(!db::CanConnectOracle(logins.oracle));
    }

    // A keyword typed into a box must not reach the driver as a keyword: the
    // connection is refused, or it opens in the login's own database.
    void injectedKeywordHasNoEffect_data() {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("value");

        QTest::newRow("Oracle password") << u"OraclePassword"_s << u"%1;Database=postgres"_s;
        QTest::newRow("Oracle user") << u"OracleUser"_s << u"%1;Database=postgres"_s;
        QTest::newRow("Oracle SID") << u"OracleServer"_s << u"%1;Database=postgres"_s;
        QTest::newRow("DB2 password") << u"Password"_s << u"%1;Database=information_schema"_s;
        QTest::newRow("DB2 database") << u"Database"_s << u"%1;Database=information_schema"_s;
        QTest::newRow("DB2 user") << u"User"_s << u"%1;Database=information_schema"_s;
        QTest::newRow("DB2 port") << u"Port"_s << u"%1;Database=information_schema"_s;
        QTest::newRow("Oracle password, braces closed early")
            << u"OraclePassword"_s << u"%1};Database=postgres;x={"_s;
        QTest::newRow("DB2 password, braces closed early")
            << u"Password"_s << u"%1};Database=information_schema;x={"_s;
    }

    void injectedKeywordHasNoEffect() {
        QFETCH(QString, fieldName);
        QFETCH(QString, value);
        const bool oracleSide = isOracleField(fieldName);
        auto connectionString = [&](const Logins& logins) {
            return oracleSide ? db::OracleConnectionString(logins.oracle)
                              : db::Db2ConnectionString(logins.db2);
        };

        Logins logins = standInLogins();
        QString ownDatabase;
        {
            db::Connection plain;
            plain.Open(connectionString(logins));
            ownDatabase = currentDatabase(plain, oracleSide);
        }
        QString& edited = field(logins, fieldName);
        edited = QString(value).replace(u"%1"_s, edited);

        db::Connection connection;
        try {
            connection.Open(connectionString(logins));
        } catch (const db::Error&) {
            return; // refused: the keyword did not get through
        }
        QCOMPARE(currentDatabase(connection, oracleSide), ownDatabase);
    }

    // Every check ends its session: the server's count of the login's
    // sessions goes back to what it was.
    void noSessionOutlivesTheCheck_data() {
        QTest::addColumn<bool>("oracleSide");
        QTest::newRow("Oracle") << true;
        QTest::newRow("DB2") << false;
    }

    void noSessionOutlivesTheCheck() {
        QFETCH(bool, oracleSide);
        const Logins logins = standInLogins();
        db::Connection observer;
        observer.Open(oracleSide ? db::OracleConnectionString(logins.oracle)
                                 : db::Db2ConnectionString(logins.db2));
        const QString countSql =
            oracleSide ? u"SELECT count(*) FROM pg_stat_activity WHERE usename = current_user"_s
                       : u"SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                         u"WHERE USER = SUBSTRING_INDEX(CURRENT_USER(), '@', 1)"_s;
        auto sessions = [&] {
            db::RowSet rows;
            rows.Open(countSql, observer);
            return rows.Fields().item(0).Value().text().toInt();
        };
        const int before = sessions();
        QVERIFY(before >= 1);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(oracleSide ? db::CanConnectOracle(logins.oracle)
                               : db::CanConnectDb2(logins.db2));
        }
        // The server notices a closed session a moment after the client has
        // gone; a session still open would stay counted for good.
        QDeadlineTimer deadline(5000);
        int after = sessions();
        while (after != before && !deadline.hasExpired()) {
            QTest::qWait(50);
            after = sessions();
        }
        QCOMPARE(after, before);
    }
};

QTEST_MAIN(ProfilesTest)
#include "profiles_test.moc"
