// Column types, CREATE TABLE and INSERT texts, byte for byte: these strings go
// to the databases unchanged, so a stray blank or a missed quote is a failed
// copy or a silently altered row.
#include "kernel/ChangeStatements.h"
#include "kernel/Statements.h"
#include "kernel/WholeKey.h"
#include "transfer/Datatype.h"

#include <QTest>

using db::Side;
using db::Value;
using Fields = QList<std::pair<QString, int>>;
using Values = QList<Value>;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(db::Side)
Q_DECLARE_METATYPE(db::Value)

namespace {

Value text(const QString& s) {
    return {Value::Kind::Text, s};
}
Value integer(int n) {
    return {Value::Kind::Integer, QString::number(n)};
}
Value null() {
    return {};
}

} // namespace

class StatementsTest : public QObject {
    Q_OBJECT

private slots:
    // A key's text as the servers write it, read exactly or not at all: a
    // key read wrongly would cut a range where no key is.
    void wholeKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key"); // its digits again, or empty for none
        QTest::newRow("signed minimum") << u"-9223372036854775808"_s << u"-9223372036854775808"_s;
        QTest::newRow("unsigned maximum") << u"18446744073709551615"_s << u"18446744073709551615"_s;
        QTest::newRow("decimal point, zeros") << u"12.000"_s << u"12"_s;
        QTest::newRow("DECFLOAT's exponent") << u"1.2E+1"_s << u"12"_s;
        QTest::newRow("exponent past the digits") << u"5E+20"_s << u"500000000000000000000"_s;
        QTest::newRow("a fraction") << u"12.5"_s << QString();
        QTest::newRow("a fraction by exponent") << u"125E-1"_s << QString();
        QTest::newRow("10^30") << u"1E+30"_s << u"1000000000000000000000000000000"_s;
        QTest::newRow("past 10^30") << u"1000000000000000000000000000001"_s << QString();
        QTest::newRow("not a number") << u"12a"_s << QString();
        QTest::newRow("zero") << u"-0"_s << u"0"_s;
    }
    void wholeKeys() {
        QFETCH(QString, text);
        QFETCH(QString, key);
        const std::optional<kernel::WholeKey> read = kernel::WholeKeyOf(text);
        QCOMPARE(read ? kernel::WholeKeyText(*read) : QString(), key);
    }

    void adoTypeName_data();
    void adoTypeName();
    void columnType_data();
    void columnType();
    void createTable_data();
    void createTable();
    void insert_data();
    void insert();
    void insertReplacesThePreviousStatement();
    void changes_data();
    void changes();
    void valueOrDefault_data();
    void valueOrDefault();
    void names_data();
    void names();
};

void StatementsTest::adoTypeName_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const std::pair<int, const char*> table[] = {
        {0, "adEmpty"},
        {2, "adSmallInt"},
        {3, "adInteger"},
        {4, "adSingle"},
        {5, "adDouble"},
        {6, "adCurrency"},
        {7, "adDate"},
        {8, "adBSTR"},
        {9, "adIDispatch"},
        {10, "adError"},
        {11, "adBoolean"},
        {12, "adVariant"},
        {13, "adIUnknown"},
        {14, "adDecimal"},
        {16, "adTinyInt"},
        {17, "adUnsignedTinyInt"},
        {18, "adUnsignedSmallInt"},
        {19, "adUnsignedInt"},
        {20, "adBigInt"},
        {21, "adUnsignedBigInt"},
        {64, "adFileTime"},
        {72, "adGUID"},
        {128, "adBinary"},
        {129, "adChar"},
        {130, "adWChar"},
        {131, "adNumeric"},
        {132, "adUserDefined"},
        {133, "adDBDate"},
        {134, "adDBTime"},
        {135, "adDBTimeStamp"},
        {136, "adChapter"},
        {138, "adPropVariant"},
        {139, "adVarNumeric"},
        {200, "adVarChar"},
        {201, "adLongVarChar"},
        {202, "adVarWChar"},
        {203, "adLongVarWChar"},
        {204, "adVarBinary"},
        {205, "adLongVarBinary"},
        // Not in the enumeration: gaps, out of range, flagged codes.
        {1, ""},
        {15, ""},
        {22, ""},
        {137, ""},
        {206, ""},
        {300, ""},
        {-1, ""},
        {8192 | 3, ""},
        {0x2000 | 200, ""},
        {0x4000 | 3, ""},
    };
    for (const auto& [code, name] : table)
        QTest::addRow("%d", code) << code << QString::fromLatin1(name);
}

void StatementsTest::adoTypeName() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(transfer::AdoTypeName(code), name);
}

void StatementsTest::columnType_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("db2");
    QTest::addColumn<QString>("oracle");
    const QString longVarchar = QStringLiteral(" LONG VARCHAR,");
    const QString date = QStringLiteral(" DATE,");
    const QString varchar = QStringLiteral(" VARCHAR(2000),");
    const QString numeric = QStringLiteral(" NUMERIC,");
    const auto add = [](std::initializer_list<int> codes, const QString& db2,
                        const QString& oracle) {
        for (int code : codes)
            QTest::addRow("%d", code) << code << db2 << oracle;
    };
    add({7, 133}, date, date);
    add({2, 3, 16, 17, 18, 19, 20, 21}, longVarchar, numeric);
    add({6}, longVarchar, numeric);
    add({11}, longVarchar, QStringLiteral(" BOOL,"));
    add({129, 130, 200, 201, 202, 203}, longVarchar, varchar);
    add({205}, longVarchar, varchar);
    add({4, 5}, longVarchar, varchar);
    add({14, 131, 139}, longVarchar, varchar);
    // Times and timestamps carry no "date" in their names.
    add({134, 135, 64}, longVarchar, varchar);
    add({0, 8, 9, 10, 12, 13, 72, 128, 132, 136, 138, 204}, longVarchar, varchar);
    add({300, -1, 8192 | 3, 1, 206}, longVarchar, varchar);
}

void StatementsTest::columnType() {
    QFETCH(int, code);
    QFETCH(QString, db2);
    QFETCH(QString, oracle);
    const QString lowered = transfer::AdoTypeName(code).toLower();
    QCOMPARE(transfer::Db2ColumnType(lowered), db2);
    QCOMPARE(transfer::OracleColumnType(lowered), oracle);
    QCOMPARE(transfer::ColumnTypeFor(Side::Db2, code), db2);
    QCOMPARE(transfer::ColumnTypeFor(Side::Oracle, code), oracle);
}

void StatementsTest::createTable_data() {
    QTest::addColumn<Side>("target");
    QTest::addColumn<QString>("table");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("statement");

    const Fields people{{u"ID"_s, 3}, {u"NAME"_s, 200}, {u"BORN"_s, 7}};
    QTest::newRow("people to DB2")
        << Side::Db2 << u"PEOPLE"_s << people
        << uR"(CREATE TABLE "PEOPLE"("ID" LONG VARCHAR,"NAME" LONG VARCHAR,"BORN" DATE))"_s;
    QTest::newRow("people to Oracle")
        << Side::Oracle << u"PEOPLE"_s << people
        << uR"(CREATE TABLE "PEOPLE"("ID" NUMERIC,"NAME" VARCHAR(2000),"BORN" DATE))"_s;
    QTest::newRow("letter case kept") << Side::Oracle << u"MixedCase"_s << Fields{{u"lower"_s, 11}}
                                      << uR"(CREATE TABLE "MixedCase"("lower" BOOL))"_s;
    QTest::newRow("double quotes in names doubled")
        << Side::Db2 << uR"(a"b)"_s << Fields{{uR"(x" INT, "y)"_s, 3}}
        << uR"(CREATE TABLE "a""b"("x"" INT, ""y" LONG VARCHAR))"_s;
    QTest::newRow("single quotes and blanks in names pass")
        << Side::Oracle << u"my table"_s << Fields{{u"it's"_s, 202}}
        << uR"(CREATE TABLE "my table"("it's" VARCHAR(2000)))"_s;
}

void StatementsTest::createTable() {
    QFETCH(Side, target);
    QFETCH(QString, table);
    QFETCH(Fields, fields);
    QFETCH(QString, statement);
    QCOMPARE(transfer::CreateTableStatement(target, table, fields), statement);
}

void StatementsTest::insert_data() {
    QTest::addColumn<Side>("target");
    QTest::addColumn<QString>("table");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("statement");

    QTest::newRow("number, quote, Null, empty")
        << Side::Db2 << u"PEOPLE"_s
        << Values{integer(12), text(u"O'Brien"_s), null(), text(QString())}
        << uR"(INSERT INTO "PEOPLE" VALUES('12', 'O''Brien', NULL, NULL))"_s;
    QTest::newRow("single Null") << Side::Db2 << u"T"_s << Values{null()}
                                 << uR"(INSERT INTO "T" VALUES(NULL))"_s;
    QTest::newRow("Oracle Boolean and number")
        << Side::Oracle << u"T"_s << Values{Value::boolean(true), integer(5)}
        << uR"(INSERT INTO "T" VALUES(1, '5'))"_s;

    for (Side target : {Side::Db2, Side::Oracle}) {
        const char* side = target == Side::Db2 ? "DB2" : "Oracle";
        QTest::addRow("%s: empty and Null between values", side)
            << target << u"T"_s << Values{text(u"a"_s), text(u""_s), null(), text(u"b"_s)}
            << uR"(INSERT INTO "T" VALUES('a', NULL, NULL, 'b'))"_s;
        QTest::addRow("%s: blanks stay quoted", side)
            << target << u"T"_s << Values{text(u"   "_s)} << uR"(INSERT INTO "T" VALUES('   '))"_s;
        QTest::addRow("%s: every single quote doubled", side)
            << target << u"T"_s << Values{text(u"'a''b'"_s), text(u"'"_s)}
            << uR"(INSERT INTO "T" VALUES('''a''''b''', ''''))"_s;
        QTest::addRow("%s: nothing else escaped", side)
            << target << u"T"_s << Values{text(u"say \"hi\"\\n\r\nC:\\dir\\\tend\\"_s)}
            << u"INSERT INTO \"T\" VALUES('say \"hi\"\\n\r\nC:\\dir\\\tend\\')"_s;
        QTest::addRow("%s: text reading True stays text", side)
            << target << u"T"_s << Values{text(u"True"_s), text(u"False"_s), text(u"'True'"_s)}
            << uR"(INSERT INTO "T" VALUES('True', 'False', '''True'''))"_s;
        QTest::addRow("%s: non-ASCII text", side)
            << target << u"T"_s << Values{text(u"Zoë – 東京"_s)}
            << u"INSERT INTO \"T\" VALUES('Zoë – 東京')"_s;
        QTest::addRow("%s: double quote in table name", side)
            << target << uR"(we"ird)"_s << Values{integer(1)}
            << uR"(INSERT INTO "we""ird" VALUES('1'))"_s;
    }

    QTest::newRow("DB2 Booleans quoted")
        << Side::Db2 << u"T"_s << Values{Value::boolean(true), Value::boolean(false)}
        << uR"(INSERT INTO "T" VALUES('True', 'False'))"_s;
    QTest::newRow("Oracle Booleans bare, first, middle and last")
        << Side::Oracle << u"T"_s
        << Values{Value::boolean(false), text(u"x"_s), Value::boolean(true), null(),
                  Value::boolean(false)}
        << uR"(INSERT INTO "T" VALUES(0, 'x', 1, NULL, 0))"_s;
    QTest::newRow("Oracle Boolean beside text True")
        << Side::Oracle << u"T"_s << Values{text(u"True"_s), Value::boolean(true)}
        << uR"(INSERT INTO "T" VALUES('True', 1))"_s;
    QTest::newRow("other kinds keep their text quoted")
        << Side::Oracle << u"T"_s
        << Values{Value(Value::Kind::Decimal, u"-1.50"_s),
                  Value(Value::Kind::Timestamp, u"2024-02-29 13:05:00"_s),
                  Value(Value::Kind::Binary, u"00ff"_s)}
        << uR"(INSERT INTO "T" VALUES('-1.50', '2024-02-29 13:05:00', '00ff'))"_s;
}

void StatementsTest::insert() {
    QFETCH(Side, target);
    QFETCH(QString, table);
    QFETCH(Values, values);
    QFETCH(QString, statement);
    QCOMPARE(kernel::InsertStatement(target, table, values), statement);
}

// The run builds every row in the same text; a row must never carry anything
// of the row before it, nor of the CREATE TABLE built there earlier.
void StatementsTest::insertReplacesThePreviousStatement() {
    QString last;
    kernel::BeginCreateTable(last, u"T");
    kernel::AppendColumnDefinition(last, u"A", transfer::ColumnTypeFor(Side::Db2, 200));
    kernel::EndCreateTable(last);
    QCOMPARE(last, uR"(CREATE TABLE "T"("A" LONG VARCHAR))"_s);

    for (const QString& v : {u"first row, long value"_s, u"2"_s}) {
        kernel::BeginInsert(last, u"T");
        kernel::AppendValue(last, text(v), Side::Db2);
        kernel::EndInsert(last);
        QCOMPARE(last, u"INSERT INTO \"T\" VALUES('"_s + v + u"')"_s);
    }

    kernel::BeginCreateTable(last, u"U");
    kernel::AppendColumnDefinition(last, u"B", transfer::ColumnTypeFor(Side::Oracle, 7));
    kernel::EndCreateTable(last);
    QCOMPARE(last, uR"(CREATE TABLE "U"("B" DATE))"_s);
}

// A sync's UPDATE and DELETE name their row by its key: a key written as
// the INSERT writes a value (an empty text as NULL) would match no row, or
// with "= NULL" never one.
void StatementsTest::changes_data() {
    QTest::addColumn<Values>("set");
    QTest::addColumn<Values>("key");
    QTest::addColumn<QString>("update");
    QTest::addColumn<QString>("remove");
    QTest::newRow("a value, a NULL, a quote in the key")
        << Values{text(u"x"_s), null()} << Values{text(u"O'B"_s), integer(7)}
        << uR"(UPDATE "we""ird" SET "A" = 'x', "B" = NULL WHERE "K" = 'O''B' AND "L" = '7')"_s
        << uR"(DELETE FROM "we""ird" WHERE "K" = 'O''B' AND "L" = '7')"_s;
    QTest::newRow("a NULL key, an empty one")
        << Values{text(QString()), Value::boolean(true)} << Values{null(), text(QString())}
        << uR"(UPDATE "we""ird" SET "A" = NULL, "B" = 1 WHERE "K" IS NULL AND "L" = '')"_s
        << uR"(DELETE FROM "we""ird" WHERE "K" IS NULL AND "L" = '')"_s;
    // Past Oracle's 4 000 bytes a value goes bound, in the set as in the key.
    const QString longText(4001, u'z');
    QTest::newRow("long values bound")
        << Values{text(longText), integer(1)} << Values{text(longText), integer(2)}
        << uR"(UPDATE "we""ird" SET "A" = ?, "B" = '1' WHERE "K" = ? AND "L" = '2')"_s
        << uR"(DELETE FROM "we""ird" WHERE "K" = ? AND "L" = '2')"_s;
}

void StatementsTest::changes() {
    QFETCH(Values, set);
    QFETCH(Values, key);
    QFETCH(QString, update);
    QFETCH(QString, remove);
    const QString table = uR"(we"ird)"_s;
    const kernel::ColumnValues keyColumns{{u"K"_s, u"L"_s}, key};
    const qint64 budget = kernel::LiteralBudget({4000, 0}, 4);
    db::BoundValues bound;
    QCOMPARE(kernel::BoundUpdateStatement(Side::Oracle, table, {{u"A"_s, u"B"_s}, set}, keyColumns,
                                          nullptr, budget, bound),
             update);
    db::BoundValues deleted;
    QCOMPARE(
        kernel::BoundDeleteStatement(Side::Oracle, table, keyColumns, nullptr, budget, deleted),
        remove);
    QCOMPARE(bound.size(), std::size_t(update.count(u'?')));
    QCOMPARE(kernel::PreparedUpdateStatement(table, {u"A"_s, u"B"_s}, {u"K"_s, u"L"_s}),
             uR"(UPDATE "we""ird" SET "A" = ?, "B" = ? WHERE "K" = ? AND "L" = ?)"_s);
}

void StatementsTest::valueOrDefault_data() {
    QTest::addColumn<Value>("value");
    QTest::addColumn<Value>("fallback");
    QTest::addColumn<Value>("result");
    const Value empty = text(QString());
    QTest::newRow("Null") << null() << empty << empty;
    QTest::newRow("empty text is not Null") << text(u""_s) << text(u"x"_s) << text(u""_s);
    QTest::newRow("False is not Null") << Value::boolean(false) << empty << Value::boolean(false);
    QTest::newRow("number") << integer(0) << empty << integer(0);
}

void StatementsTest::valueOrDefault() {
    QFETCH(Value, value);
    QFETCH(Value, fallback);
    QFETCH(Value, result);
    QCOMPARE(kernel::ValueOrDefault(value, fallback), result);
}

void StatementsTest::names_data() {
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("quoted");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("drop");
    QTest::addColumn<QString>("rename");
    QTest::newRow("plain") << u"ORDERS"_s << u"Orders2"_s << uR"("ORDERS")"_s
                           << uR"(SELECT * FROM "ORDERS")"_s << uR"(DROP TABLE "ORDERS")"_s
                           << uR"(RENAME "ORDERS" TO "Orders2")"_s;
    QTest::newRow("double quotes doubled")
        << uR"(a"b)"_s << uR"("; DROP TABLE "X)"_s << uR"("a""b")"_s << uR"(SELECT * FROM "a""b")"_s
        << uR"(DROP TABLE "a""b")"_s << uR"(RENAME "a""b" TO """; DROP TABLE ""X")"_s;
    QTest::newRow("only quotes") << uR"(")"_s << uR"("")"_s << uR"("""")"_s
                                 << uR"(SELECT * FROM """")"_s << uR"(DROP TABLE """")"_s
                                 << uR"(RENAME """" TO """""")"_s;
    QTest::newRow("single quote and blank pass")
        << u"it's here"_s << u"x"_s << uR"("it's here")"_s << uR"(SELECT * FROM "it's here")"_s
        << uR"(DROP TABLE "it's here")"_s << uR"(RENAME "it's here" TO "x")"_s;
}

void StatementsTest::names() {
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QString, quoted);
    QFETCH(QString, select);
    QFETCH(QString, drop);
    QFETCH(QString, rename);
    QCOMPARE(kernel::QuotedName(oldName), quoted);
    QCOMPARE(kernel::SelectAllStatement(oldName), select);
    QCOMPARE(kernel::DropTableStatement(oldName), drop);
    QCOMPARE(kernel::RenameStatement(oldName, newName), rename);
}

QTEST_APPLESS_MAIN(StatementsTest)
#include "statements_test.moc"
