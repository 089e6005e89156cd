// Both table lists filled from the stand-in servers' catalogues through the
// real drivers, into real list widgets set up as the table manager sets them.
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "support/StandIn.h"

#include <QTest>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using standin::Side;

Q_DECLARE_METATYPE(standin::Side)

namespace {

QString ownerConnectionString(Side side) {
    return side == Side::Oracle ? standin::oracleConnectionString(standin::oracle())
                                : standin::db2ConnectionString(standin::db2());
}

QString lonelyConnectionString(Side side) {
    return side == Side::Oracle ? standin::oracleConnectionString(standin::lonelyOracle())
                                : standin::db2ConnectionString(standin::lonelyDb2());
}

QString wrongPasswordConnectionString(Side side) {
    if (side == Side::Oracle) {
        standin::OracleLogins logins = standin::oracle();
        logins.password += u"-wrong"_s;
        return standin::oracleConnectionString(logins);
    }
    standin::Db2Logins logins = standin::db2();
    logins.password += u"-wrong"_s;
    return standin::db2ConnectionString(logins);
}

void load(Side side, const shell::TableList& list, const QString& connectionString) {
    if (side == Side::Oracle)
        db::LoadOracleTables(list, connectionString);
    else
        db::LoadDb2Tables(list, connectionString);
}

// A list as the table manager window keeps it: names and selection.
struct Names {
    shell::TableListModel model;
    QItemSelectionModel selection{&model};
    shell::TableList list{&selection};
};

// Only the names this test made: other tests may create tables on the same
// servers while this one runs.
QStringList ours(const QStringList& names) {
    QStringList kept;
    for (const QString& name : names) {
        if (name.startsWith(u"catalogue", Qt::CaseInsensitive))
            kept << name;
    }
    return kept;
}

QString quoted(QString name) {
    return u'"' + name.replace(u'"', u"\"\""_s) + u'"';
}

// Tables (and views) that exist for one test and are dropped when it ends,
// whatever happened.
class Scratch {
public:
    explicit Scratch(Side side) : side_(side) { connection_.Open(ownerConnectionString(side)); }
    ~Scratch() {
        for (auto it = drops_.crbegin(); it != drops_.crend(); ++it) {
            try {
                connection_.Execute(*it);
            } catch (const db::Error&) {
            }
        }
    }
    void table(const QString& name) {
        connection_.Execute(u"CREATE TABLE "_s + quoted(name) + u" (\"ID\" NUMERIC)"_s);
        drops_ << u"DROP TABLE "_s + quoted(name);
    }
    void view(const QString& name, const QString& ofTable) {
        connection_.Execute(u"CREATE VIEW "_s + quoted(name) + u" AS SELECT * FROM "_s +
                            quoted(ofTable));
        drops_ << u"DROP VIEW "_s + quoted(name);
    }

private:
    Side side_;
    db::Connection connection_;
    QStringList drops_;
};

void addSides() {
    QTest::addColumn<Side>("side");
    QTest::newRow("oracle") << Side::Oracle;
    QTest::newRow("db2") << Side::Db2;
}

} // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void ownerWithoutTablesGetsAnEmptyList_data() { addSides(); }
    void ownerWithoutTablesGetsAnEmptyList() {
        QFETCH(Side, side);
        Names names;
        const shell::TableList& list = names.list;
        list.insertNames({u"stale 1"_s, u"stale 2"_s});
        list.setCurrentRow(1);

        load(side, list, lonelyConnectionString(side));

        QCOMPARE(list.names(), QStringList());
        QCOMPARE(list.currentRow(), -1);
    }

    // Names reach the list as the server keeps them (letter case, blanks,
    // double quotes), in the order a person reads them; a view of the same
    // schema never enters it; loading again gives the same list.
    void listsTheTablesOfTheLogin_data() { addSides(); }
    void listsTheTablesOfTheLogin() {
        QFETCH(Side, side);
        const QStringList tables{u"CatalogueB"_s, u"catalogue_a"_s, u"Catalogue C"_s,
                                 u"Catalogue\"Q"_s};
        Scratch scratch(side);
        for (const QString& table : tables)
            scratch.table(table);
        scratch.view(u"CatalogueView"_s, tables.first());

        Names names;
        const shell::TableList& list = names.list;
        list.insertName(u"catalogue stale"_s);
        load(side, list, ownerConnectionString(side));
        const QStringList first = list.names();

        // As a person reads them: letter case ignored ("_" sorts before "b").
        const QStringList expected{u"Catalogue C"_s, u"Catalogue\"Q"_s, u"catalogue_a"_s,
                                   u"CatalogueB"_s};
        QCOMPARE(ours(first), expected);
        // The tables catalogue also reports system views (information_schema).
        QVERIFY2(!first.contains(u"COLUMNS"_s, Qt::CaseInsensitive), qPrintable(first.join(u',')));
        QVERIFY(list.selectedCount() == 0);
        if (side == Side::Oracle) {
            QCOMPARE(list.currentRow(), 0);
        } else {
            QCOMPARE(list.currentRow(), -1);
        }

        load(side, list, ownerConnectionString(side));
        QCOMPARE(ours(list.names()), expected);
        QCOMPARE(list.currentRow(), side == Side::Oracle ? 0 : -1);
    }

    // The login fails before the list is touched: what the user saw stays,
    // current item and selection included.
    void wrongPasswordFailsBeforeTheListIsCleared_data() { addSides(); }
    void wrongPasswordFailsBeforeTheListIsCleared() {
        QFETCH(Side, side);
        Names names;
        const shell::TableList& list = names.list;
        list.insertNames({u"kept b"_s, u"kept a"_s, u"kept c"_s});
        list.setCurrentRow(2);
        list.setSelected(0, true);
        list.setSelected(2, true);

        QVERIFY_THROWS_EXCEPTION(db::Error, load(side, list, wrongPasswordConnectionString(side)));

        QCOMPARE(list.names(), (QStringList{u"kept a"_s, u"kept b"_s, u"kept c"_s}));
        QCOMPARE(list.currentRow(), 2);
        QVERIFY(list.isSelected(0));
        QVERIFY(!list.isSelected(1));
        QVERIFY(list.isSelected(2));
    }
};

QTEST_MAIN(CatalogueTest)
#include "catalogue_test.moc"
