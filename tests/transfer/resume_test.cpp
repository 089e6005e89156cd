// Adding the missing rows to a table the target has already: exactly the
// rows it lacks arrive, in every mode and both directions; rows it holds
// with other values are left as they are, rows only it has are reported
// with both counts; a table without a key is refused.
#include "kernel/Routines.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;
using Outcome = compare::TableComparison::Outcome;

namespace {

const QString table = u"Resumed"_s;

// k 1..rows with a text and an amount that follow from it, keyed or not.
void createSource(Side side, bool keyed, int rows = 40) {
    standin::dropIfExists(side, table);
    standin::execute(side, u"CREATE TABLE \"%1\" (k INTEGER%2, name VARCHAR(30), amount "
                           "DECIMAL(10,2))"_s.arg(table, keyed ? u" PRIMARY KEY"_s : QString()));
    const QString series = side == Side::Oracle
                               ? u"generate_series(1, %1) AS s(n)"_s.arg(rows)
                               : u"(SELECT seq AS n FROM seq_1_to_%1) AS s"_s.arg(rows);
    standin::execute(
        side,
        u"INSERT INTO \"%1\" SELECT n, CONCAT('name ', n), n * 1.25 FROM %2"_s.arg(table, series));
}

qint64 rowsOf(Side side, const QString& where = {}) {
    db::Connection connection = standin::openAsOwner(side);
    return kernel::CountRows(connection, table, where);
}

// Copies the table into the one the target has, adding what it lacks; the
// error reports.
QStringList resume(Side from, kernel::CopyOptions options) {
    TableManagerControls window;
    options.resume = true;
    window.options = options;
    window.list(standin::otherSide(from)).insertName(table);
    ScriptedDialogs dialogs;
    window.copyTable(from, table, dialogs);
    // Never asked to replace it.
    if (!dialogs.questions().isEmpty())
        return dialogs.questions();
    return dialogs.errorReports();
}

kernel::CopyOptions mode(bool bulk, bool exact, const QString& where = {}) {
    kernel::CopyOptions options;
    options.bulk = bulk;
    options.batchSize = 7;
    options.exactTypes = exact;
    options.where = where;
    return options;
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)

class ResumeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void cleanup() { standin::dropOnBothSides(table); }

    // A copy that stopped after 15 rows, a row since changed on the target
    // and one added there: the 25 missing rows arrive, the changed and the
    // added rows stay as they are.
    void addsExactlyTheMissingRows_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<bool>("exact");
        for (Side from : {Side::Oracle, Side::Db2})
            for (auto [bulk, exact] : {std::pair{false, false}, {true, false}, {true, true}})
                QTest::addRow("%s, %s%s", from == Side::Oracle ? "to DB2" : "to Oracle",
                              bulk ? "bulk" : "row by row", exact ? ", exact types" : "")
                    << from << bulk << exact;
    }
    void addsExactlyTheMissingRows() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        QFETCH(bool, exact);
        const Side to = standin::otherSide(from);
        createSource(from, true);
        QCOMPARE(CopyAfresh(from, table, mode(bulk, exact, u"k <= 15"_s)), QStringList());
        QCOMPARE(rowsOf(to), 15);
        standin::execute(to, u"UPDATE \"%1\" SET name = 'changed' WHERE k = 3"_s.arg(table));
        standin::execute(to, u"INSERT INTO \"%1\" (k, name) VALUES (1000, 'extra')"_s.arg(table));

        // The row only the target has is told, not taken for a copied one.
        const QString extra =
            u"Table \"%1\" holds 41 rows, but its source \"%1\" has 40."_s.arg(table);
        QStringList reports = resume(from, mode(bulk, exact));
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith(extra), qPrintable(reports[0]));
        QCOMPARE(rowsOf(to), 41);
        const compare::TableComparison result = CompareWithCopy(from, table);
        QCOMPARE(u"%1 only in the source, %2 only in the target, %3 differ"_s.arg(result.onlySource)
                     .arg(result.onlyTarget)
                     .arg(result.differing),
                 u"0 only in the source, 1 only in the target, 1 differ"_s);

        // Nothing is missing now: nothing more arrives.
        reports = resume(from, mode(bulk, exact));
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith(extra), qPrintable(reports[0]));
        QCOMPARE(rowsOf(to), 41);
    }

    // Holes where a stopped copy leaves them, and where it does not, in a
    // table of several key ranges: exactly the holes are filled, whether the
    // target holds one run of the source's keys, ranges of them, or rows of
    // its own beyond the source's keys.
    void fillsTheHolesWhereverTheyAre_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QString>("missing");
        QTest::addColumn<int>("extraRows");
        const QList<std::pair<const char*, QString>> holes{
            {"the end", u"k > 19000"_s},
            {"the start", u"k < 1000"_s},
            {"the middle and end, one key alone",
             u"k BETWEEN 5000 AND 5100 OR k > 19000 OR k = 12"_s},
            {"every range", u"MOD(k, 97) = 0"_s},
        };
        for (const auto& [name, missing] : holes) {
            QTest::addRow("%s, to DB2, default types (a text key)", name)
                << Side::Oracle << false << missing << 0;
            QTest::addRow("%s, to Oracle, exact types", name) << Side::Db2 << true << missing << 0;
        }
        QTest::newRow("the end, and keys only the target has")
            << Side::Oracle << false << u"k > 19000"_s << 2;
    }
    void fillsTheHolesWhereverTheyAre() {
        QFETCH(Side, from);
        QFETCH(bool, exact);
        QFETCH(QString, missing);
        QFETCH(int, extraRows);
        const Side to = standin::otherSide(from);
        createSource(from, true, 20000);
        QCOMPARE(CopyAfresh(from, table, mode(true, exact)), QStringList());
        standin::execute(to, u"DELETE FROM \"%1\" WHERE %2"_s.arg(table, missing));
        for (int extra = 0; extra < extraRows; ++extra)
            standin::execute(to,
                             u"INSERT INTO \"%1\" (k, name) VALUES (%2, 'extra')"_s.arg(table).arg(
                                 extra == 0 ? -5 : 90000));
        QVERIFY(rowsOf(to) < 20000);
        const QStringList reports = resume(from, mode(true, exact));
        QCOMPARE(reports.size(), extraRows > 0 ? 1 : 0);
        if (extraRows > 0)
            QVERIFY2(reports[0].startsWith(
                         u"Table \"%1\" holds %2 rows, but its source"_s.arg(table).arg(20000 +
                                                                                        extraRows)),
                     qPrintable(reports[0]));
        QCOMPARE(rowsOf(to), 20000 + extraRows);
        const compare::TableComparison result = CompareWithCopy(from, table);
        QCOMPARE(u"%1 only in the source, %2 only in the target, %3 differ"_s.arg(result.onlySource)
                     .arg(result.onlyTarget)
                     .arg(result.differing),
                 u"0 only in the source, %1 only in the target, 0 differ"_s.arg(extraRows));
    }

    // Rows without a key cannot be told apart: nothing is added, and the
    // report says why.
    void tableWithoutKeyIsRefused() {
        createSource(Side::Oracle, false);
        QCOMPARE(CopyAfresh(Side::Oracle, table, mode(false, false, u"k <= 15"_s)), QStringList());
        const QStringList reports = resume(Side::Oracle, mode(false, false));
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(u"has no primary key and no unique index on NOT NULL "
                                     "columns"_s),
                 qPrintable(reports[0]));
        QCOMPARE(rowsOf(Side::Db2), 15);
    }

    // A condition and resume together: the rows that match and are missing.
    void resumesTheRowsThatMatch() {
        createSource(Side::Db2, true);
        QCOMPARE(CopyAfresh(Side::Db2, table, mode(false, false, u"k <= 10"_s)), QStringList());
        QCOMPARE(resume(Side::Db2, mode(true, false, u"k <= 20"_s)), QStringList());
        QCOMPARE(rowsOf(Side::Oracle), 20);
        QCOMPARE(rowsOf(Side::Oracle, u"k <= 20"_s), 20);
    }
};

QTEST_MAIN(ResumeTest)
#include "resume_test.moc"
