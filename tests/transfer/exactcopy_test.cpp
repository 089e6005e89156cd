// Exact column types against the stand-ins: the target's catalogue shows the
// source column's type, size, scale and NOT NULL, every value arrives equal,
// and a value that a column would not keep is reported, never rounded or cut.
#include "support/OwnerSql.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;

namespace {

const QString table = u"Exact_Types"_s;

// Every row's values by column name, in key order; Booleans as 1 or 0,
// decimals without trailing zeros and CHAR values without their padding, since MariaDB reads a CHAR
// unpadded and a BOOLEAN as a TINYINT.
QList<QMap<QString, QString>> contents(Side side, const QStringList& padded) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(u"SELECT * FROM \"%1\" ORDER BY 1"_s.arg(table), connection);
    QList<QMap<QString, QString>> result;
    for (; !rows.Eof(); rows.MoveNext()) {
        QMap<QString, QString> row;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            const QString name = rows.Fields().item(f).Name().toLower();
            const db::Value v = rows.Fields().item(f).Value();
            QString text = v.isNull() ? u"<NULL>"_s : v.text();
            if (v.kind() == db::Value::Kind::Boolean)
                text = text == u"True" ? u"1"_s : u"0"_s;
            // A DECFLOAT's stand-in, DECIMAL(65,30), writes its zeros.
            if (v.kind() == db::Value::Kind::Decimal && text.contains(u'.')) {
                while (text.endsWith(u'0'))
                    text.chop(1);
                if (text.endsWith(u'.'))
                    text.chop(1);
            }
            if (padded.contains(name))
                while (text.endsWith(u' '))
                    text.chop(1);
            row.insert(name, text);
        }
        result << row;
    }
    return result;
}

kernel::CopyOptions exact(bool bulk) {
    kernel::CopyOptions options;
    options.bulk = bulk;
    options.batchSize = 2;
    options.exactTypes = true;
    return options;
}

// "NAME TYPE SIZE SCALE [NOT NULL]" for each column the catalogue lists.
QStringList catalogue(Side side) {
    QStringList columns;
    for (const standin::CatalogueColumn& c : standin::catalogueColumns(side, table))
        columns << u"%1 %2 %3 %4%5"_s.arg(c.name.toLower(), c.typeName)
                       .arg(c.size)
                       .arg(c.decimalDigits)
                       .arg(c.nullable ? u""_s : u" NOT NULL"_s);
    return columns;
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)

class ExactCopyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void cleanup() { standin::dropOnBothSides(table); }

    // One column of every type the stand-in has, at the sizes where the
    // mapping changes its mind; a row of extreme values, a row of Nulls, a
    // 100 000-character text. Row by row and in bulk.
    void keepsTypesAndValues_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");

        const QString fromPostgres =
            u"k integer NOT NULL, v1 varchar(1) NOT NULL, v4000 varchar(4000), c5 char(5), "
            "t text, d31 numeric(31,0), d31s31 numeric(31,31), d12s2 numeric(12,2), "
            "d38 numeric(38,0), i2 smallint, i8 bigint, r real, f double precision, "
            "b boolean, dt date, tm time(0), ts0 timestamp(0), ts6 timestamp(6), x bytea"_s;
        const QStringList postgresRows{
            u"1, 'é', repeat('ü', 4000), 'ab   ', repeat('日本 ', 33333) || 'x', "
            "9999999999999999999999999999999, 0.9999999999999999999999999999999, "
            "-9999999999.99, 12345678901234567890123456789012345678, -32768, "
            "-9223372036854775808, 1e38, 1.7976931348623157e308, true, "
            "'9999-12-31', '23:59:59', '1000-01-01 00:00:00', '2024-02-29 13:45:07.123456', "
            "'\\x00ff10'"_s,
            u"2, ' ', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            "NULL, NULL, NULL, NULL, NULL"_s,
            u"3, 'z', 'plain', 'abcde', 'it''s', -1, 0.5, 0.01, -1, 7, 8, -1.5, 2.5e-300, "
            "false, '2024-01-02', '01:02:03', '2024-01-02 03:04:05', "
            "'2024-01-02 03:04:05.000001', '\\x01'"_s};
        const QStringList toMariaDb{
            u"k INT 10 0 NOT NULL"_s, u"v1 VARCHAR 1 0 NOT NULL"_s, u"v4000 TEXT 65535 0"_s,
            u"c5 CHAR 5 0"_s, u"t LONGTEXT 4294967295 0"_s, u"d31 DECIMAL 31 0"_s,
            u"d31s31 DECIMAL 31 31"_s, u"d12s2 DECIMAL 12 2"_s, u"d38 VARCHAR 40 0"_s,
            u"i2 SMALLINT 5 0"_s, u"i8 BIGINT 19 0"_s, u"r FLOAT 7 0"_s, u"f DOUBLE 15 0"_s,
            u"b TINYINT 3 0"_s, u"dt DATE 10 0"_s, u"tm TIME 8 0"_s,
            // MariaDB's driver lists a DATETIME(6) without its digits; the
            // values below show that they are there.
            u"ts0 DATETIME 19 0"_s, u"ts6 DATETIME 19 0"_s, u"x LONGBLOB 4294967295 0"_s};

        const QString fromMariaDb =
            u"k INT NOT NULL, v1 VARCHAR(1) NOT NULL, v4000 VARCHAR(4000), c5 CHAR(5), "
            "t LONGTEXT, d31 DECIMAL(31,0), d31s31 DECIMAL(31,31), d12s2 DECIMAL(12,2), "
            "d65 DECIMAL(65,0), i2 SMALLINT, u4 INT UNSIGNED, i8 BIGINT, r FLOAT, f DOUBLE, "
            "b BIT(1), dt DATE, tm TIME, ts0 DATETIME, ts6 DATETIME(6), vb VARBINARY(16), "
            "x LONGBLOB"_s;
        const QStringList mariaDbRows{
            u"1, 'é', REPEAT('ü', 2000), 'ab', CONCAT(REPEAT('日本 ', 33333), 'x'), "
            "9999999999999999999999999999999, 0.9999999999999999999999999999999, "
            "-9999999999.99, REPEAT('9', 65), -32768, 4294967295, -9223372036854775808, "
            "1e38, 1.7976931348623157e308, 1, '9999-12-31', '23:59:59', "
            "'1000-01-01 00:00:00', '2024-02-29 13:45:07.123456', X'00ff10', X'0c'"_s,
            u"2, ' ', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            "NULL, NULL, NULL, NULL, NULL, NULL, NULL"_s,
            u"3, 'z', 'plain', 'abcde', 'it''s', -1, 0.5, 0.01, -1, 7, 0, 8, -1.5, 2.5e-300, "
            "0, '2024-01-02', '01:02:03', '2024-01-02 03:04:05', '2024-01-02 03:04:05.000001', "
            "X'01', X'02'"_s};
        const QStringList toPostgres{u"k NUMERIC 10 0 NOT NULL"_s,
                                     u"v1 VARCHAR 1 0 NOT NULL"_s,
                                     u"v4000 VARCHAR 4000 0"_s,
                                     u"c5 BPCHAR 5 0"_s,
                                     u"t CLOB 8190 0"_s,
                                     u"d31 NUMERIC 31 0"_s,
                                     u"d31s31 NUMERIC 31 31"_s,
                                     u"d12s2 NUMERIC 12 2"_s,
                                     u"d65 VARCHAR 67 0"_s,
                                     u"i2 NUMERIC 5 0"_s,
                                     u"u4 NUMERIC 10 0"_s,
                                     u"i8 NUMERIC 19 0"_s,
                                     u"r BINARY_FLOAT 9 0"_s,
                                     u"f BINARY_DOUBLE 17 0"_s,
                                     u"b NUMERIC 1 0"_s,
                                     u"dt DATE 10 0"_s,
                                     u"tm VARCHAR 8 0"_s,
                                     u"ts0 TIMESTAMP 19 0"_s,
                                     u"ts6 TIMESTAMP 26 6"_s,
                                     u"vb BYTEA -4 0"_s,
                                     u"x BLOB -4 0"_s};

        for (bool bulk : {false, true}) {
            const char* mode = bulk ? "in bulk" : "row by row";
            QTest::addRow("Oracle to DB2, %s", mode)
                << Side::Oracle << bulk << fromPostgres << postgresRows << toMariaDb;
            QTest::addRow("DB2 to Oracle, %s", mode)
                << Side::Db2 << bulk << fromMariaDb << mariaDbRows << toPostgres;
        }
    }
    void keepsTypesAndValues() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        QFETCH(QString, columns);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        const Side to = standin::otherSide(from);
        standin::execute(from, u"CREATE TABLE \"%1\" (%2)"_s.arg(table, columns));
        for (const QString& row : rows)
            standin::execute(from, u"INSERT INTO \"%1\" VALUES (%2)"_s.arg(table, row));

        const QStringList reports = CopyAfresh(from, table, exact(bulk));
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
        const QStringList made = catalogue(to);
        QCOMPARE(made.size(), expected.size());
        for (qsizetype c = 0; c < made.size(); ++c)
            QCOMPARE(made[c], expected[c]);

        const QStringList padded{u"c5"_s};
        const QList<QMap<QString, QString>> source = contents(from, padded);
        const QList<QMap<QString, QString>> target = contents(to, padded);
        QCOMPARE(target.size(), source.size());
        QCOMPARE(source[0][u"t"_s].size(), 100000);
        for (qsizetype r = 0; r < source.size(); ++r) {
            for (auto column = source[r].cbegin(); column != source[r].cend(); ++column)
                QCOMPARE(u"%1 = %2"_s.arg(column.key(), target[r].value(column.key())),
                         u"%1 = %2"_s.arg(column.key(), column.value()));
        }
    }

    // The drivers describe an unbounded PostgreSQL VARCHAR as VARCHAR(4000); MariaDB counts
    // characters where Oracle counts bytes. A value the created column would round or that Oracle
    // would not store is reported with its column, its row is left out, and every other row arrives
    // unchanged.
    void valuesTheColumnWouldChangeAreReported_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fits");
        QTest::addColumn<QString>("misfit");
        QTest::addColumn<QString>("why");
        // psqlODBC's NUMERIC(28,6) is not taken for the declaration: the
        // catalogue says the column has no precision, and DB2's DECFLOAT(34)
        // holds what an Oracle NUMBER does (its stand-in spells it
        // DECIMAL(65,30)).
        for (const char* type : {"numeric", "number"})
            QTest::addRow("unbounded %s", type)
                << Side::Oracle << QString::fromLatin1(type) << u"123456789012.1234567"_s
                << u"1234567890123456789012345678901234567"_s
                << u"The value of column \"c\" does not fit the target's DECIMAL(65,30) (it has "
                   "37 significant digits)"_s;
        QTest::newRow("unbounded VARCHAR")
            << Side::Oracle << u"varchar"_s << u"repeat('x', 4000)"_s << u"repeat('x', 4001)"_s
            << u"The value of column \"c\" does not fit the target's TEXT(4000) (it is 4001 "
               "characters long)"_s;
        QTest::newRow("characters past Oracle's bytes")
            << Side::Db2 << u"VARCHAR(4000)"_s << u"REPEAT('ü', 2000)"_s << u"REPEAT('ü', 2001)"_s
            << u"The value of column \"c\" does not fit the target's VARCHAR(4000) (it takes "
               "4002 bytes, more than the 4000 the server stores)"_s;
    }
    void valuesTheColumnWouldChangeAreReported() {
        QFETCH(Side, from);
        QFETCH(QString, type);
        QFETCH(QString, fits);
        QFETCH(QString, misfit);
        QFETCH(QString, why);
        standin::execute(from, u"CREATE TABLE \"%1\" (k INT, c %2)"_s.arg(table, type));
        standin::execute(from, u"INSERT INTO \"%1\" VALUES (1, %2), (2, %3), (3, NULL)"_s.arg(
                                   table, fits, misfit));
        for (bool bulk : {false, true}) {
            const QStringList reports = CopyAfresh(from, table, exact(bulk));
            QCOMPARE(reports.size(), 1);
            QVERIFY2(reports[0].startsWith(why), qPrintable(reports[0]));
            const QList<QMap<QString, QString>> source = contents(from, {});
            const QList<QMap<QString, QString>> target = contents(standin::otherSide(from), {});
            QCOMPARE(target, (QList<QMap<QString, QString>>{source[0], source[2]}));
        }
    }
};

QTEST_MAIN(ExactCopyTest)
#include "exactcopy_test.moc"
