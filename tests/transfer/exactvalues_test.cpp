// Values arrive exactly: text of every script read back through the session
// layer and copied both ways, checked against what the servers themselves say
// of it.
#include "db/Session.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"
#include "transfer/TransferRun.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::otherSide;
using standin::Side;

Q_DECLARE_METATYPE(standin::Side)

namespace {

// Code point ranges a DBA's text comes from, each as likely as the others.
struct Script {
    char32_t first, last;
};
constexpr Script scripts[] = {
    {0x20, 0x7e},       // ASCII
    {0xa0, 0xff},       // Latin-1
    {0x4e00, 0x9fff},   // CJK ideographs
    {0x3040, 0x30ff},   // kana, the prolonged sound mark U+30FC among them
    {0x3000, 0x3000},   // ideographic space
    {0xac00, 0xd7a3},   // Hangul syllables
    {0x0900, 0x097f},   // Devanagari
    {0x0600, 0x06ff},   // Arabic
    {0x0300, 0x036f},   // combining marks
    {0x1f300, 0x1f6ff}, // emoji, outside the BMP
    {0x20000, 0x2a6df}, // CJK extension B, outside the BMP
};

// Seeded, so that a failure repeats. No U+0000: PostgreSQL keeps none in
// text, and MariaDB's driver ends a value there.
QStringList randomTexts(int count) {
    QRandomGenerator random(20261208);
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        QString text;
        const int length = 1 + int(random.bounded(40));
        for (int c = 0; c < length; ++c) {
            const Script& script = scripts[random.bounded(int(std::size(scripts)))];
            const char32_t point = script.first + random.bounded(script.last - script.first + 1);
            text += QString::fromUcs4(&point, 1);
        }
        texts << text;
    }
    // The one a user found cut short.
    texts[0] = u"日本語のテキスト、全角スペース　あり"_s;
    texts[1] = u"ペース"_s;
    return texts;
}

QString literal(const QString& text) {
    return u"'"_s + QString(text).replace(u"'"_s, u"''"_s) + u"'"_s;
}

void storeTexts(Side side, const QString& table, const QStringList& texts) {
    standin::dropIfExists(side, table);
    standin::execute(side, u"CREATE TABLE \"%1\" (id integer, t %2)"_s.arg(
                               table, side == Side::Oracle ? u"text"_s : u"longtext"_s));
    for (qsizetype from = 0; from < texts.size(); from += 200) {
        QStringList rows;
        for (qsizetype i = from; i < std::min(texts.size(), from + 200); ++i) {
            rows << u"(%1, %2)"_s.arg(i).arg(literal(texts[i]));
        }
        standin::execute(side, u"INSERT INTO \"%1\" VALUES "_s.arg(table) + rows.join(u", "_s));
    }
}

// Every text as read through the session layer must be the one expected, and
// its length and MD5 must be what the server computes from what it holds.
void checkTexts(Side side, const QString& table, const QStringList& expected) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(side == Side::Oracle
                  ? u"SELECT id, t, length(t), md5(t) FROM \"%1\" ORDER BY id"_s.arg(table)
                  : u"SELECT id, t, CHAR_LENGTH(t), MD5(t) FROM \"%1\" ORDER BY id"_s.arg(table),
              connection);
    QStringList wrong;
    int count = 0;
    for (; !rows.Eof(); rows.MoveNext(), ++count) {
        const int id = rows.Fields().item(0).Value().text().toInt();
        const QString text = rows.Fields().item(1).Value().text();
        const qsizetype serverLength = rows.Fields().item(2).Value().text().toLongLong();
        const QString serverMd5 = rows.Fields().item(3).Value().text();
        const QString md5 = QString::fromLatin1(
            QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
        if (text != expected.value(id) || text.toUcs4().size() != serverLength ||
            md5 != serverMd5) {
            wrong << u"%1: read %2 units of %3 code points (md5 %4): %5, expected %6"_s.arg(id)
                         .arg(text.size())
                         .arg(serverLength)
                         .arg(md5 == serverMd5 ? u"same"_s : u"differs"_s,
                              QString::fromLatin1(
                                  QByteArray::fromRawData(
                                      reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
                                      .toHex(' ')),
                              QString::fromLatin1(
                                  QByteArray::fromRawData(
                                      reinterpret_cast<const char*>(expected.value(id).utf16()),
                                      expected.value(id).size() * 2)
                                      .toHex(' ')));
        }
    }
    QCOMPARE(count, expected.size());
    QVERIFY2(wrong.isEmpty(), qPrintable(u"%1 of %2 texts wrong:\n"_s.arg(wrong.size()).arg(count) +
                                         wrong.mid(0, 20).join(u'\n')));
}

// Copies the table as the button does; the boxes shown, in order.
QStringList copy(Side from, const QString& table, bool reportsExpected = false) {
    TableManagerControls controls;
    ScriptedDialogs dialogs;
    dialogs.failOnErrorReport = !reportsExpected;
    controls.copyTable(from, table, dialogs);
    if (!dialogs.allExpected()) {
        qWarning("%s", qPrintable(dialogs.unexpectedSummary()));
    }
    return controls.items(otherSide(from)) == QStringList{table} ? dialogs.shown()
                                                                 : QStringList{u"not listed"_s};
}

const QString textTable = u"ExactText"_s;
const QString numberTable = u"ExactNumbers"_s;
const QString shrinkingTable = u"Shrinking"_s;

// Every table named Shrinking that is created on the Oracle stand-in from now
// on silently drops every tenth row inserted into it.
const QString shrinkNewTables = uR"(
CREATE SEQUENCE IF NOT EXISTS shrink_counter;
CREATE OR REPLACE FUNCTION shrink_every_tenth() RETURNS trigger LANGUAGE plpgsql
  SECURITY DEFINER AS $$
BEGIN
  IF nextval('shrink_counter') % 10 = 0 THEN RETURN NULL; END IF;
  RETURN NEW;
END $$;
CREATE OR REPLACE FUNCTION shrink_new_tables() RETURNS event_trigger LANGUAGE plpgsql AS $$
DECLARE created record;
BEGIN
  FOR created IN SELECT object_identity FROM pg_event_trigger_ddl_commands()
                 WHERE object_identity LIKE '%"Shrinking"' LOOP
    EXECUTE format('CREATE TRIGGER shrink BEFORE INSERT ON %s FOR EACH ROW '
                   'EXECUTE FUNCTION shrink_every_tenth()', created.object_identity);
  END LOOP;
END $$;
CREATE EVENT TRIGGER shrink_new_tables ON ddl_command_end WHEN TAG IN ('CREATE TABLE')
  EXECUTE FUNCTION shrink_new_tables();
)"_s;

} // namespace

class ExactValuesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
    }
    void cleanup() {
        standin::dropOnBothSides(textTable);
        standin::dropOnBothSides(shrinkingTable);
        standin::dropOnBothSides(numberTable);
    }

    // Numbers keep every digit: 38 significant digits, 1E-130, 9.99E+125, a
    // NUMERIC without precision and binary doubles at their limits. Decimals
    // must arrive as the same digits, doubles as the same double.
    void numbersKeepEveryDigit_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("create");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QList<QStringList>>("expected"); // n, n38, d by k
        const QString zeros123(123, u'0');
        QTest::newRow("oracle to db2")
            << Side::Oracle << u"(k integer, n numeric, n38 numeric(38,0), d double precision)"_s
            << u"(1, 12345678901234567890123456789012345678, "
               u"99999999999999999999999999999999999999, "
               u"0.1), (2, 1E-130, -12345678901234567890123456789012345678, 9.99e125), "
               u"(3, 9.99E+125, 0, 1e-130), (4, -0.000001234567890123456789012345678901234567, 1, "
               u"5e-324), (5, NULL, NULL, -1.7976931348623157e308)"_s
            << QList<QStringList>{
                   {u"12345678901234567890123456789012345678"_s,
                    u"99999999999999999999999999999999999999"_s, u"0.1"_s},
                   {u"0."_s + QString(129, u'0') + u"1"_s,
                    u"-12345678901234567890123456789012345678"_s, u"9.99e125"_s},
                   {u"999"_s + zeros123, u"0"_s, u"1e-130"_s},
                   {u"-0.000001234567890123456789012345678901234567"_s, u"1"_s, u"5e-324"_s},
                   {u"<NULL>"_s, u"<NULL>"_s, u"-1.7976931348623157e308"_s}};
        QTest::newRow("db2 to oracle")
            << Side::Db2 << u"(k INT, n DECIMAL(65,30), n38 DECIMAL(38,0), d DOUBLE)"_s
            << u"(1, 12345678901234567890123456789012345.123456789012345678901234567890, "
               u"99999999999999999999999999999999999999, 0.1), "
               u"(2, 0.000000000000000000000000000001, -12345678901234567890123456789012345678, "
               u"9.99e125), (3, "
               u"-99999999999999999999999999999999999.999999999999999999999999999999, "
               u"0, 1e-130), (4, 0, 1, 5e-324), (5, NULL, NULL, -1.7976931348623157e308)"_s
            << QList<QStringList>{
                   {u"12345678901234567890123456789012345.123456789012345678901234567890"_s,
                    u"99999999999999999999999999999999999999"_s, u"0.1"_s},
                   {u"0.000000000000000000000000000001"_s,
                    u"-12345678901234567890123456789012345678"_s, u"9.99e125"_s},
                   {u"-99999999999999999999999999999999999.999999999999999999999999999999"_s,
                    u"0"_s, u"1e-130"_s},
                   {u"0.000000000000000000000000000000"_s, u"1"_s, u"5e-324"_s},
                   {u"<NULL>"_s, u"<NULL>"_s, u"-1.7976931348623157e308"_s}};
    }
    void numbersKeepEveryDigit() {
        QFETCH(Side, from);
        QFETCH(QString, create);
        QFETCH(QString, rows);
        QFETCH(QList<QStringList>, expected);
        standin::execute(from, u"CREATE TABLE \"%1\" "_s.arg(numberTable) + create);
        standin::execute(from, u"INSERT INTO \"%1\" VALUES "_s.arg(numberTable) + rows);
        QCOMPARE(copy(from, numberTable), QStringList());

        db::Connection target = standin::openAsOwner(otherSide(from));
        db::RowSet read;
        read.Open(u"SELECT n, n38, d FROM \"%1\" ORDER BY k"_s.arg(numberTable), target);
        for (const QStringList& row : expected) {
            QVERIFY(!read.Eof());
            for (int f = 0; f < 3; ++f) {
                const db::Value value = read.Fields().item(f).Value();
                const QString text = value.isNull() ? u"<NULL>"_s : value.text();
                if (f < 2) {
                    QCOMPARE(text, row[f]);
                } else {
                    QCOMPARE(text.toDouble(), row[f].toDouble());
                }
            }
            read.MoveNext();
        }
        QVERIFY(read.Eof());
    }

    // A TIME keeps its fraction of a second.
    void timeKeepsItsFraction_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("timeType");
        QTest::addColumn<QString>("midnight"); // as each driver writes it
        QTest::newRow("oracle to db2") << Side::Oracle << u"time(2)"_s << u"00:00:00"_s;
        QTest::newRow("db2 to oracle") << Side::Db2 << u"TIME(2)"_s << u"00:00:00.00"_s;
    }
    void timeKeepsItsFraction() {
        QFETCH(Side, from);
        QFETCH(QString, timeType);
        QFETCH(QString, midnight);
        standin::execute(from,
                         u"CREATE TABLE \"%1\" (k integer, t %2)"_s.arg(numberTable, timeType));
        standin::execute(from, u"INSERT INTO \"%1\" VALUES (1, '13:45:07.25'), (2, '00:00:00'), "
                               u"(3, NULL)"_s.arg(numberTable));
        QCOMPARE(copy(from, numberTable), QStringList());
        db::Connection target = standin::openAsOwner(otherSide(from));
        db::RowSet read;
        read.Open(u"SELECT t FROM \"%1\" ORDER BY k"_s.arg(numberTable), target);
        QStringList times;
        for (; !read.Eof(); read.MoveNext()) {
            const db::Value value = read.Fields().item(0).Value();
            times << (value.isNull() ? u"<NULL>"_s : value.text());
        }
        QCOMPARE(times, (QStringList{u"13:45:07.25"_s, midnight, u"<NULL>"_s}));
    }

    // A target that drops rows without refusing them: after the table's rows
    // one report with both counts; nothing when they agree.
    void shortCopyIsReported() {
        standin::execute(Side::Db2, u"CREATE TABLE \"%1\" AS SELECT seq AS id FROM "
                                    u"seq_1_to_100"_s.arg(shrinkingTable));
        QString output;
        QVERIFY2(standin::adminSql(Side::Oracle, shrinkNewTables, &output), qPrintable(output));
        const QStringList shown = copy(Side::Db2, shrinkingTable, true);
        QVERIFY2(
            standin::adminSql(Side::Oracle, u"DROP EVENT TRIGGER shrink_new_tables"_s, &output),
            qPrintable(output));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(u"error: Table \"Shrinking\" holds 90 rows, but 100 were "
                                     u"inserted without error.\r\nin Duskferry2021/08/31.Form2."
                                     u"PushButton4_Click at line 220\r\r"_s),
                 qPrintable(shown[0]));
    }

    // 3 000 random texts stored on one side, read back, copied to the other
    // and read there.
    void textRoundTrip_data() {
        QTest::addColumn<Side>("from");
        QTest::newRow("oracle to db2") << Side::Oracle;
        QTest::newRow("db2 to oracle") << Side::Db2;
    }
    void textRoundTrip() {
        QFETCH(Side, from);
        const QStringList texts = randomTexts(3000);
        storeTexts(from, textTable, texts);
        checkTexts(from, textTable, texts);
        QCOMPARE(copy(from, textTable), QStringList());
        checkTexts(otherSide(from), textTable, texts);
    }
};

QTEST_MAIN(ExactValuesTest)
#include "exactvalues_test.moc"
