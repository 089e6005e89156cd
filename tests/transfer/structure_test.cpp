// A copy's structure: the source's primary key, unique constraints, indexes
// (order and direction) and comments made on a new table once its rows have
// arrived, each way, and read back from the target's own catalogue; an
// object the target cannot make is one report, and the rest are made.
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"
#include "transfer/PortableSql.h"
#include "transfer/TableStructure.h"
#include "transfer/TransferRun.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;

namespace {

// What a table's structure holds, its names as the target has them but a
// primary key's, which the target may name itself. A unique constraint and
// a unique index read alike: MariaDB, the DB2 stand-in, keeps no difference
// (the reader tells them apart where the server does, and the copy makes
// each as what it is).
QStringList described(Side side, const QString& table) {
    db::Connection connection = standin::openAsOwner(side);
    const transfer::TableStructure s = transfer::ReadStructure(connection, table);
    QStringList said{u"key "_s + s.primaryKey.join(u',')};
    for (const transfer::TableIndex& index : s.indexes) {
        QStringList columns;
        for (const transfer::IndexColumn& c : index.columns)
            columns << c.name + (c.descending ? u" desc"_s : QString());
        said << u"%1 %2 %3"_s.arg(index.unique ? u"unique"_s : u"index"_s, index.name,
                                  columns.join(u','));
    }
    // Each server writes a condition back its own way: compared without
    // parentheses, blanks and letter case.
    for (const transfer::TableCheck& check : s.checks) {
        const std::optional<QString> condition =
            transfer::PortableCondition(check.condition, s.unquoted);
        // PostgreSQL keeps a BETWEEN as its two comparisons.
        const QString text =
            condition.value_or(check.condition)
                .toLower()
                .remove(QRegularExpression(u"[() ]"_s))
                .replace(QRegularExpression(u"(\"[^\"]+\")between(.+?)and(.+?)(?=or|and|$)"_s),
                         u"\\1>=\\2and\\1<=\\3"_s);
        said << u"check %1 %2"_s.arg(check.name, text);
    }
    // A number as its value: MariaDB writes a DECIMAL(12,2)'s -1.5 as -1.50.
    for (auto d = s.defaults.cbegin(); d != s.defaults.cend(); ++d) {
        QString value =
            transfer::PortableDefault(*d, s.unquoted, db::StructureFormsOf(db::ServerKind::Db2))
                .value_or(*d);
        bool number = false;
        const double n = value.toDouble(&number);
        said << u"default %1 %2"_s.arg(d.key(), number ? QString::number(n) : value);
    }
    said << u"comment "_s + s.comment;
    for (auto c = s.columnComments.cbegin(); c != s.columnComments.cend(); ++c)
        said << u"comment %1 %2"_s.arg(c.key(), c.value());
    said.sort();
    return said;
}

kernel::CopyOptions withStructure(bool bulk) {
    kernel::CopyOptions options;
    options.exactTypes = true;
    options.bulk = bulk;
    options.structure = true;
    return options;
}

} // namespace

class StructureTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }

    void eachKindEachWay_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<QStringList>("create");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("refused"); // the one report's object
        const QStringList expected{u"comment Order lines, it's"_s,
                                   u"comment AMOUNT In euro"_s,
                                   u"unique St_Code CODE"_s,
                                   u"index St_Amount AMOUNT desc,ID"_s,
                                   u"key ID,LINE"_s,
                                   u"unique St_Line_Code LINE,CODE"_s,
                                   u"check St_Some \"amount\">=-1and\"code\"in'a','b'"_s,
                                   u"check St_Range \"line\">=1and\"line\"<=9or\"line\"isnull"_s,
                                   u"default AMOUNT -1.5"_s,
                                   u"default CODE 'a'"_s};
        QTest::newRow("Oracle to DB2")
            << Side::Oracle << false
            << QStringList{u"CREATE TABLE \"St_Lines\" (\"ID\" integer NOT NULL, \"LINE\" integer "
                           u"NOT "
                           "NULL, \"CODE\" varchar(10) DEFAULT 'a', \"AMOUNT\" numeric(12,2) "
                           "DEFAULT "
                           "-1.5, CONSTRAINT \"St_Lines_PK\" PRIMARY KEY (\"ID\", \"LINE\"), "
                           "CONSTRAINT \"St_Code\" UNIQUE (\"CODE\"), CONSTRAINT \"St_Some\" CHECK "
                           "(\"AMOUNT\" >= -1 AND \"CODE\" IN ('a', 'b')), CONSTRAINT \"St_Range\" "
                           "CHECK (\"LINE\" BETWEEN 1 AND 9 OR \"LINE\" IS NULL), CONSTRAINT "
                           "\"St_Own\" CHECK (length(\"CODE\") < 5))"_s,
                           u"CREATE INDEX \"St_Amount\" ON \"St_Lines\" (\"AMOUNT\" DESC, \"ID\")"_s,
                           u"CREATE UNIQUE INDEX \"St_Line_Code\" ON \"St_Lines\" (\"LINE\", \"CODE\")"_s,
                           u"COMMENT ON TABLE \"St_Lines\" IS 'Order lines, it''s'"_s,
                           u"COMMENT ON COLUMN \"St_Lines\".\"AMOUNT\" IS 'In euro'"_s}
            << expected + QStringList{u"check St_Own checklength\"code\"::text<5"_s}
            << u"The check \"St_Own\" is not made"_s;
        QTest::newRow("DB2 to Oracle, bulk")
            << Side::Db2 << true
            << QStringList{u"CREATE TABLE \"St_Lines\" (\"ID\" INT NOT NULL, \"LINE\" INT NOT "
                           "NULL, \"CODE\" VARCHAR(10) DEFAULT 'a', \"AMOUNT\" DECIMAL(12,2) "
                           "DEFAULT -1.5 COMMENT 'In euro', PRIMARY KEY (\"ID\", \"LINE\"), "
                           "CONSTRAINT \"St_Code\" UNIQUE (\"CODE\"), CONSTRAINT \"St_Some\" "
                           "CHECK (\"AMOUNT\" >= -1 AND \"CODE\" IN ('a', 'b')), CONSTRAINT "
                           "\"St_Range\" CHECK (\"LINE\" BETWEEN 1 AND 9 OR \"LINE\" IS NULL)) "
                           "COMMENT = 'Order lines, it''s'"_s,
                           u"CREATE INDEX \"St_Amount\" ON \"St_Lines\" (\"AMOUNT\" DESC, "
                           "\"ID\")"_s,
                           u"CREATE UNIQUE INDEX \"St_Line_Code\" ON \"St_Lines\" (\"LINE\", "
                           "\"CODE\")"_s}
            << expected << QString();
    }
    void eachKindEachWay() {
        QFETCH(Side, from);
        QFETCH(bool, bulk);
        QFETCH(QStringList, create);
        QFETCH(QStringList, expected);
        QFETCH(QString, refused);
        expected.sort();
        const QString table = u"St_Lines"_s;
        standin::dropIfExists(from, table);
        for (const QString& sql : create)
            standin::execute(from, sql);
        standin::execute(from, u"INSERT INTO \"St_Lines\" VALUES (1, 1, 'a', 1.5), (1, 2, 'b', "
                               "2.5), (2, 1, NULL, NULL)"_s);
        QCOMPARE(described(from, table), expected);
        const QStringList reports = CopyAfresh(from, table, withStructure(bulk));
        QCOMPARE(reports.size(), refused.isEmpty() ? 0 : 1);
        if (!refused.isEmpty()) {
            QVERIFY2(reports[0].contains(refused), qPrintable(reports[0]));
            expected.removeIf([](const QString& line) { return line.contains(u"St_Own"_s); });
        }
        QCOMPARE(described(standin::otherSide(from), table), expected);
        standin::dropIfExists(from, table);
        standin::dropIfExists(standin::otherSide(from), table);
    }

    // Index names are the schema's on the Oracle side and the table's on
    // MariaDB: the second table's index finds its name taken and is one
    // report; its key and its rows are there all the same.
    void aNameTakenIsReported() {
        const QStringList tables{u"St_First"_s, u"St_Second"_s};
        for (const QString& table : tables) {
            standin::dropIfExists(Side::Db2, table);
            standin::dropIfExists(Side::Oracle, table);
            standin::execute(Side::Db2, u"CREATE TABLE \"%1\" (\"ID\" INT NOT NULL PRIMARY KEY, "
                                        "\"N\" INT, KEY \"St_Same\" (\"N\"))"_s.arg(table));
            standin::execute(Side::Db2, u"INSERT INTO \"%1\" VALUES (1, 2)"_s.arg(table));
        }
        QVERIFY(CopyAfresh(Side::Db2, tables[0], withStructure(false)).isEmpty());
        const QStringList reports = CopyAfresh(Side::Db2, tables[1], withStructure(false));
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains(u"The index \"St_Same\" is not made"_s),
                 qPrintable(reports[0]));
        QCOMPARE(described(Side::Oracle, tables[1]), (QStringList{u"comment "_s, u"key ID"_s}));
        db::Connection oracle = standin::openAsOwner(Side::Oracle);
        db::RowSet count;
        count.Open(u"SELECT COUNT(*) FROM \"St_Second\""_s, oracle);
        QCOMPARE(count.Fields().item(0).Value().text(), u"1"_s);
        for (const QString& table : tables) {
            standin::dropIfExists(Side::Db2, table);
            standin::dropIfExists(Side::Oracle, table);
        }
    }

    // Three tables whose keys refer to each other, copied in the list's
    // order (bottom up: items before the orders and customers they refer
    // to), and one that refers to a table the target lacks: one report.
    void foreignKeysAfterEveryTable() {
        const QStringList tables{u"Fk_Customers"_s, u"Fk_Items"_s, u"Fk_Orders"_s, u"Fk_Lone"_s};
        // Those that refer first.
        const QStringList dropped{u"Fk_Items"_s, u"Fk_Lone"_s, u"Fk_Orders"_s, u"Fk_Customers"_s,
                                  u"Fk_Gone"_s};
        const auto drop = [&] {
            for (const QString& table : dropped) {
                standin::dropIfExists(Side::Oracle, table);
                standin::dropIfExists(Side::Db2, table);
            }
        };
        drop();
        for (const QString& sql :
             {u"CREATE TABLE \"Fk_Customers\" (\"ID\" integer PRIMARY KEY)"_s,
              u"CREATE TABLE \"Fk_Orders\" (\"ID\" integer PRIMARY KEY, \"CUSTOMER\" "
              "integer CONSTRAINT \"Fk_Orders_Customer\" REFERENCES \"Fk_Customers\" ON "
              "DELETE CASCADE)"_s,
              u"CREATE TABLE \"Fk_Items\" (\"ORDER_ID\" integer CONSTRAINT "
              "\"Fk_Items_Order\" REFERENCES \"Fk_Orders\", \"LINE\" integer, PRIMARY KEY "
              "(\"ORDER_ID\", \"LINE\"))"_s,
              u"CREATE TABLE \"Fk_Gone\" (\"ID\" integer PRIMARY KEY)"_s,
              u"CREATE TABLE \"Fk_Lone\" (\"GONE\" integer CONSTRAINT \"Fk_Lone_Gone\" "
              "REFERENCES \"Fk_Gone\")"_s,
              u"INSERT INTO \"Fk_Customers\" VALUES (1)"_s,
              u"INSERT INTO \"Fk_Orders\" VALUES (1, 1)"_s,
              u"INSERT INTO \"Fk_Items\" VALUES (1, 1), (1, 2)"_s})
            standin::execute(Side::Oracle, sql);
        TableManagerControls window;
        window.options = withStructure(false);
        window.options.foreignKeys = true;
        const shell::TableList list = window.list(Side::Oracle);
        for (const QString& table : tables)
            list.insertName(table);
        for (int i = 0; i < list.count(); ++i)
            list.setSelected(i, true);
        list.setCurrentRow(0);
        ScriptedDialogs dialogs;
        dialogs.failOnErrorReport = false;
        transfer::CopyOracleToDb2(window.workspace(dialogs));
        QCOMPARE(dialogs.errorReports().size(), 1);
        QVERIFY2(dialogs.errorReports()[0].contains(
                     u"The foreign key \"Fk_Lone_Gone\" of \"Fk_Lone\" is not made: it refers "
                     "to \"Fk_Gone\", which the target does not have"_s),
                 qPrintable(dialogs.errorReports()[0]));
        // The target's own catalogue, and the rule it keeps: a customer
        // deleted takes its orders along, an order with items stays.
        db::Connection db2 = standin::openAsOwner(Side::Db2);
        QStringList keys;
        for (const QString& table : tables) {
            for (db::RowSet rows = db2.OpenForeignKeys(table); !rows.Eof(); rows.MoveNext())
                keys << u"%1.%2 -> %3.%4"_s.arg(table, rows.Fields().item(7).Value().text(),
                                                rows.Fields().item(2).Value().text(),
                                                rows.Fields().item(3).Value().text());
        }
        keys.sort();
        QCOMPARE(keys, (QStringList{u"Fk_Items.ORDER_ID -> Fk_Orders.ID"_s,
                                    u"Fk_Orders.CUSTOMER -> Fk_Customers.ID"_s}));
        QVERIFY_THROWS_EXCEPTION(db::Error, db2.Execute(u"DELETE FROM \"Fk_Orders\""_s));
        db2.Execute(u"DELETE FROM \"Fk_Items\""_s);
        db2.Execute(u"DELETE FROM \"Fk_Customers\""_s);
        db::RowSet left;
        left.Open(u"SELECT COUNT(*) FROM \"Fk_Orders\""_s, db2);
        QCOMPARE(left.Fields().item(0).Value().text(), u"0"_s);
        drop();
    }
};

QTEST_MAIN(StructureTest)
#include "structure_test.moc"
