// A table and its copy compared: equal after every kind of copy, and exactly
// the differences made behind the program's back, in both directions, with
// and without a key; and the value forms two servers give for one value.
#include "kernel/Comparable.h"
#include "support/OwnerSql.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QRegularExpression>
#include <QTest>
#include <sqlext.h>

using namespace Qt::StringLiterals;
using standin::Side;
using Outcome = compare::TableComparison::Outcome;

namespace {

const QString table = u"Compared"_s;

kernel::CopyOptions mode(bool bulk, bool exact) {
    kernel::CopyOptions options;
    options.bulk = bulk;
    options.batchSize = 7;
    options.exactTypes = exact;
    return options;
}

// One column of each type the stand-in has, a row of extreme values, a row
// of Nulls (and blanks), a text as long as the default types take; the key
// first.
struct Fixture {
    QString columns;
    QStringList rows;
};

Fixture everyType(Side side) {
    if (side == Side::Oracle) {
        return {u"k integer PRIMARY KEY, v varchar(4000), c5 char(5), t text, "
                "d31 numeric(31,0), d12s2 numeric(12,2), i8 bigint, r real, f double precision, "
                "b boolean, dt date, tm time(0), ts6 timestamp(6), x bytea"_s,
                {u"1, repeat('ü', 4000), 'ab   ', repeat('日本 ', 666) || 'x', "
                 "9999999999999999999999999999999, -9999999999.99, -9223372036854775808, "
                 "1e38, 1.7976931348623157e308, true, '9999-12-31', '23:59:59', "
                 "'2024-02-29 13:45:07.123456', '\\x00ff10'"_s,
                 u"2, '', '     ', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                 "NULL"_s,
                 u"3, 'it''s', 'abcde', 'plain', -1, 0.01, 8, -1.5, 2.5e-300, false, "
                 "'2024-01-02', '01:02:03', '2024-01-02 03:04:05.000001', '\\x01'"_s}};
    }
    return {u"k INT PRIMARY KEY, v VARCHAR(4000), c5 CHAR(5), t LONGTEXT, d31 DECIMAL(31,0), "
            "d12s2 DECIMAL(12,2), i8 BIGINT, r FLOAT, f DOUBLE, b BIT(1), dt DATE, tm TIME, "
            "ts6 DATETIME(6), x LONGBLOB"_s,
            {u"1, REPEAT('ü', 2000), 'ab', CONCAT(REPEAT('日本 ', 666), 'x'), "
             "9999999999999999999999999999999, -9999999999.99, -9223372036854775808, 1e38, "
             "1.7976931348623157e308, 1, '9999-12-31', '23:59:59', "
             "'2024-02-29 13:45:07.123456', X'00ff10'"_s,
             u"2, '', '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL"_s,
             u"3, 'it''s', 'abcde', 'plain', -1, 0.01, 8, -1.5, 2.5e-300, 0, '2024-01-02', "
             "'01:02:03', '2024-01-02 03:04:05.000001', X'01'"_s}};
}

// The columns of every type whose values both servers hash alike: no
// floating point, no LOB, no time of day (Oracle has none: a copy there
// makes it text).
Fixture hashable(Side side) {
    const QRegularExpression unhashed(u"(, )?\\b(t|tm|r|f|x) [a-z() 0-9]+(?=,|$)"_s,
                                      QRegularExpression::CaseInsensitiveOption);
    Fixture fixture = everyType(side);
    fixture.columns.remove(unhashed);
    // Their values: the 4th, 8th, 9th, 12th and 14th of each row.
    for (QString& row : fixture.rows) {
        QStringList values;
        int depth = 0;
        QString value;
        for (QChar c : row) {
            depth += c == u'(' ? 1 : c == u')' ? -1 : 0;
            if (c == u',' && depth == 0) {
                values << value;
                value.clear();
            } else {
                value += c;
            }
        }
        values << value;
        for (int drop : {13, 11, 8, 7, 3})
            values.removeAt(drop);
        row = values.join(u',');
    }
    return fixture;
}

void create(Side side, const Fixture& fixture) {
    standin::execute(side, u"CREATE TABLE \"%1\" (%2)"_s.arg(table, fixture.columns));
    for (const QString& row : fixture.rows)
        standin::execute(side, u"INSERT INTO \"%1\" VALUES (%2)"_s.arg(table, row));
}

// "kind: key [column: source | target]" for each listed difference.
QStringList listed(const compare::TableComparison& result) {
    QStringList lines;
    for (const compare::RowDifference& d : result.differences) {
        QString line = compare::DifferenceText(d.kind) + u": "_s + d.key;
        for (const compare::ColumnDifference& c : d.columns)
            line += u" [%1: %2 | %3]"_s.arg(c.column, c.source, c.target);
        lines << line;
    }
    return lines;
}

QString counts(const compare::TableComparison& r) {
    return u"%1 %2/%3 only-source %4 only-target %5 differ %6"_s
        .arg(compare::OutcomeWord(r.outcome))
        .arg(r.sourceRows)
        .arg(r.targetRows)
        .arg(r.onlySource)
        .arg(r.onlyTarget)
        .arg(r.differing);
}

// Data rows for both directions and two switches, each named by what it
// means on and off.
void addDirectionRows(const char* first, std::pair<const char*, const char*> firstNames,
                      const char* second, std::pair<const char*, const char*> secondNames) {
    QTest::addColumn<Side>("from");
    QTest::addColumn<bool>(first);
    QTest::addColumn<bool>(second);
    for (Side from : {Side::Oracle, Side::Db2})
        for (bool one : {true, false})
            for (bool two : {false, true})
                QTest::addRow("%s, %s, %s",
                              from == Side::Oracle ? "Oracle to DB2" : "DB2 to Oracle",
                              one ? firstNames.first : firstNames.second,
                              two ? secondNames.first : secondNames.second)
                    << from << one << two;
}

kernel::Comparable as(kernel::Category category, db::Value::Kind kind, const QString& text,
                      bool padded = false) {
    return kernel::ComparableAs(category, db::Value(kind, text), padded);
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)

class CompareTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void cleanup() { standin::dropOnBothSides(table); }

    // What the copy sends and the target gives back for the same value.
    void sameValueInEitherForm_data() {
        using K = db::Value::Kind;
        using C = kernel::Category;
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("sourceKind");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("targetKind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("padded");
        QTest::addColumn<bool>("equal");
        const auto row = [](const char* name, C c, K sk, const QString& s, K tk, const QString& t,
                            bool equal, bool padded = false) {
            QTest::newRow(name) << int(c) << int(sk) << s << int(tk) << t << padded << equal;
        };
        row("scale", C::Number, K::Decimal, u"1.50"_s, K::Decimal, u"1.5"_s, true);
        row("number as text", C::Number, K::Integer, u"10"_s, K::Text, u"10"_s, true);
        row("exponent", C::Number, K::Floating, u"1e+20"_s, K::Decimal, u"100000000000000000000"_s,
            true);
        row("leading point", C::Number, K::Decimal, u"-0.5"_s, K::Text, u"-.5"_s, true);
        row("last digit", C::Number, K::Floating, u"0.3333333333333333"_s, K::Floating, u"0.3"_s,
            false);
        row("negative zero", C::Number, K::Floating, u"-0"_s, K::Integer, u"0"_s, true);
        row("date at midnight", C::Time, K::Date, u"2024-01-02"_s, K::Timestamp,
            u"2024-01-02 00:00:00"_s, true);
        row("timestamp as text", C::Time, K::Timestamp, u"2024-01-02 03:04:05.5"_s, K::Text,
            u"2024-01-02 03:04:05.500000"_s, true);
        row("DB2's timestamp text", C::Time, K::Timestamp, u"2024-01-02 03:04:05.5"_s, K::Text,
            u"2024-01-02-03.04.05.500000"_s, true);
        row("microsecond", C::Time, K::Timestamp, u"2024-01-02 03:04:05.000001"_s, K::Timestamp,
            u"2024-01-02 03:04:05"_s, false);
        row("Boolean as number", C::Boolean, K::Boolean, u"True"_s, K::Integer, u"1"_s, true);
        row("Boolean as text", C::Boolean, K::Boolean, u"False"_s, K::Text, u"False"_s, true);
        row("Boolean differs", C::Boolean, K::Boolean, u"False"_s, K::Integer, u"1"_s, false);
        row("bytes as hex text", C::Bytes, K::Binary, u"00ff"_s, K::Text, u"00FF"_s, true);
        row("empty text is Null", C::Text, K::Text, u""_s, K::Null, u""_s, true);
        row("text keeps case", C::Text, K::Text, u"abc"_s, K::Text, u"abC"_s, false);
        row("text keeps blanks", C::Text, K::Text, u"ab "_s, K::Text, u"ab"_s, false);
        row("padded blanks", C::Text, K::Text, u"ab   "_s, K::Text, u"ab"_s, true, true);
        row("not a number", C::Number, K::Integer, u"12"_s, K::Text, u"12a"_s, false);
    }
    void sameValueInEitherForm() {
        QFETCH(int, category);
        QFETCH(int, sourceKind);
        QFETCH(QString, source);
        QFETCH(int, targetKind);
        QFETCH(QString, target);
        QFETCH(bool, padded);
        QFETCH(bool, equal);
        const auto c = kernel::Category(category);
        const kernel::Comparable a = as(c, db::Value::Kind(sourceKind), source, padded);
        const kernel::Comparable b = targetKind == int(db::Value::Kind::Null)
                                         ? kernel::ComparableAs(c, db::Value(), padded)
                                         : as(c, db::Value::Kind(targetKind), target, padded);
        QCOMPARE(a == b, equal);
        QCOMPARE(kernel::CompareOrder(a, b) == 0, equal);
    }

    // The order the walk expects is the servers' binary order: by value for
    // numbers, by code point for text (a character beyond U+FFFF after
    // U+FFFD, as in UTF-8).
    void sortsAsTheServersAreAsked() {
        using K = db::Value::Kind;
        using C = kernel::Category;
        const QList<std::pair<C, QStringList>> ascending{
            {C::Number, {u"-100"_s, u"-2.5"_s, u"-1e-3"_s, u"0"_s, u"9"_s, u"10"_s, u"1e3"_s}},
            {C::Text, {u"B"_s, u"a"_s, u"a "_s, u"ab"_s, u"é"_s, u"\uFFFD"_s, u"😀"_s}},
            {C::Time, {u"2023-12-31 23:59:59.9"_s, u"2024-01-01"_s, u"2024-01-01 00:00:00.5"_s}},
        };
        for (const auto& [category, values] : ascending) {
            for (qsizetype i = 1; i < values.size(); ++i) {
                const K kind = category == C::Number ? K::Decimal
                               : category == C::Time ? K::Timestamp
                                                     : K::Text;
                QVERIFY2(kernel::CompareOrder(as(category, kind, values[i - 1]),
                                              as(category, kind, values[i])) < 0,
                         qPrintable(values[i - 1] + u" < "_s + values[i]));
            }
        }
        QVERIFY(kernel::CompareOrder(kernel::ComparableAs(C::Text, db::Value(), false),
                                     as(C::Text, K::Text, u"!"_s)) < 0);
    }

    // Every type copied in every mode compares equal; by checksums where no
    // column is floating point or a LOB, also where the default mapping made
    // numbers, Booleans and timestamps text.
    void unchangedCopiesAreEqual_data() {
        addDirectionRows("bulk", {"bulk", "row by row"}, "exact", {"exact types", "default types"});
    }
    void unchangedCopiesAreEqual() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        QFETCH(bool, exact);
        create(from, hashable(from));
        QVERIFY(CopyAfresh(from, table, mode(bulk, exact)).isEmpty());
        const compare::TableComparison hashed = CompareWithCopy(from, table);
        QVERIFY2(hashed.outcome == Outcome::Equal,
                 qPrintable(counts(hashed) + u'\n' + listed(hashed).join(u'\n')));
        QVERIFY2(hashed.method == compare::TableComparison::Method::Checksums,
                 qPrintable(hashed.byRowsWhy));
        QCOMPARE(hashed.rowsRead, 0);
        standin::dropOnBothSides(table);

        create(from, everyType(from));
        const QStringList copyReports = CopyAfresh(from, table, mode(bulk, exact));
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
        QVERIFY2(result.outcome == Outcome::Equal,
                 qPrintable(counts(result) + u'\n' + listed(result).join(u'\n')));
        QCOMPARE(result.sourceRows, 3);
        QCOMPARE(result.targetRows, 3);
        QCOMPARE(result.order, u"its primary key (\"k\")"_s);
        QCOMPARE(result.method, compare::TableComparison::Method::Rows);
        QVERIFY2(result.byRowsWhy.contains(u"floating-point"_s) ||
                     result.byRowsWhy.contains(u"LOB"_s) || !exact,
                 qPrintable(result.byRowsWhy));
    }

    // One change on the target of a keyed copy (exact types): found by
    // checksums with its key and column, reading the rows of one range of
    // several, or equal, reading none, where the values are the same under
    // the copy's rules.
    void singleChangesByChecksums_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("change");       // on a DB2-side target
        QTest::addColumn<QString>("oracleChange"); // on an Oracle-side one
        QTest::addColumn<QString>("found");        // the difference listed, or empty
        const auto both = [](const char* name, const QString& change, const QString& oracle,
                             const QString& found) {
            for (Side from : {Side::Oracle, Side::Db2})
                QTest::addRow("%s, %s", name, from == Side::Oracle ? "to DB2" : "to Oracle")
                    << from << change << oracle << found;
        };
        both("last character of a long text",
             u"UPDATE \"%1\" SET doc = CONCAT(SUBSTRING(doc, 1, CHAR_LENGTH(doc) - 1), 'x') "
             "WHERE k = 4321"_s,
             u"UPDATE \"%1\" SET doc = left(doc, -1) || 'x' WHERE k = 4321"_s,
             u"differs: \"k\" = '4321' doc"_s);
        both("negative zero", u"UPDATE \"%1\" SET amount = -0.00 WHERE k = 3000"_s,
             u"UPDATE \"%1\" SET amount = -0.00 WHERE k = 3000"_s, QString());
        both("padding of a CHAR", u"UPDATE \"%1\" SET c5 = 'ab   ' WHERE k = 17"_s,
             u"UPDATE \"%1\" SET c5 = 'ab' WHERE k = 17"_s, QString());
        both("last fraction digit",
             u"UPDATE \"%1\" SET seen = seen + INTERVAL 1 MICROSECOND WHERE k = 6000"_s,
             u"UPDATE \"%1\" SET seen = seen + interval '1 microsecond' WHERE k = 6000"_s,
             u"differs: \"k\" = '6000' seen"_s);
        both("empty text for NULL", u"UPDATE \"%1\" SET note = '' WHERE note IS NULL"_s,
             u"UPDATE \"%1\" SET note = '' WHERE note IS NULL"_s, QString());
        both("a Boolean", u"UPDATE \"%1\" SET flag = 1 - flag WHERE k = 2"_s,
             // Oracle's copy of a Boolean is a NUMBER(1).
             u"UPDATE \"%1\" SET flag = 1 - flag WHERE k = 2"_s, u"differs: \"k\" = '2' flag"_s);
        both("the first row gone", u"DELETE FROM \"%1\" WHERE k = 1"_s,
             u"DELETE FROM \"%1\" WHERE k = 1"_s, u"only in the source: \"k\" = '1'"_s);
        both("a row past the last key", u"INSERT INTO \"%1\" (k) VALUES (900000)"_s,
             u"INSERT INTO \"%1\" (k) VALUES (900000)"_s,
             u"only in the target: \"k\" = '900000'"_s);
    }
    void singleChangesByChecksums() {
        QFETCH(Side, from);
        QFETCH(QString, change);
        QFETCH(QString, oracleChange);
        QFETCH(QString, found);
        const bool oracle = from == Side::Oracle;
        standin::execute(from,
                         u"CREATE TABLE \"%1\" (k INTEGER PRIMARY KEY, doc VARCHAR(3000), "
                         "amount DECIMAL(12,2), c5 CHAR(5), seen %2, flag %3, note "
                         "VARCHAR(40))"_s.arg(table, oracle ? u"timestamp(6)"_s : u"DATETIME(6)"_s,
                                              oracle ? u"boolean"_s : u"BIT(1)"_s));
        const QString series = oracle ? u"generate_series(1, 9000) AS s(n)"_s
                                      : u"(SELECT seq AS n FROM seq_1_to_9000) AS s"_s;
        standin::execute(
            from,
            u"INSERT INTO \"%1\" SELECT n, CONCAT(REPEAT('ab', 1400), 'é', n), %5 - 3000, 'ab', "
            "%2, %3, CASE WHEN n % 7 = 0 THEN NULL ELSE CONCAT('n', n) END FROM %4"_s.arg(
                table,
                oracle ? u"TIMESTAMP '2024-01-01 00:00:00.25' + n * interval '1 second'"_s
                       : u"TIMESTAMP '2024-01-01 00:00:00.25' + INTERVAL n SECOND"_s,
                oracle ? u"n % 2 = 0"_s : u"n % 2"_s, series,
                oracle ? u"n"_s : u"CAST(n AS SIGNED)"_s));
        const QStringList copyReports = CopyAfresh(from, table, mode(true, true));
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));
        const Side to = standin::otherSide(from);
        standin::execute(to, (to == Side::Oracle ? oracleChange : change).arg(table));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
        QVERIFY2(result.method == compare::TableComparison::Method::Checksums,
                 qPrintable(result.byRowsWhy));
        QStringList differences;
        for (const compare::RowDifference& d : result.differences) {
            QString line = compare::DifferenceText(d.kind) + u": "_s + d.key;
            for (const compare::ColumnDifference& c : d.columns)
                line += u' ' + c.column;
            differences << line;
        }
        QCOMPARE(differences.join(u'\n'), found);
        QCOMPARE(result.outcome, found.isEmpty() ? Outcome::Equal : Outcome::Differs);
        if (found.isEmpty())
            QCOMPARE(result.rowsRead, 0);
        else
            QVERIFY2(result.rowsRead * 2 <= result.sourceRows + result.targetRows,
                     qPrintable(QString::number(result.rowsRead)));
    }

    // Keys far apart: one range holds nearly every row, and is cut again
    // until the change is in a range small enough to read.
    void sparseKeysCutAgain() {
        standin::execute(Side::Oracle,
                         u"CREATE TABLE \"%1\" (k BIGINT PRIMARY KEY, v INTEGER); "
                         "INSERT INTO \"%1\" SELECT n, n FROM generate_series(1, "
                         "80000) n; INSERT INTO \"%1\" VALUES (1000000000000, 0)"_s.arg(table));
        const QStringList copyReports = CopyAfresh(Side::Oracle, table, mode(true, true));
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));
        standin::execute(Side::Db2, u"UPDATE \"%1\" SET v = -1 WHERE k = 54321"_s.arg(table));
        const compare::TableComparison result = CompareWithCopy(Side::Oracle, table);
        QCOMPARE(result.method, compare::TableComparison::Method::Checksums);
        QCOMPARE(listed(result), QStringList{u"differs: \"k\" = '54321' [v: '54321' | '-1']"_s});
        QVERIFY2(result.rowsRead < 10000, qPrintable(QString::number(result.rowsRead)));
    }

    // A value changed, a row deleted, a row added and a long text one
    // character off at its end, on the target: exactly those. Without a key
    // a changed row is one row only in the source and one only in the
    // target.
    void differencesMadeBehindItsBack_data() {
        addDirectionRows("keyed", {"keyed", "no key"}, "exact", {"exact types", "default types"});
    }
    void differencesMadeBehindItsBack() {
        QFETCH(Side, from);
        QFETCH(bool, keyed);
        QFETCH(bool, exact);
        const Side to = standin::otherSide(from);
        const QString key = keyed ? u" PRIMARY KEY"_s : QString();
        standin::execute(from,
                         u"CREATE TABLE \"%1\" (k INTEGER%2, name VARCHAR(20), "
                         "amount DECIMAL(10,2), day DATE, doc VARCHAR(6000))"_s.arg(table, key));
        const QString series = from == Side::Oracle ? u"generate_series(1, 30) AS s(n)"_s
                                                    : u"(SELECT seq AS n FROM seq_1_to_30) AS s"_s;
        const QString day = from == Side::Oracle ? u"DATE '2024-01-01' + n"_s
                                                 : u"DATE '2024-01-01' + INTERVAL n DAY"_s;
        standin::execute(from, u"INSERT INTO \"%1\" SELECT n, CONCAT('name ', n), n * 1.25, "
                               "%2, REPEAT('ab', 950) FROM %3"_s.arg(table, day, series));
        const QStringList copyReports = CopyAfresh(from, table, mode(false, exact));
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));

        const QString lastChanged = to == Side::Oracle
                                        ? u"left(doc, -1) || 'c'"_s
                                        : u"CONCAT(SUBSTRING(doc, 1, CHAR_LENGTH(doc) - 1), 'c')"_s;
        standin::execute(to, u"UPDATE \"%1\" SET name = 'changed' WHERE k = 3"_s.arg(table));
        standin::execute(to, u"DELETE FROM \"%1\" WHERE k = 5"_s.arg(table));
        standin::execute(to, u"INSERT INTO \"%1\" (k, name) VALUES (99, 'extra')"_s.arg(table));
        standin::execute(to, u"UPDATE \"%1\" SET doc = %2 WHERE k = 7"_s.arg(table, lastChanged));

        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
        QCOMPARE(result.sourceRows, 30);
        QCOMPARE(result.targetRows, 30);
        QCOMPARE(result.outcome, Outcome::Differs);
        if (keyed) {
            QCOMPARE(counts(result), u"differs 30/30 only-source 1 only-target 1 differ 2"_s);
            // The end of the text, from a little before the change.
            const QString docSource = u"…'b%1' (1900 characters)"_s.arg(u"ab"_s.repeated(12));
            const QString docTarget = u"…'b%1ac' (1900 characters)"_s.arg(u"ab"_s.repeated(11));
            QCOMPARE(
                listed(result),
                (QStringList{u"differs: \"k\" = '3' [name: 'name 3' | 'changed']"_s,
                             u"only in the source: \"k\" = '5'"_s,
                             u"differs: \"k\" = '7' [doc: %1 | %2]"_s.arg(docSource, docTarget),
                             u"only in the target: \"k\" = '99'"_s}));
        } else {
            QCOMPARE(counts(result), u"differs 30/30 only-source 3 only-target 3 differ 0"_s);
            QCOMPARE(result.differences.size(), 6);
        }
    }

    // Text keys in every letter case and beyond U+FFFF, on the source in a
    // linguistic collation ("B" between "a" and "b"): each server sorts by
    // its column's collation unless asked for code points, and the walk
    // would take matching rows for missing ones.
    void textKeysSortAlikeOnBothServers_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("exact");
        for (Side from : {Side::Oracle, Side::Db2})
            for (bool exact : {false, true})
                QTest::addRow("%s, %s", from == Side::Oracle ? "Oracle to DB2" : "DB2 to Oracle",
                              exact ? "exact types" : "default types")
                    << from << exact;
    }
    void textKeysSortAlikeOnBothServers() {
        QFETCH(Side, from);
        QFETCH(bool, exact);
        // The source sorts by language; the copy's column by byte.
        const QString linguistic =
            from == Side::Oracle ? u"COLLATE \"und-x-icu\""_s : u"COLLATE utf8mb4_uca1400_as_cs"_s;
        standin::execute(from,
                         u"CREATE TABLE \"%1\" (k VARCHAR(10) %2 PRIMARY KEY, n INTEGER)"_s.arg(
                             table, linguistic));
        const QStringList keys{u"a"_s,      u"B"_s, u"b"_s,  u"A b"_s, u"é"_s,  u"E"_s, u"z"_s,
                               u"\uFFFD"_s, u"😀"_s, u"ab"_s, u"_"_s,   u"10"_s, u"9"_s};
        for (qsizetype i = 0; i < keys.size(); ++i)
            standin::execute(from,
                             u"INSERT INTO \"%1\" VALUES ('%2', %3)"_s.arg(table, keys[i]).arg(i));
        const QStringList copyReports = CopyAfresh(from, table, mode(true, exact));
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
        QVERIFY2(result.outcome == Outcome::Equal,
                 qPrintable(counts(result) + u'\n' + listed(result).join(u'\n')));
        QCOMPARE(result.sourceRows, keys.size());
    }

    // A copy that lost a column, and a table the target does not have.
    void tablesThatCannotMatch() {
        standin::execute(Side::Oracle, u"CREATE TABLE \"%1\" (k INTEGER, v INTEGER)"_s.arg(table));
        QCOMPARE(CompareWithCopy(Side::Oracle, table, nullptr, false).outcome, Outcome::Missing);
        standin::execute(Side::Db2, u"CREATE TABLE \"%1\" (k INTEGER)"_s.arg(table));
        const compare::TableComparison result = CompareWithCopy(Side::Oracle, table);
        QCOMPARE(result.outcome, Outcome::Differs);
        QCOMPARE(result.problem, u"the target has no column \"v\""_s);
    }
};

QTEST_MAIN(CompareTest)
#include "compare_test.moc"
