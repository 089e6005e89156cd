// The session layer against both stand-in servers through their real drivers.
#include "db/ColumnReader.h"
#include "db/RowStore.h"
#include "db/Server.h"
#include "db/Session.h"
#include "support/OwnerSql.h"
#include "support/ProcessMemory.h"
#include "support/StandIn.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>

namespace {

using standin::connectionString;
using standin::Side;

db::Connection openConnection(Side side, db::CursorLocation location = db::CursorLocation::Client) {
    return standin::openAsOwner(side, location);
}

// Drops the table when the test ends, whatever happened.
struct ScratchTable {
    Side side;
    QString name;
    ~ScratchTable() {
        try {
            openConnection(side).Execute(QStringLiteral("DROP TABLE \"%1\"").arg(name));
        } catch (const db::Error&) {
        }
    }
};

} // namespace

Q_DECLARE_METATYPE(Side)
Q_DECLARE_METATYPE(db::ServerKind)
Q_DECLARE_METATYPE(db::DriverKind)

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    // The fingerprint of a key set, the same number on both servers, and
    // DB2's own forms played on its stand-in: its digit by digit reading
    // of the hash's hex, and its sum past BIGINT's range, which DB2 would
    // refuse in a BIGINT (SQL0802). Keys at both ends of 64 bits.
    void keyFingerprintIsTheSameEverywhere() {
        const QString keys = QStringLiteral("9223372036854775807, -9223372036854775808, 0, 1, "
                                            "-1, 4611686018427387904, 9223372036854775806");
        const auto fingerprint = [&](Side side, const db::OrderForms& forms) {
            db::Connection connection = openConnection(side);
            const QString values =
                side == Side::Oracle
                    ? QStringLiteral("SELECT UNNEST(ARRAY[%1]::BIGINT[]) AS k").arg(keys)
                    : QStringLiteral("SELECT ") +
                          QString(keys).replace(QStringLiteral(", "),
                                                QStringLiteral(" AS k UNION ALL SELECT ")) +
                          QStringLiteral(" AS k");
            db::RowSet rows;
            rows.Open(QStringLiteral("SELECT %1 FROM (SELECT UPPER(%2) AS dh FROM (%3) v) fp")
                          .arg(forms.wideSum.toString().arg(
                                   forms.hexNumber.toString().arg(QStringLiteral("dh"))),
                               forms.md5Hex.toString().arg(
                                   forms.keyText.toString().arg(QStringLiteral("k"))),
                               values),
                      connection);
            return rows.Fields().item(0).Value().text();
        };
        const QString oracle =
            fingerprint(Side::Oracle, openConnection(Side::Oracle).profile().server().order);
        const QString db2 =
            fingerprint(Side::Db2, openConnection(Side::Db2).profile().server().order);
        QCOMPARE(db2, oracle);
        db::OrderForms vendor = db::BehaviorOf(db::ServerKind::Db2).order;
        vendor.md5Hex = u"MD5(%1)";           // DB2's HASH is not the stand-in's
        vendor.keyText = u"CAST(%1 AS CHAR)"; // nor its VARCHAR of a number
        QCOMPARE(fingerprint(Side::Db2, vendor), oracle);
    }

    // Each stand-in's connection is classified by what it reports, so that
    // it gets its own driver's entries (the DB2 stand-in's text as UTF-8).
    void standInsAreClassified_data() {
        QTest::addColumn<standin::Side>("side");
        QTest::addColumn<db::ServerKind>("server");
        QTest::addColumn<db::DriverKind>("driver");
        QTest::newRow("Oracle stand-in")
            << standin::Side::Oracle << db::ServerKind::PostgreSql << db::DriverKind::PsqlOdbc;
        QTest::newRow("DB2 stand-in")
            << standin::Side::Db2 << db::ServerKind::MariaDb << db::DriverKind::MariaDbOdbc;
    }
    void standInsAreClassified() {
        QFETCH(standin::Side, side);
        QFETCH(db::ServerKind, server);
        QFETCH(db::DriverKind, driver);
        db::Connection connection = standin::openAsOwner(side);
        QCOMPARE(connection.profile().serverKind, server);
        QCOMPARE(connection.profile().driverKind, driver);
        QVERIFY(!connection.profile().driverVersion.isEmpty());
    }

    // Where a text piece ends when the driver's count may be wrong. In the
    // buffers, '.' stands for an untouched mark, '0' for U+0000.
    void textEndsAtTheDriversTerminator_data() {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<int>("reported");
        QTest::addColumn<int>("length");
        QTest::newRow("counted right") << u"abc0...."_qs << 3 << 3;
        QTest::newRow("one short") << u"abc0...."_qs << 2 << 3;
        QTest::newRow("three short") << u"abcdef0."_qs << 3 << 6;
        QTest::newRow("counted too long") << u"ab0....."_qs << 4 << 2;
        QTest::newRow("own U+0000, counted right") << u"a0b0...."_qs << 3 << 3;
        QTest::newRow("own U+0000, one short") << u"a0bc0..."_qs << 3 << 4;
        QTest::newRow("filled to the end") << u"abcdefg0"_qs << 7 << 7;
        QTest::newRow("total beyond the buffer") << u"abcdefg0"_qs << 500 << 7;
        QTest::newRow("no terminator") << u"abcd...."_qs << 2 << 2;
        QTest::newRow("empty") << u"0......."_qs << 0 << 0;
    }
    void textEndsAtTheDriversTerminator() {
        QFETCH(QString, buffer);
        QFETCH(int, reported);
        QFETCH(int, length);
        std::vector<SQLWCHAR> units;
        for (QChar c : buffer) {
            units.push_back(c == u'.'   ? db::detail::unwrittenUnit
                            : c == u'0' ? SQLWCHAR(0)
                                        : SQLWCHAR(c.unicode()));
        }
        QCOMPARE(db::detail::writtenTextLength(units.data(), qsizetype(units.size()), reported),
                 qsizetype(length));
    }

    void open_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("failureFragment"); // empty: must succeed

        const standin::OracleLogins oracle = standin::oracle();
        const standin::Db2Logins db2 = standin::db2();
        QTest::newRow("oracle") << Side::Oracle << standin::oracleConnectionString(oracle)
                                << QString();
        QTest::newRow("db2") << Side::Db2 << standin::db2ConnectionString(db2) << QString();

        standin::OracleLogins badOracle = oracle;
        badOracle.password += QStringLiteral("x");
        QTest::newRow("oracle wrong password")
            << Side::Oracle << standin::oracleConnectionString(badOracle)
            << QStringLiteral("password authentication failed");
        standin::Db2Logins badDb2 = db2;
        badDb2.password += QStringLiteral("x");
        QTest::newRow("db2 wrong password")
            << Side::Db2 << standin::db2ConnectionString(badDb2) << QStringLiteral("Access denied");
        badDb2 = db2;
        badDb2.port = QStringLiteral("1");
        QTest::newRow("db2 wrong port")
            << Side::Db2 << standin::db2ConnectionString(badDb2) << QStringLiteral("connect");
        QTest::newRow("missing driver")
            << Side::Db2 << QStringLiteral("Driver={No Such ODBC Driver};Database=x;Uid=a;Pwd=b;")
            << QStringLiteral("unixODBC");
    }

    void open() {
        QFETCH(QString, connection);
        QFETCH(QString, failureFragment);
        db::Connection session;
        try {
            session.Open(connection);
            QVERIFY2(failureFragment.isEmpty(), "the open should have failed");
            QVERIFY(session.isOpen());
            session.Close();
            QVERIFY(!session.isOpen());
        } catch (const db::Error& failure) {
            QVERIFY2(!failureFragment.isEmpty(), qPrintable(failure.description()));
            QVERIFY2(failure.description().contains(failureFragment, Qt::CaseInsensitive),
                     qPrintable(failure.description()));
        }
    }

    // The Oracle stand-in takes its port from the environment only.
    void openOracleWrongPort() {
        const QByteArray port = qgetenv("PGPORT");
        qputenv("PGPORT", "1");
        db::Connection session;
        QString message;
        try {
            session.Open(connectionString(Side::Oracle));
        } catch (const db::Error& failure) {
            message = failure.description();
        }
        qputenv("PGPORT", port);
        QVERIFY2(message.contains(QStringLiteral("refused"), Qt::CaseInsensitive),
                 qPrintable(message));
    }

    void types_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("literal");
        QTest::addColumn<int>("adoType");
        QTest::addColumn<QString>("text");

        struct Case {
            const char* name;
            const char* column;
            const char* literal;
            int adoType;
            const char* text;
        };
        const Case oracle[] = {
            {"integer", "integer", "42", 3, "42"},
            {"bigint", "bigint", "9007199254740993", 20, "9007199254740993"},
            {"smallint", "smallint", "-7", 2, "-7"},
            {"numeric", "numeric(12,2)", "1234.50", 131, "1234.50"},
            {"real", "real", "1.5", 4, "1.5"},
            {"double", "double precision", "0.1", 5, "0.1"},
            {"double large", "double precision", "1e20", 5, "1e+20"},
            {"varchar", "varchar(40)", "'h\u00e9llo'", 202, "h\u00e9llo"},
            {"text", "text", "'long'", 203, "long"},
            {"char", "char(3)", "'ab'", 130, "ab "},
            {"date", "date", "'2024-02-29'", 133, "2024-02-29"},
            {"time", "time", "'13:45:07'", 134, "13:45:07"},
            {"timestamp", "timestamp", "'2024-02-29 13:45:07'", 135, "2024-02-29 13:45:07"},
            {"timestamp fraction", "timestamp", "'2024-02-29 13:45:07.25'", 135,
             "2024-02-29 13:45:07.25"},
            {"boolean true", "boolean", "true", 11, "True"},
            {"boolean false", "boolean", "false", 11, "False"},
            {"bytea", "bytea", "'\\x00ff10'", 205, "00ff10"},
        };
        const Case db2[] = {
            {"int", "INT", "42", 3, "42"},
            {"int unsigned", "INT UNSIGNED", "4000000000", 19, "4000000000"},
            {"bigint", "BIGINT", "-9007199254740993", 20, "-9007199254740993"},
            {"bigint unsigned", "BIGINT UNSIGNED", "18446744073709551615", 21,
             "18446744073709551615"},
            {"smallint", "SMALLINT", "-7", 2, "-7"},
            {"smallint unsigned", "SMALLINT UNSIGNED", "65535", 18, "65535"},
            {"tinyint", "TINYINT", "-8", 16, "-8"},
            {"tinyint unsigned", "TINYINT UNSIGNED", "200", 17, "200"},
            {"decimal", "DECIMAL(12,2)", "1234.50", 131, "1234.50"},
            {"float", "FLOAT", "1.5", 4, "1.5"},
            {"double", "DOUBLE", "0.1", 5, "0.1"},
            {"double large", "DOUBLE", "1e20", 5, "1e+20"},
            {"varchar", "VARCHAR(40)", "'h\u00e9llo'", 202, "h\u00e9llo"},
            {"text", "TEXT", "'long'", 203, "long"},
            {"char", "CHAR(3)", "'ab'", 130, "ab"},
            {"date", "DATE", "'2024-02-29'", 133, "2024-02-29"},
            {"time", "TIME", "'13:45:07'", 134, "13:45:07"},
            {"datetime", "DATETIME", "'2024-02-29 13:45:07'", 135, "2024-02-29 13:45:07"},
            {"datetime fraction", "DATETIME(3)", "'2024-02-29 13:45:07.250'", 135,
             "2024-02-29 13:45:07.25"},
            {"bit", "BIT(1)", "1", 11, "True"},
            {"varbinary", "VARBINARY(10)", "x'00ff10'", 204, "00ff10"},
            {"blob", "BLOB", "x'cafe'", 205, "cafe"},
        };
        for (const Case& c : oracle) {
            QTest::addRow("oracle %s", c.name)
                << Side::Oracle << QString::fromUtf8(c.column) << QString::fromUtf8(c.literal)
                << c.adoType << QString::fromUtf8(c.text);
        }
        for (const Case& c : db2) {
            QTest::addRow("db2 %s", c.name)
                << Side::Db2 << QString::fromUtf8(c.column) << QString::fromUtf8(c.literal)
                << c.adoType << QString::fromUtf8(c.text);
        }
    }

    void types() {
        QFETCH(Side, side);
        QFETCH(QString, column);
        QFETCH(QString, literal);
        QFETCH(int, adoType);
        QFETCH(QString, text);

        ScratchTable table{side, QStringLiteral("TypeProbe")};
        db::Connection session = openConnection(side);
        session.Execute(QStringLiteral("CREATE TABLE \"TypeProbe\" (v %1, n %1)").arg(column));
        session.Execute(QStringLiteral("INSERT INTO \"TypeProbe\" VALUES (%1, NULL)").arg(literal));

        for (db::CursorLocation location :
             {db::CursorLocation::Client, db::CursorLocation::Server}) {
            db::Connection reader = openConnection(side, location);
            db::RowSet rows;
            rows.Open(QStringLiteral("SELECT * FROM \"TypeProbe\""), reader);
            QVERIFY(!rows.Eof());
            const db::Field value = rows.Fields().item(0);
            QCOMPARE(value.Type(), adoType);
            QCOMPARE(value.Value().text(), text);
            QVERIFY(!value.Value().isNull());
            QCOMPARE(rows.Fields().item(1).Type(), adoType);
            QVERIFY(rows.Fields().item(1).Value().isNull());
            rows.MoveNext();
            QVERIFY(rows.Eof());
        }
    }

    void nullEmptyAndLongText_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("textType");
        QTest::newRow("oracle") << Side::Oracle << QStringLiteral("text");
        QTest::newRow("db2") << Side::Db2 << QStringLiteral("LONGTEXT");
    }

    void nullEmptyAndLongText() {
        QFETCH(Side, side);
        QFETCH(QString, textType);
        ScratchTable table{side, QStringLiteral("Gr\u00f6\u00dfe")};
        db::Connection session = openConnection(side);
        session.Execute(QStringLiteral("CREATE TABLE \"Gr\u00f6\u00dfe\" (\"N\u00e4me\" %1, k int)")
                            .arg(textType));
        const QString nonAscii = QStringLiteral("\u65e5\u672c\u8a9e \u00f1 \U0001F600 \u20ac");
        // Longer than 64 KiB of UTF-16 and not a multiple of any buffer size.
        QString longText;
        for (int i = 0; longText.size() < 100'003; ++i) {
            longText += QString::number(i) + nonAscii.left(2);
        }
        longText.truncate(100'003);
        session.Execute(QStringLiteral("INSERT INTO \"Gr\u00f6\u00dfe\" VALUES (NULL, 1), ('', 2), "
                                       "('%1', 3), ('%2', 4)")
                            .arg(nonAscii, longText));

        db::RowSet rows;
        rows.Open(QStringLiteral("SELECT * FROM \"Gr\u00f6\u00dfe\" ORDER BY k"), session);
        QCOMPARE(rows.RecordCount(), qint64(4));
        const db::Field field = rows.Fields().item(u"n\u00c4ME");
        QCOMPARE(field.Name(), QStringLiteral("N\u00e4me"));
        QVERIFY(field.Value().isNull());
        rows.MoveNext();
        QVERIFY(!field.Value().isNull());
        QCOMPARE(field.Value().text(), QString());
        rows.MoveNext();
        QCOMPARE(field.Value().text(), nonAscii);
        rows.MoveNext();
        QCOMPARE(field.Value().text().size(), longText.size());
        QCOMPARE(field.Value().text(), longText);
    }

    void recordCount_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<qint64>("memoryBudget");
        QTest::addColumn<bool>("readAhead");
        constexpr qint64 ample = qint64(64) * 1024 * 1024;
        // A tiny budget sends nearly every row through the temporary file.
        constexpr qint64 tiny = 4096;
        for (bool readAhead : {false, true}) {
            const char* mode = readAhead ? "read ahead" : "read at open";
            QTest::addRow("oracle in memory, %s", mode) << Side::Oracle << ample << readAhead;
            QTest::addRow("db2 in memory, %s", mode) << Side::Db2 << ample << readAhead;
            QTest::addRow("oracle spilled, %s", mode) << Side::Oracle << tiny << readAhead;
            QTest::addRow("db2 spilled, %s", mode) << Side::Db2 << tiny << readAhead;
        }
    }

    void recordCount() {
        QFETCH(Side, side);
        QFETCH(qint64, memoryBudget);
        QFETCH(bool, readAhead);
        const qint64 previousBudget = db::detail::RowStore::memoryBudget();
        db::detail::RowStore::setMemoryBudget(memoryBudget);
        ScratchTable table{side, QStringLiteral("Counted")};
        db::Connection session = openConnection(side);
        session.Execute(QStringLiteral("CREATE TABLE \"Counted\" (k int, v varchar(20))"));
        constexpr int rowCount = 3000;
        for (int first = 0; first < rowCount; first += 500) {
            QStringList values;
            for (int k = first; k < first + 500; ++k) {
                values << (k % 7 == 0 ? QStringLiteral("(%1, NULL)").arg(k)
                                      : QStringLiteral("(%1, 'v\u00e9%1')").arg(k));
            }
            session.Execute(QStringLiteral("INSERT INTO \"Counted\" VALUES ") + values.join(u','));
        }

        session.setReadAhead(readAhead);
        db::RowSet rows;
        rows.Open(QStringLiteral("SELECT * FROM \"Counted\" ORDER BY k"), session);
        int k = 0;
        for (; !rows.Eof(); rows.MoveNext(), ++k) {
            if (k == 10) {
                // Exact also while the rows are still being read.
                QCOMPARE(rows.RecordCount(), qint64(rowCount));
            }
            QCOMPARE(rows.Fields().item(0).Value().text(), QString::number(k));
            const db::Value v = rows.Fields().item(1).Value();
            QCOMPARE(v.isNull(), k % 7 == 0);
            if (!v.isNull()) {
                QCOMPARE(v.text(), QStringLiteral("v\u00e9%1").arg(k));
            }
        }
        QCOMPARE(k, rowCount);
        QCOMPARE(rows.RecordCount(), qint64(rowCount));
        rows.Close();
        db::detail::RowStore::setMemoryBudget(previousBudget);

        db::Connection streaming = openConnection(side, db::CursorLocation::Server);
        rows.Open(QStringLiteral("SELECT * FROM \"Counted\""), streaming);
        QCOMPARE(rows.RecordCount(), qint64(-1));
        // The temporary row file is never visible by name.
        QVERIFY(QDir::temp().entryList({QStringLiteral("duskferry-rows-*")}).isEmpty());
    }

    // Read ahead of a slow taker, a large result goes through the temporary
    // file, whose space is used again once read: it never grows past its
    // limit (plus the one write buffer in flight), and every row comes out
    // whole and in order.
    void readAheadSpaceStaysBounded_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("select");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("width");
        QTest::newRow("oracle") << Side::Oracle
                                << QStringLiteral("SELECT g, repeat('x', 200) || g FROM "
                                                  "generate_series(1, 30000) g ORDER BY g")
                                << 30000 << 200;
        QTest::newRow("db2") << Side::Db2
                             << QStringLiteral("SELECT seq, CONCAT(REPEAT('x', 200), seq) FROM "
                                               "seq_1_to_30000 ORDER BY seq")
                             << 30000 << 200;
        // Values past a megabyte each have a file of their own, which counts
        // against the same bound.
        QTest::newRow("oracle, long values")
            << Side::Oracle
            << QStringLiteral("SELECT g, repeat('x', 1500000) || g FROM "
                              "generate_series(1, 40) g ORDER BY g")
            << 40 << 1500000;
        QTest::newRow("db2, long values")
            << Side::Db2
            << QStringLiteral("SELECT seq, CONCAT(REPEAT('x', 1500000), seq) FROM "
                              "seq_1_to_40 ORDER BY seq")
            << 40 << 1500000;
    }
    void readAheadSpaceStaysBounded() {
        QFETCH(Side, side);
        QFETCH(QString, select);
        QFETCH(int, rowCount);
        QFETCH(int, width);
        const qint64 budget = db::detail::RowStore::memoryBudget();
        const qint64 limit = db::detail::RowStore::fileLimit();
        db::detail::RowStore::setMemoryBudget(4096);
        db::detail::RowStore::setFileLimit(4 * 1024 * 1024);
        const auto restore = qScopeGuard([&] {
            db::detail::RowStore::setMemoryBudget(budget);
            db::detail::RowStore::setFileLimit(limit);
        });
        db::Connection session = openConnection(side);
        session.setReadAhead(true);
        db::RowSet rows;
        rows.Open(select, session);
        const bool longValues = width > db::LongValue::threshold / 2;
        qint64 peak = 0;
        int k = 1;
        for (; !rows.Eof(); rows.MoveNext(), ++k) {
            if (k % (longValues ? 4 : 1000) == 0) {
                // Let the reader run as far ahead as it may.
                QTest::qWait(40);
                peak = std::max(peak, rowFileBytes());
            }
            QCOMPARE(rows.Fields().item(0).Value().text(), QString::number(k));
            const db::Value value = rows.Fields().item(1).Value();
            const QString expected = QString(width, u'x') + QString::number(k);
            QCOMPARE(value.longValue() != nullptr, longValues);
            QVERIFY(value == db::Value(db::Value::Kind::Text, expected));
        }
        QCOMPARE(k - 1, rowCount);
        // 30 000 rows of about 420 bytes (12 MB) went through a file of 4 MiB
        // and one write buffer (1 MiB), which did fill up; 40 values of
        // 1.5 MB (60 MB) through the same 4 MiB, the one being read and the
        // one being taken.
        const qint64 most =
            longValues ? 4 * 1024 * 1024 + 3 * (width + 4096) + 65536 : 5 * 1024 * 1024 + 65536;
        QVERIFY2(peak > 2 * 1024 * 1024 && peak <= most,
                 qPrintable(QStringLiteral("peak temporary files: %1 bytes").arg(peak)));
    }

    // A row set that reads ahead stops its reading when it is closed early or
    // its connection goes away: no crash, no hang, and no pretended end.
    void readAheadStopsCleanly() {
        const QString million = QStringLiteral("SELECT g, repeat('x', 100) FROM "
                                               "generate_series(1, 1000000) g");
        db::Connection session = openConnection(Side::Oracle);
        session.setReadAhead(true);
        {
            db::RowSet rows;
            rows.Open(million, session);
            rows.MoveNext();
            QElapsedTimer closing;
            closing.start();
            rows.Close();
            QVERIFY2(closing.elapsed() < 2000, "closing waited for every row");
        }
        db::RowSet rows;
        rows.Open(million, session);
        session.Close();
        qint64 seen = 0;
        QVERIFY_THROWS_EXCEPTION(db::Error, {
            for (; !rows.Eof(); rows.MoveNext()) {
                ++seen;
            }
        });
        QVERIFY(seen < 1000000);
    }

    // 200 000 rows of about 500 characters: streamed, so the process never
    // holds anything near the table's 100 MB.
    void serverSideStreams() {
        ScratchTable table{Side::Oracle, QStringLiteral("Streamed")};
        openConnection(Side::Oracle)
            .Execute(QStringLiteral("CREATE TABLE \"Streamed\" AS SELECT g AS k, repeat('x', 500) "
                                    "AS pad FROM generate_series(1, 200000) g"));
        const qint64 before = peakResidentKiB();
        db::Connection streaming = openConnection(Side::Oracle, db::CursorLocation::Server);
        db::RowSet rows;
        rows.Open(QStringLiteral("SELECT * FROM \"Streamed\""), streaming);
        qint64 count = 0;
        qint64 characters = 0;
        for (; !rows.Eof(); rows.MoveNext()) {
            ++count;
            characters += rows.Fields().item(1).Value().text().size();
        }
        QCOMPARE(count, qint64(200'000));
        QCOMPARE(characters, qint64(200'000) * 500);
        const qint64 growthKiB = peakResidentKiB() - before;
        QVERIFY2(growthKiB < 30 * 1024,
                 qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growthKiB)));
    }

    void failuresCarryTheDriverMessage_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<int>("nativeError"); // the server's own code; 0: any
        QTest::newRow("oracle") << Side::Oracle << 0;
        QTest::newRow("db2") << Side::Db2 << 1051; // MariaDB's ER_BAD_TABLE_ERROR
    }

    void failuresCarryTheDriverMessage() {
        QFETCH(Side, side);
        QFETCH(int, nativeError);
        db::Connection session = openConnection(side);
        try {
            session.Execute(QStringLiteral("DROP TABLE \"NoSuchTable\u00e9\""));
            QFAIL("dropping a missing table should fail");
        } catch (const db::Error& failure) {
            // Read before any further call on the handle, so not HY010.
            QVERIFY2(failure.description().contains(QStringLiteral("NoSuchTable\u00e9")),
                     qPrintable(failure.description()));
            QVERIFY(failure.sqlState() != QStringLiteral("HY010"));
            if (nativeError != 0)
                QCOMPARE(failure.nativeError(), nativeError);
        }
        db::RowSet rows;
        QVERIFY_THROWS_EXCEPTION(db::Error, rows.Open(QStringLiteral("SELEKT 1"), session));
        // The connection is still usable after a failed statement.
        rows.Open(QStringLiteral("SELECT 1"), session);
        QCOMPARE(rows.Fields().item(0).Value().text(), QStringLiteral("1"));
    }

    // A row set whose connection is closed underneath it fails cleanly.
    void closingTheConnectionEndsItsRowSets() {
        db::Connection session = openConnection(Side::Oracle, db::CursorLocation::Server);
        db::RowSet rows;
        rows.Open(QStringLiteral("SELECT g FROM generate_series(1, 10) g"), session);
        session.Close();
        QVERIFY_THROWS_EXCEPTION(db::Error, rows.MoveNext());
        QVERIFY_THROWS_EXCEPTION(db::Error, session.Execute(QStringLiteral("SELECT 1")));
    }

    void db2CatalogueTypes() {
        ScratchTable view{Side::Db2, QStringLiteral("CatalogueView")};
        ScratchTable table{Side::Db2, QStringLiteral("CatalogueTable")};
        db::Connection session = openConnection(Side::Db2, db::CursorLocation::Server);
        session.Execute(QStringLiteral("CREATE TABLE \"CatalogueTable\" (k int)"));
        session.Execute(
            QStringLiteral("CREATE VIEW \"CatalogueView\" AS SELECT k FROM \"CatalogueTable\""));
        db::RowSet catalogue = session.OpenSchema(db::schemaTables);
        QHash<QString, QString> types;
        for (; !catalogue.Eof(); catalogue.MoveNext()) {
            types.insert(catalogue.Fields().item(u"TABLE_NAME").Value().text(),
                         catalogue.Fields().item(u"TABLE_TYPE").Value().text());
        }
        QCOMPARE(types.value(QStringLiteral("CatalogueTable")), QStringLiteral("TABLE"));
        QCOMPARE(types.value(QStringLiteral("CatalogueView")), QStringLiteral("VIEW"));
        // Views must go before their table.
        session.Execute(QStringLiteral("DROP VIEW \"CatalogueView\""));
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "session_test.moc"
