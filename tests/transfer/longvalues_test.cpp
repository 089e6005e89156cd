// Values past a server's literal limits (4 000 bytes toward Oracle, 32 672
// toward DB2; the stand-ins keep the limits of the server they play) go
// bound instead of written into the INSERT's text: every byte arrives, and a
// refused row's report shows its statement with the bound values' lengths.
// Values past a megabyte go through a file of their own in pieces, which
// must arrive in order and whole, a character split between two pieces too.
#include "kernel/Routines.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;
using Outcome = compare::TableComparison::Outcome;

namespace {

const QString table = u"Long_Values"_s;

int limitToward(Side to) {
    return to == Side::Oracle ? 4000 : 32672;
}

// The table's columns on a side: a key, a text and bytes of any length,
// and on the target a row the server refuses by itself.
QString createStatement(Side side, bool refuseRow3) {
    const bool oracle = side == Side::Oracle;
    return u"CREATE TABLE \"%1\" (\"ID\" INTEGER PRIMARY KEY, \"T\" %2, \"B\" %3%4)"_s.arg(
        table, oracle ? u"CLOB"_s : u"LONGTEXT"_s, oracle ? u"BLOB"_s : u"LONGBLOB"_s,
        refuseRow3 ? u", CHECK (\"ID\" <> 3)"_s : QString());
}

// Texts and bytes at the target's limit, one byte either side of it, with a
// three-byte character, doubled quotes and two-byte characters across it,
// a megabyte, empty and NULL.
void createSource(Side from) {
    const int limit = limitToward(standin::otherSide(from));
    const bool oracle = from == Side::Oracle;
    const auto repeat = [&](const QString& text, int times) {
        return u"REPEAT('%1', %2)"_s.arg(text).arg(times);
    };
    const auto join = [&](const QString& a, const QString& b) {
        return oracle ? u"%1 || %2"_s.arg(a, b) : u"CONCAT(%1, %2)"_s.arg(a, b);
    };
    const auto bytes = [&](int count) {
        return oracle ? u"decode(REPEAT('a5', %1), 'hex')"_s.arg(count)
                      : u"UNHEX(REPEAT('a5', %1))"_s.arg(count);
    };
    const QStringList rows{
        u"1, %1, %2"_s.arg(repeat(u"a"_s, limit - 1), bytes(limit / 2 - 1)),
        u"2, %1, %2"_s.arg(repeat(u"a"_s, limit), bytes(limit / 2)),
        u"3, %1, %2"_s.arg(repeat(u"a"_s, limit + 1), bytes(limit / 2 + 1)),
        u"4, %1, NULL"_s.arg(join(repeat(u"a"_s, limit - 2), u"'\u20ac'"_s)),
        u"5, %1, NULL"_s.arg(join(repeat(u"''"_s, limit / 2), u"'x'"_s)),
        u"6, %1, NULL"_s.arg(join(repeat(u"\u00e9"_s, limit / 2), u"'z'"_s)),
        u"7, %1, %2"_s.arg(repeat(u"q"_s, 1 << 20), bytes(1 << 19)),
        u"8, '', NULL"_s,
        u"9, NULL, NULL"_s,
        // 20 MiB of a three-byte character and two letters, and of bytes
        // whose period is no divisor of a piece's size.
        u"10, %1, %2"_s.arg(
            repeat(u"ab\u20ac"_s, 4 << 20),
            oracle ? u"decode(REPEAT('0123456789abcdef0123456789ab', %1), 'hex')"_s.arg((20 << 20) /
                                                                                        14)
                   : u"UNHEX(REPEAT('0123456789abcdef0123456789ab', %1))"_s.arg((20 << 20) / 14)),
    };
    standin::dropIfExists(from, table);
    standin::execute(from, createStatement(from, false));
    for (const QString& row : rows) {
        standin::execute(from, u"INSERT INTO \"%1\" VALUES (%2)"_s.arg(table, row));
    }
}

// Each row's key and the MD5 of its values, as the server computes them
// (the copy makes an empty text NULL).
QString serverDigests(Side side) {
    QString output;
    const QString sql =
        u"SELECT \"ID\", COALESCE(MD5(NULLIF(\"T\", '')), '-'), COALESCE(MD5(\"B\"), '-'), "
        "COALESCE(CHAR_LENGTH(\"T\"), 0) FROM \"%1\" ORDER BY 1"_s;
    if (!standin::adminSql(side, sql.arg(table), &output)) {
        return u"failed: "_s + output;
    }
    return output;
}

qint64 rowsOn(Side side) {
    db::Connection connection = standin::openAsOwner(side);
    return kernel::CountRows(connection, table);
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)

class LongValuesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void cleanup() { standin::dropOnBothSides(table); }

    void arriveWhole_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("bulk");
        for (Side from : {Side::Oracle, Side::Db2})
            for (bool bulk : {false, true})
                QTest::addRow("%s, %s", from == Side::Oracle ? "to DB2" : "to Oracle",
                              bulk ? "bulk" : "row by row")
                    << from << bulk;
    }
    void arriveWhole() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        createSource(from);
        kernel::CopyOptions options;
        options.exactTypes = true;
        options.bulk = bulk;
        QCOMPARE(CopyAfresh(from, table, options), QStringList());
        QCOMPARE(rowsOn(standin::otherSide(from)), 10);
        QCOMPARE(serverDigests(standin::otherSide(from)), serverDigests(from));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QCOMPARE(reports, QStringList());
        QVERIFY2(result.outcome == Outcome::Equal, qPrintable(compare::ComparisonText(result)));
    }

    // Each vendor's long types the stand-ins can play, a value past a
    // megabyte in each, in every mode: a long text or byte value arrives
    // whole and compares equal, its bytes as hex digits where the coarse
    // mapping makes a text column of them.
    void longTypesEveryMode_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<bool>("bulk");
        const QString text = u"REPEAT('ab\u20ac', 700000)"_s;
        const struct {
            Side from;
            const char* type;
            QString value;
        } cases[] = {
            {Side::Oracle, "CLOB", text},
            {Side::Oracle, "NCLOB", u"REPEAT('\u30da', 700000)"_s},
            {Side::Oracle, "LONG", text},
            {Side::Oracle, "XML", u"('<a>' || REPEAT('\u00e9z', 600000) || '</a>')::xml"_s},
            {Side::Oracle, "BLOB",
             u"decode(REPEAT('0123456789abcdef0123456789ab', 100000), 'hex')"_s},
            {Side::Db2, "LONGTEXT", text},
            {Side::Db2, "LONG VARCHAR", text},
            {Side::Db2, "LONGBLOB", u"UNHEX(REPEAT('0123456789abcdef0123456789ab', 100000))"_s},
        };
        // Toward Oracle the coarse mapping makes every text a VARCHAR(2000),
        // which refuses such a value with its report: only exact types.
        for (const auto& c : cases)
            for (bool exact : c.from == Side::Oracle ? QList<bool>{false, true} : QList<bool>{true})
                for (bool bulk : {false, true})
                    QTest::addRow("%s %s, %s, %s", c.from == Side::Oracle ? "Oracle" : "DB2",
                                  c.type, exact ? "exact" : "coarse", bulk ? "bulk" : "row")
                        << c.from << QString::fromLatin1(c.type) << c.value << exact << bulk;
    }
    void longTypesEveryMode() {
        QFETCH(Side, from);
        QFETCH(QString, type);
        QFETCH(QString, value);
        QFETCH(bool, exact);
        QFETCH(bool, bulk);
        standin::dropIfExists(from, table);
        standin::execute(
            from, u"CREATE TABLE \"%1\" (\"ID\" INTEGER PRIMARY KEY, \"V\" %2)"_s.arg(table, type));
        standin::execute(from, u"INSERT INTO \"%1\" VALUES (1, %2), (2, NULL)"_s.arg(table, value));
        kernel::CopyOptions options;
        options.exactTypes = exact;
        options.bulk = bulk;
        const QStringList copyReports = CopyAfresh(from, table, options);
        QVERIFY2(copyReports.isEmpty(), qPrintable(copyReports.join(u'\n')));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        QCOMPARE(reports, QStringList());
        QVERIFY2(result.outcome == Outcome::Equal, qPrintable(compare::ComparisonText(result)));
    }

    // Oracle takes literals of 32 767 bytes where its session says
    // MAX_STRING_SIZE is EXTENDED; the Oracle stand-in answers from a view
    // of the same name.
    void theSessionSaysItsLiteralLimit_data() {
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("maxStringSize");
        QTest::addColumn<qint64>("literalBytes");
        QTest::addRow("Oracle, standard") << Side::Oracle << u"STANDARD"_s << qint64(4000);
        QTest::addRow("Oracle, extended") << Side::Oracle << u"EXTENDED"_s << qint64(32767);
        QTest::addRow("DB2") << Side::Db2 << QString() << qint64(32672);
    }
    void theSessionSaysItsLiteralLimit() {
        QFETCH(Side, side);
        QFETCH(QString, maxStringSize);
        QFETCH(qint64, literalBytes);
        const auto setTo = [](const QString& value) {
            QString output;
            QVERIFY2(standin::adminSql(
                         Side::Oracle,
                         u"CREATE OR REPLACE VIEW public.\"v$parameter\" AS SELECT "
                         "'max_string_size'::text AS name, '%1'::text AS value"_s.arg(value),
                         &output),
                     qPrintable(output));
        };
        if (!maxStringSize.isEmpty()) {
            setTo(maxStringSize);
        }
        const auto restore = qScopeGuard([&] {
            if (!maxStringSize.isEmpty()) {
                setTo(u"STANDARD"_s);
            }
        });
        QCOMPARE(standin::openAsOwner(side).profile().literalLimits.literalBytes, literalBytes);
    }

    // A long text that differs from its copy only in its last character
    // is told apart, and shown by its length and digest.
    void aChangeAtTheEndIsFound_data() {
        QTest::addColumn<Side>("from");
        QTest::addRow("Oracle to DB2") << Side::Oracle;
        QTest::addRow("DB2 to Oracle") << Side::Db2;
    }
    void aChangeAtTheEndIsFound() {
        QFETCH(Side, from);
        const Side to = standin::otherSide(from);
        createSource(from);
        kernel::CopyOptions options;
        options.exactTypes = true;
        QCOMPARE(CopyAfresh(from, table, options), QStringList());
        standin::execute(
            to,
            to == Side::Oracle
                ? u"UPDATE \"%1\" SET \"T\" = left(\"T\", -1) || 'Z' WHERE \"ID\" = 10"_s.arg(table)
                : u"UPDATE \"%1\" SET \"T\" = CONCAT(LEFT(\"T\", CHAR_LENGTH(\"T\") - 1), 'Z') WHERE \"ID\" = 10"_s
                      .arg(table));
        QStringList reports;
        const compare::TableComparison result = CompareWithCopy(from, table, &reports);
        const QString text = compare::ComparisonText(result);
        QVERIFY2(result.outcome == Outcome::Differs, qPrintable(text));
        QVERIFY2(text.contains(u"a text of 12582912 characters (MD5 "_s), qPrintable(text));
    }

    // The target refuses row 3 for itself: in a batch of long values, that
    // row alone is refused, and its report shows where its values were bound.
    void onlyTheRefusedRowIsLost_data() { arriveWhole_data(); }
    void onlyTheRefusedRowIsLost() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        const Side to = standin::otherSide(from);
        const int limit = limitToward(to);
        createSource(from);
        standin::dropIfExists(to, table);
        standin::execute(to, createStatement(to, true));

        TableManagerControls window;
        window.options.exactTypes = true;
        window.options.bulk = bulk;
        window.options.batchSize = 100;
        window.options.resume = true;
        window.list(to).insertName(table);
        ScriptedDialogs dialogs;
        window.copyTable(from, table, dialogs);

        const QStringList reports = dialogs.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY2(
            reports[0].contains(
                u"-- bound: a text of %1 characters, %2 bytes"_s.arg(limit + 1).arg(limit / 2 + 1)),
            qPrintable(reports[0]));
        QVERIFY2(reports[0].contains(u"VALUES('3', ?, ?) -- bound"_s), qPrintable(reports[0]));
        // The server's own reason, not a driver's silence.
        QVERIFY2(!reports[0].contains(u"without a diagnostic"_s), qPrintable(reports[0]));
        QCOMPARE(rowsOn(to), 9);
    }
};

QTEST_MAIN(LongValuesTest)
#include "longvalues_test.moc"
