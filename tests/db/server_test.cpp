// The behaviour tables, as data: each server and driver the program meets is
// told apart by the names its connection reports, and gets its own entries.
// What each entry claims of a real driver is checked by roundtrip_test.
#include "db/ColumnReader.h"
#include "db/Server.h"
#include "db/ValueText.h"

#include <QTest>
#include <sql.h>
#include <sqlext.h>

using namespace Qt::StringLiterals;
using db::DriverKind;
using db::ServerKind;
using db::TextForm;

Q_DECLARE_METATYPE(db::ServerKind)
Q_DECLARE_METATYPE(db::DriverKind)
Q_DECLARE_METATYPE(db::TextForm)

class ServerTest : public QObject {
    Q_OBJECT

private slots:
    void classification_data() {
        QTest::addColumn<QString>("dbmsName");
        QTest::addColumn<QString>("driverName");
        QTest::addColumn<ServerKind>("server");
        QTest::addColumn<DriverKind>("driver");
        QTest::addColumn<int>("sessionSetUp");
        QTest::addColumn<bool>("toldCharacters");
        QTest::addColumn<TextForm>("text");

        QTest::newRow("Oracle, Instant Client")
            << u"Oracle"_s << u"libsqora.so.19.1"_s << ServerKind::Oracle << DriverKind::OracleOdbc
            << 5 << true << TextForm::Utf16;
        QTest::newRow("Oracle, Windows") << u"Oracle"_s << u"SQORA32.DLL"_s << ServerKind::Oracle
                                         << DriverKind::OracleOdbc << 5 << true << TextForm::Utf16;
        QTest::newRow("DB2 LUW") << u"DB2/LINUXX8664"_s << u"libdb2o.so"_s << ServerKind::Db2
                                 << DriverKind::Db2Cli << 0 << false << TextForm::Utf16;
        QTest::newRow("DB2 on Windows") << u"DB2/NT64"_s << u"DB2CLI.DLL"_s << ServerKind::Db2
                                        << DriverKind::Db2Cli << 0 << false << TextForm::Utf16;
        QTest::newRow("Oracle stand-in")
            << u"PostgreSQL"_s << u"psqlodbcw.so"_s << ServerKind::PostgreSql
            << DriverKind::PsqlOdbc << 1 << false << TextForm::Utf16;
        QTest::newRow("DB2 stand-in") << u"MariaDB"_s << u"libmaodbc.so"_s << ServerKind::MariaDb
                                      << DriverKind::MariaDbOdbc << 0 << false << TextForm::Utf8;
        QTest::newRow("MySQL's own driver")
            << u"MySQL"_s << u"libmyodbc8w.so"_s << ServerKind::MariaDb << DriverKind::Other << 0
            << false << TextForm::Utf16;
        QTest::newRow("unknown") << u"SQLite"_s << u"libsqlite3odbc.so"_s << ServerKind::Other
                                 << DriverKind::Other << 0 << false << TextForm::Utf16;
    }
    void classification() {
        QFETCH(QString, dbmsName);
        QFETCH(QString, driverName);
        QFETCH(ServerKind, server);
        QFETCH(DriverKind, driver);
        QFETCH(int, sessionSetUp);
        QFETCH(bool, toldCharacters);
        QFETCH(TextForm, text);
        const db::ServerProfile profile = db::ClassifyServer(dbmsName, driverName, u"01.00"_s);
        QCOMPARE(profile.serverKind, server);
        QCOMPARE(profile.driverKind, driver);
        QCOMPARE(profile.server().sessionSetUp.size(), sessionSetUp);
        QCOMPARE(!profile.server().characterLengthSetUp.isEmpty(), toldCharacters);
        QCOMPARE(profile.driver().readText, text);
        QCOMPARE(profile.driver().bindText, text);
    }

    // DB2 CLI's own codes read as what they stand for; another driver's
    // codes are its own business and stay.
    void vendorTypes_data() {
        QTest::addColumn<DriverKind>("driver");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("standard");
        QTest::addColumn<bool>("floating");
        QTest::newRow("BLOB") << DriverKind::Db2Cli << -98 << int(SQL_LONGVARBINARY) << false;
        QTest::newRow("BOOLEAN") << DriverKind::Db2Cli << 16 << int(SQL_BIT) << false;
        QTest::newRow("CLOB") << DriverKind::Db2Cli << -99 << int(SQL_WLONGVARCHAR) << false;
        QTest::newRow("DBCLOB") << DriverKind::Db2Cli << -350 << int(SQL_WLONGVARCHAR) << false;
        QTest::newRow("GRAPHIC") << DriverKind::Db2Cli << -95 << int(SQL_WCHAR) << false;
        QTest::newRow("VARGRAPHIC") << DriverKind::Db2Cli << -96 << int(SQL_WVARCHAR) << false;
        QTest::newRow("XML") << DriverKind::Db2Cli << -370 << int(SQL_WLONGVARCHAR) << false;
        QTest::newRow("DECFLOAT") << DriverKind::Db2Cli << -360 << int(SQL_DECIMAL) << true;
        QTest::newRow("a standard code")
            << DriverKind::Db2Cli << int(SQL_INTEGER) << int(SQL_INTEGER) << false;
        QTest::newRow("psqlODBC's own") << DriverKind::PsqlOdbc << -98 << -98 << false;
    }
    void vendorTypes() {
        QFETCH(DriverKind, driver);
        QFETCH(int, code);
        QFETCH(int, standard);
        QFETCH(bool, floating);
        db::ColumnDescription description;
        description.sqlType = code;
        description.size = 34;
        description.decimalDigits = 2;
        QCOMPARE(db::StandardizeDescription(db::BehaviorOf(driver), description), floating);
        QCOMPARE(description.sqlType, standard);
        // A floating decimal has no precision or scale to keep.
        QCOMPARE(description.size, floating ? 0 : 34);
    }

    void lostConnectionStates() {
        const QStringList psql = db::BehaviorOf(DriverKind::PsqlOdbc).lostConnectionStates;
        QVERIFY(psql.contains(u"57P01"_s));
        QVERIFY(db::BehaviorOf(DriverKind::MariaDbOdbc).lostConnectionStates.isEmpty());
    }

    // The server type names that decide how a column is read.
    void typeNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<bool>("zoned");
        QTest::newRow("Oracle NUMBER") << u"NUMBER"_s << true << false;
        QTest::newRow("Oracle FLOAT") << u"FLOAT"_s << true << false;
        QTest::newRow("DB2 DECFLOAT") << u"DECFLOAT"_s << true << false;
        QTest::newRow("PostgreSQL float8") << u"FLOAT8"_s << false << false;
        QTest::newRow("MariaDB double") << u"DOUBLE"_s << false << false;
        QTest::newRow("Oracle zoned") << u"TIMESTAMP(6) WITH TIME ZONE"_s << false << true;
        QTest::newRow("Oracle local") << u"TIMESTAMP WITH LOCAL TIME ZONE"_s << false << true;
        QTest::newRow("PostgreSQL timestamptz") << u"TIMESTAMPTZ"_s << false << true;
        QTest::newRow("PostgreSQL timetz") << u"TIMETZ"_s << false << true;
        QTest::newRow("plain timestamp") << u"TIMESTAMP"_s << false << false;
        QTest::newRow("psqlODBC's plain timestamp")
            << u"TIMESTAMP WITHOUT TIME ZONE"_s << false << false;
        QTest::newRow("PostgreSQL's long name") << u"TIMESTAMP WITH TIME ZONE"_s << false << true;
    }
    void typeNames() {
        QFETCH(QString, name);
        QFETCH(bool, decimal);
        QFETCH(bool, zoned);
        QCOMPARE(db::IsDecimalTypeName(name), decimal);
        QCOMPARE(db::IsZonedTypeName(name), zoned);
    }

    // A fixed-size read that warns of a cut value fails; other warnings pass.
    void truncationStates() {
        QVERIFY(db::detail::IsTruncationState(u"01004"));
        QVERIFY(db::detail::IsTruncationState(u"01S07"));
        QVERIFY(!db::detail::IsTruncationState(u"01000"));
        QVERIFY(!db::detail::IsTruncationState(u""));
    }

    // The forms the reader writes are the forms bulk mode parses: each text
    // goes into its structure and comes out the same; a text the structure
    // cannot hold whole is not parsed at all.
    void valueTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("timestamp");
        QTest::addColumn<bool>("parses");
        QTest::newRow("a date") << u"2024-02-29"_s << false << true;
        QTest::newRow("the first date") << u"0001-01-01"_s << false << true;
        QTest::newRow("the last date") << u"9999-12-31"_s << false << true;
        QTest::newRow("a month without its zero") << u"2024-2-29"_s << false << false;
        QTest::newRow("a timestamp") << u"2024-02-29 13:45:07"_s << true << true;
        QTest::newRow("a fraction") << u"2024-02-29 13:45:07.25"_s << true << true;
        QTest::newRow("nanoseconds") << u"9999-12-31 23:59:59.999999999"_s << true << true;
        QTest::newRow("ten fractional digits")
            << u"2024-02-29 13:45:07.1234567891"_s << true << false;
        QTest::newRow("a T between") << u"2024-02-29T13:45:07"_s << true << false;
    }
    void valueTexts() {
        QFETCH(QString, text);
        QFETCH(bool, timestamp);
        QFETCH(bool, parses);
        if (timestamp) {
            SQL_TIMESTAMP_STRUCT stamp{};
            QCOMPARE(db::detail::ParseTimestamp(text, stamp), parses);
            if (parses)
                QCOMPARE(db::detail::TimestampText(stamp), text);
        } else {
            SQL_DATE_STRUCT date{};
            QCOMPARE(db::detail::ParseDate(text, date) && text.size() == 10, parses);
            if (parses)
                QCOMPARE(db::detail::DateText(date), text);
        }
    }

    void shortestNumbers() {
        QCOMPARE(db::detail::ShortestText(0.1), u"0.1"_s);
        QCOMPARE(db::detail::ShortestText(1e300), u"1e+300"_s);
        QCOMPARE(db::detail::ShortestText(0.1f), u"0.1"_s);
        QCOMPARE(QString(db::detail::ShortestText(2.2250738585072014e-308)).toDouble(),
                 2.2250738585072014e-308);
    }

    // A timestamp read as text (DB2's TIMESTAMP(12)) keeps every digit, in
    // the form of every other timestamp.
    void timestampTexts_data() {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("normal");
        QTest::newRow("twelve digits")
            << u"2024-01-31 12:30:00.123456789012"_s << u"2024-01-31 12:30:00.123456789012"_s;
        QTest::newRow("DB2's own form")
            << u"2024-01-31-12.30.00.100000000000"_s << u"2024-01-31 12:30:00.1"_s;
        QTest::newRow("zero fraction")
            << u"2024-01-31 12:30:00.000000000000"_s << u"2024-01-31 12:30:00"_s;
        QTest::newRow("no fraction") << u"2024-01-31 12:30:00"_s << u"2024-01-31 12:30:00"_s;
    }
    void timestampTexts() {
        QFETCH(QString, driver);
        QFETCH(QString, normal);
        QCOMPARE(db::detail::NormalTimestampText(driver), normal);
    }
};

QTEST_MAIN(ServerTest)
#include "server_test.moc"
