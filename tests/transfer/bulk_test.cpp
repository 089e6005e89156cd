// Bulk mode against the stand-ins: the same target tables as row by row, and
// exactly the refused rows reported when a batch is not taken whole.
#include "db/BulkInsert.h"
#include "kernel/Statements.h"
#include "support/OwnerSql.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QScopeGuard>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;

namespace {

// Column types, then every row's values as text in key order.
QStringList contents(Side side, const QString& table) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(u"SELECT * FROM \"%1\""_s.arg(table), connection);
    QStringList types;
    for (int f = 0; f < rows.Fields().count(); ++f)
        types << QString::number(rows.Fields().item(f).Type());
    QList<std::pair<qint64, QString>> keyed;
    for (; !rows.Eof(); rows.MoveNext()) {
        QStringList row;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            const db::Value v = rows.Fields().item(f).Value();
            row << (v.isNull() ? u"<NULL>"_s : v.text());
        }
        keyed.append({row[0].toLongLong(), row.join(u'|')});
    }
    std::sort(keyed.begin(), keyed.end());
    QStringList result{types.join(u',')};
    for (const auto& [key, row] : keyed)
        result << row;
    return result;
}

kernel::CopyOptions bulk(int batchSize) {
    return kernel::CopyOptions{true, batchSize};
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)

class BulkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void cleanup() {
        standin::dropOnBothSides(u"Bulk_Mix"_s);
        standin::dropOnBothSides(u"Bulk_Refused"_s);
    }

    // Every type the row-by-row tests use, Nulls, empty text, quotes,
    // non-ASCII and long text (1 960 characters, the most the row-by-row
    // mapping takes toward Oracle), 12 000 rows: what bulk mode makes of them is
    // exactly what row by row makes, column types included.
    void sameTableAsRowByRow_data() {
        QTest::addColumn<Side>("from");
        QTest::newRow("Oracle to DB2") << Side::Oracle;
        QTest::newRow("DB2 to Oracle") << Side::Db2;
    }
    void sameTableAsRowByRow() {
        QFETCH(Side, from);
        const Side to = standin::otherSide(from);
        // K stands for the row number, DAYS and MINUTES for date arithmetic.
        QString values =
            u"SELECT K, K * 1.25, CASE WHEN K % 11 = 0 THEN NULL WHEN K % 13 = 0 THEN '' "
            "WHEN K % 2 = 0 THEN CONCAT('it''s \"quoted\" \\ é日本 𠀋', K) ELSE CONCAT('plain ', "
            "K) "
            "END, DATE '2024-01-01' + DAYS, TIMESTAMP '2024-02-29 13:45:07.25' + MINUTES, "
            "K % 3 = 0, K / 8.0, CASE WHEN K % 1000 = 0 THEN REPEAT('long ë ', 280) END "
            "FROM ROWS"_s;
        if (from == Side::Oracle) {
            standin::execute(from, u"CREATE TABLE \"Bulk_Mix\" (k integer, n numeric(12,2), v "
                                   "varchar(200), d date, ts timestamp, b boolean, f double "
                                   "precision, l text)"_s);
            values.replace(u"DAYS"_s, u"K"_s).replace(u"MINUTES"_s, u"K * INTERVAL '1 minute'"_s);
            values.replace(u"ROWS"_s, u"generate_series(1, 12000) g"_s).replace(u"K"_s, u"g"_s);
        } else {
            standin::execute(from, u"CREATE TABLE \"Bulk_Mix\" (k INT, n DECIMAL(12,2), v "
                                   "VARCHAR(200), d DATE, ts DATETIME(2), b BIT(1), f DOUBLE, l "
                                   "LONGTEXT)"_s);
            values.replace(u"DAYS"_s, u"INTERVAL K DAY"_s)
                .replace(u"MINUTES"_s, u"INTERVAL K MINUTE"_s);
            values.replace(u"ROWS"_s, u"seq_1_to_12000"_s).replace(u"K"_s, u"seq"_s);
        }
        standin::execute(from, u"INSERT INTO \"Bulk_Mix\" "_s + values);
        QCOMPARE(CopyAfresh(from, u"Bulk_Mix"_s, {}), QStringList());
        const QStringList rowByRow = contents(to, u"Bulk_Mix"_s);
        QCOMPARE(rowByRow.size(), 12001);

        QCOMPARE(CopyAfresh(from, u"Bulk_Mix"_s, bulk(1000)), QStringList());
        const QStringList inBulk = contents(to, u"Bulk_Mix"_s);
        QCOMPARE(inBulk.size(), rowByRow.size());
        for (qsizetype r = 0; r < inBulk.size(); ++r)
            QCOMPARE(inBulk[r], rowByRow[r]);
    }

    // Rows 3, 8 and 9 are too long for the target's VARCHAR(2000): whatever
    // the batch size, exactly those three are reported, with the same
    // reports as row by row, and every other row arrives once.
    void refusedRowsInABatch_data() {
        QTest::addColumn<int>("batchSize");
        QTest::newRow("1") << 1;
        QTest::newRow("7") << 7;
        QTest::newRow("larger than the table") << 1000;
    }
    void refusedRowsInABatch() {
        QFETCH(int, batchSize);
        standin::execute(Side::Db2, u"CREATE TABLE \"Bulk_Refused\" (k INT, v LONGTEXT)"_s);
        standin::execute(Side::Db2, u"INSERT INTO \"Bulk_Refused\" SELECT seq, CASE WHEN seq IN "
                                    "(3, 8, 9) THEN REPEAT('x', 2001) ELSE CONCAT('v', seq) END "
                                    "FROM seq_1_to_20"_s);
        const QStringList rowByRow = CopyAfresh(Side::Db2, u"Bulk_Refused"_s, {});
        QCOMPARE(rowByRow.size(), 3);

        const QStringList inBulk = CopyAfresh(Side::Db2, u"Bulk_Refused"_s, bulk(batchSize));
        QCOMPARE(inBulk, rowByRow);
        const QList<int> refused{3, 8, 9};
        for (qsizetype i = 0; i < refused.size(); ++i)
            QVERIFY(inBulk[i].contains(
                u"sql: INSERT INTO \"Bulk_Refused\" VALUES('%1', 'xxx"_s.arg(refused[i])));
        QStringList arrived = contents(Side::Oracle, u"Bulk_Refused"_s).mid(1);
        QCOMPARE(arrived.size(), 17);
        QSet<QString> keys;
        for (const QString& row : arrived)
            keys.insert(row.section(u'|', 0, 0));
        QCOMPARE(keys.size(), 17);
        QVERIFY(!keys.contains(u"3"_s) && !keys.contains(u"8"_s) && !keys.contains(u"9"_s));
    }

    // Every binding of the bulk insert, straight through the session layer
    // into columns of the matching server types: each value reads back as it
    // went in, Null included.
    void everyBindingKeepsItsValue_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("columns");
        QTest::newRow("PostgreSQL") << Side::Oracle
                                    << u"t text, n numeric(38,10), b boolean, d date, ts "
                                       "timestamp(6), f double precision, x bytea"_s;
        QTest::newRow("MariaDB") << Side::Db2
                                 << u"t LONGTEXT, n DECIMAL(38,10), b BOOLEAN, d DATE, ts "
                                    "DATETIME(6), f DOUBLE, x LONGBLOB"_s;
    }
    void everyBindingKeepsItsValue() {
        QFETCH(Side, side);
        QFETCH(QString, columns);
        using Binding = db::BulkInsert::Binding;
        using Kind = db::Value::Kind;
        standin::execute(side, u"CREATE TABLE \"Bulk_Mix\" (%1)"_s.arg(columns));
        const QList<QList<db::Value>> rows{
            {db::Value(Kind::Text, u"O'Brien é 日本 𠀋"_s),
             db::Value(Kind::Decimal, u"-1234567890123456789012345678.0123456789"_s),
             db::Value::boolean(true), db::Value(Kind::Date, u"2024-02-29"_s),
             db::Value(Kind::Timestamp, u"1999-12-31 23:59:59.123456"_s),
             db::Value(Kind::Floating, u"5e-324"_s), db::Value(Kind::Binary, u"00ff10"_s)},
            {db::Value(), db::Value(), db::Value::boolean(false), db::Value(),
             db::Value(Kind::Timestamp, u"2024-01-01 00:00:00"_s),
             db::Value(Kind::Floating, u"1.7976931348623157e+308"_s), db::Value()}};
        {
            db::Connection target = standin::openAsOwner(side);
            db::BulkInsert bulk(target, kernel::PreparedInsertStatement(u"Bulk_Mix", 7),
                                {Binding::Text, Binding::Decimal, Binding::Boolean, Binding::Date,
                                 Binding::Timestamp, Binding::Double, Binding::Binary},
                                10);
            for (const QList<db::Value>& row : rows)
                bulk.add(std::vector<db::Value>(row.begin(), row.end()));
            bulk.start();
            QVERIFY(bulk.finish());
        }
        const QStringList stored = contents(side, u"Bulk_Mix"_s).mid(1);
        QCOMPARE(stored.size(), 2);
        // Booleans read back in each server's own way; the rest as written.
        const QString expected = u"O'Brien é 日本 𠀋|-1234567890123456789012345678.0123456789|%1|"
                                 "2024-02-29|1999-12-31 23:59:59.123456|5e-324|00ff10"_s;
        QVERIFY2(stored.contains(expected.arg(side == Side::Oracle ? u"True"_s : u"1"_s)),
                 qPrintable(stored.join(u'\n')));
    }

    // A batch whose COMMIT fails (a deferred constraint) is rolled back and
    // sent again row by row: each row arrives or is reported, none is lost
    // behind one report.
    void failedCommitIsResent() {
        const QString table = u"Bulk_Commit"_s;
        standin::dropOnBothSides(table);
        QString output;
        // The copy makes the table; an event trigger gives every new table
        // of that name a constraint, checked at COMMIT, that refuses even keys.
        QVERIFY2(standin::adminSql(
                     Side::Oracle,
                     u"CREATE OR REPLACE FUNCTION public.refuse_even() RETURNS trigger AS $$ "
                     "BEGIN IF NEW.k % 2 = 0 THEN RAISE EXCEPTION 'even key %', NEW.k; END IF; "
                     "RETURN NULL; END $$ LANGUAGE plpgsql;"
                     "CREATE OR REPLACE FUNCTION public.arm_bulk_commit() RETURNS event_trigger "
                     "AS $$ DECLARE c record; BEGIN FOR c IN SELECT * FROM "
                     "pg_event_trigger_ddl_commands() LOOP IF c.object_identity LIKE "
                     "'%\"Bulk_Commit\"' THEN EXECUTE 'CREATE CONSTRAINT TRIGGER refuse_even "
                     "AFTER INSERT ON ' || c.object_identity || ' DEFERRABLE INITIALLY DEFERRED "
                     "FOR EACH ROW EXECUTE FUNCTION public.refuse_even()'; END IF; END LOOP; END "
                     "$$ LANGUAGE plpgsql;"
                     "DROP EVENT TRIGGER IF EXISTS arm_bulk_commit;"
                     "CREATE EVENT TRIGGER arm_bulk_commit ON ddl_command_end WHEN TAG IN "
                     "('CREATE TABLE') EXECUTE FUNCTION public.arm_bulk_commit();"_s,
                     &output),
                 qPrintable(output));
        const auto disarm = qScopeGuard([] {
            standin::adminSql(Side::Oracle, u"DROP EVENT TRIGGER IF EXISTS arm_bulk_commit"_s,
                              nullptr);
        });
        standin::execute(Side::Db2, u"CREATE TABLE \"%1\" (k INT, v VARCHAR(20))"_s.arg(table));
        standin::execute(
            Side::Db2,
            u"INSERT INTO \"%1\" SELECT seq, CONCAT('row ', seq) FROM seq_1_to_10"_s.arg(table));
        const QStringList reports = CopyAfresh(Side::Db2, table, bulk(4));
        QStringList arrived = contents(Side::Oracle, table).mid(1);
        standin::dropOnBothSides(table);
        QCOMPARE(arrived, (QStringList{u"1|row 1"_s, u"3|row 3"_s, u"5|row 5"_s, u"7|row 7"_s,
                                       u"9|row 9"_s}));
        QCOMPARE(reports.size(), 5);
        for (const QString& report : reports)
            QVERIFY2(report.contains(u"even key"_s), qPrintable(report));
    }
};

QTEST_MAIN(BulkTest)
#include "bulk_test.moc"
