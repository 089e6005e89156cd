// Seeded round trips through the real drivers, in every mode the program
// has, checked against what the servers themselves say (CHAR_LENGTH and MD5
// of the stored UTF-8), never by reading back through the same driver: a
// driver that cuts or pads a text on the way in often does the same on the
// way out, and the two faults hide each other.
//
// The seed is printed; DUSKFERRY_ROUNDTRIP_SEED repeats a run.
#include "support/OwnerSql.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using standin::Side;

namespace {

const QString table = u"Round_Trip"_s;

// Lengths in characters (code points) at the edges of the buffers that
// drivers and the reader use: 2 048 and 4 096 UTF-16 units, 8 192 bytes.
constexpr int lengths[] = {0,    1,    2,    17,   2047, 2048,  2049,  4095,
                           4096, 4097, 8191, 8192, 8193, 12000, 100000};

// Each a script a DBA's data holds; every entry is one character, though
// some take two UTF-16 units or build a grapheme with the next one.
const QStringList pieces[] = {
    {u"ペ"_s, u"ー"_s, u"ス"_s, u"ア"_s, u"ぁ"_s}, // kana with its long vowel mark
    {u"日"_s, u"本"_s, u"語"_s, u"　"_s, u"、"_s}, // CJK, ideographic space
    {u"한"_s, u"국"_s, u"어"_s},                   // Hangul
    {u"😀"_s, u"👍"_s, u"🏽"_s, u"𠀋"_s, u"𝄞"_s},  // outside the BMP
    {u"e"_s, u"\u0301"_s, u"a"_s, u"\u0308"_s},    // combining marks
    {u"'"_s, u"\""_s, u"\\"_s, u"\n"_s, u"%"_s},   // what literals escape
    {u"é"_s, u"ß"_s, u"Ж"_s, u"ع"_s, u"א"_s},      // Latin, Cyrillic, Arabic, Hebrew
    {u"a"_s, u"Z"_s, u"0"_s, u" "_s},
};

QString seededText(QRandomGenerator& random, int characters, int variant) {
    QString text;
    for (int c = 0; c < characters; ++c) {
        // Variant 0 mixes every script; the others keep to one, so that a
        // value of kana alone or of astral characters alone is in each batch.
        const int pool =
            variant == 0 ? int(random.bounded(int(std::size(pieces)))) : (variant == 1 ? 0 : 3);
        const QStringList& from = pieces[pool];
        text += from[int(random.bounded(int(from.size())))];
    }
    return text;
}

struct Seeded {
    QList<QString> texts; // by key
};

quint32 seed() {
    bool ok = false;
    const quint32 given = qEnvironmentVariable("DUSKFERRY_ROUNDTRIP_SEED").toUInt(&ok);
    return ok ? given : 20261208u;
}

Seeded makeTexts() {
    QRandomGenerator random(seed());
    Seeded seeded;
    for (int variant = 0; variant < 3; ++variant)
        for (int length : lengths)
            seeded.texts << seededText(random, length, variant);
    return seeded;
}

QString literal(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', u"''"_s) + u'\'';
}

// The rows go in through the server's own command-line client, so the
// driver under test is not involved in what the source holds; the table is
// the owner's.
void seed(Side side, const Seeded& seeded) {
    standin::dropIfExists(side, table);
    standin::execute(side, side == Side::Oracle
                               ? u"CREATE TABLE \"%1\" (k integer, t text)"_s.arg(table)
                               : u"CREATE TABLE \"%1\" (k INT, t LONGTEXT)"_s.arg(table));
    QString script;
    for (qsizetype k = 0; k < seeded.texts.size(); ++k)
        script += u"INSERT INTO \"%1\" VALUES(%2, %3);\n"_s.arg(table).arg(k).arg(
            seeded.texts[k].isEmpty() ? u"''"_s : literal(seeded.texts[k]));
    QString output;
    QVERIFY2(standin::adminSql(side, script, &output), qPrintable(output.left(2000)));
}

// "length md5" of each key's text as the server counts and hashes it.
QMap<int, QString> serverView(Side side) {
    const QString sql =
        side == Side::Oracle
            ? u"SELECT k, coalesce(char_length(t), -1), coalesce(md5(t), '') FROM \"%1\""_s
            : u"SELECT k, COALESCE(CHAR_LENGTH(t), -1), COALESCE(MD5(t), '') FROM \"%1\""_s;
    QString output;
    if (!standin::adminSql(side, sql.arg(table), &output))
        qWarning("%s", qPrintable(output));
    QMap<int, QString> view;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3)
            view.insert(fields[0].toInt(), fields[1] + u' ' + fields[2]);
    }
    return view;
}

// What the server should say of the text; empty text travels as NULL.
QString expectedView(const QString& text, bool emptyIsNull) {
    if (text.isEmpty() && emptyIsNull)
        return u"-1 "_s;
    const QByteArray md5 = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
    return u"%1 %2"_s.arg(text.toUcs4().size()).arg(QString::fromLatin1(md5.toHex()));
}

// The comparison agrees with the servers' own view: every row that arrived is
// equal to its source, and each one reported missing is only in the source.
void compareAgrees(Side from, int missing) {
    QStringList reports;
    const compare::TableComparison result = CompareWithCopy(from, table, &reports);
    QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));
    QCOMPARE(u"%1 only in the source, %2 only in the target, %3 differ"_s.arg(result.onlySource)
                 .arg(result.onlyTarget)
                 .arg(result.differing),
             u"%1 only in the source, 0 only in the target, 0 differ"_s.arg(missing));
}

// Boundary values of each type both stand-ins hold, one column per type.
// The same rows on either side; bytes as hex.
const QString typedColumns[] = {u"n"_s, u"i"_s, u"d"_s, u"ts"_s, u"f"_s, u"b"_s, u"x"_s};
const QStringList typedRows[] = {
    {u"999999999999999999999.9999999999"_s, u"9223372036854775807"_s, u"1000-01-01"_s,
     u"1000-01-01 00:00:00"_s, u"1.7976931348623157e308"_s, u"1"_s, u"00"_s},
    {u"-0.0000000001"_s, u"-9223372036854775808"_s, u"9999-12-31"_s,
     u"9999-12-31 23:59:59.999999"_s, u"2.2250738585072014e-308"_s, u"0"_s, u"ff00ff"_s},
    {u"-999999999999999999999.9999999999"_s, u"0"_s, u"2024-02-29"_s,
     u"1970-01-01 00:00:00.000001"_s, u"0.1"_s, u"1"_s, u"000102030405060708090a0b0c0d0eff"_s},
    {u"0"_s, u"-1"_s, u"<null>"_s, u"2024-02-29 12:00:00.5"_s, u"-4.9406564584124654e-324"_s,
     u"<null>"_s, u"<null>"_s},
};

void seedTyped(Side side) {
    standin::dropIfExists(side, table);
    standin::execute(side, side == Side::Oracle
                               ? u"CREATE TABLE \"%1\" (k integer, n numeric(31,10), i bigint, "
                                 "d date, ts timestamp(6), f double precision, b boolean, "
                                 "x bytea)"_s.arg(table)
                               : u"CREATE TABLE \"%1\" (k INT, n DECIMAL(31,10), i BIGINT, "
                                 "d DATE, ts DATETIME(6), f DOUBLE, b BOOLEAN, "
                                 "x VARBINARY(16))"_s.arg(table));
    QString script;
    for (int k = 0; k < int(std::size(typedRows)); ++k) {
        QStringList values{QString::number(k)};
        for (qsizetype c = 0; c < typedRows[k].size(); ++c) {
            const QString& v = typedRows[k][c];
            if (v == u"<null>")
                values << u"NULL"_s;
            else if (typedColumns[c] == u"x")
                values << (side == Side::Oracle ? u"'\\x%1'::bytea"_s : u"X'%1'"_s).arg(v);
            else if (typedColumns[c] == u"b")
                values << (v == u"1" ? u"TRUE"_s : u"FALSE"_s);
            else
                values << u'\'' + v + u'\'';
        }
        script += u"INSERT INTO \"%1\" VALUES(%2);\n"_s.arg(table, values.join(u", "_s));
    }
    QString output;
    QVERIFY2(standin::adminSql(side, script, &output), qPrintable(output));
}

// Each value as the server writes it, bytes in hex, normalized where two
// servers write the same value differently (trailing zeros, an exponent's
// plus, a Boolean's word).
QMap<int, QStringList> typedServerView(Side side) {
    QStringList selects{u"k"_s};
    QMap<QString, QString> types;
    for (const standin::CatalogueColumn& column : standin::catalogueColumns(side, table))
        types.insert(column.name.toLower(), column.typeName);
    for (const QString& column : typedColumns) {
        const QString type = types.value(column);
        // (BINARY_DOUBLE is the Oracle stand-in's double.)
        const bool bytes = type.contains(u"BYTEA"_s) || type.contains(u"BLOB"_s) ||
                           (type.contains(u"BINARY"_s) && !type.contains(u"BINARY_"_s));
        const QString quoted = u'"' + column + u'"';
        if (side == Side::Oracle)
            selects << (bytes ? u"coalesce(encode(%1, 'hex'), '<null>')"_s
                              : u"coalesce(%1::text, '<null>')"_s)
                           .arg(quoted);
        else
            selects << (bytes ? u"COALESCE(LOWER(HEX(%1)), '<null>')"_s
                              : u"COALESCE(CAST(%1 AS CHAR), '<null>')"_s)
                           .arg(quoted);
    }
    QString output;
    if (!standin::adminSql(side, u"SELECT %1 FROM \"%2\""_s.arg(selects.join(u", "_s), table),
                           &output))
        qWarning("%s", qPrintable(output));
    QMap<int, QStringList> view;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields = line.split(u'\t');
        const int k = fields.takeFirst().toInt();
        for (qsizetype c = 0; c < fields.size(); ++c) {
            QString& v = fields[c];
            const QString& column = typedColumns[c];
            if (v == u"<null>")
                continue;
            if (column == u"n" || column == u"i" || column == u"ts") {
                if (v.contains(u'.')) {
                    while (v.endsWith(u'0'))
                        v.chop(1);
                    if (v.endsWith(u'.'))
                        v.chop(1);
                }
                if (v == u"-0")
                    v = u"0"_s;
            } else if (column == u"f") {
                bool ok = false;
                const double number = v.toDouble(&ok);
                v = ok ? QString::number(number, 'g', 17) : u"not a number: "_s + v;
            } else if (column == u"b") {
                v = (v == u"t" || v == u"true" || v == u"True" || v == u"1") ? u"1"_s
                    : (v == u"f" || v == u"false" || v == u"False" || v == u"0")
                        ? u"0"_s
                        : u"not a Boolean: "_s + v;
            }
        }
        view.insert(k, fields);
    }
    return view;
}

QString describe(const QString& text) {
    return u"%1 characters, starting %2"_s.arg(text.toUcs4().size()).arg(text.left(12));
}

} // namespace

Q_DECLARE_METATYPE(standin::Side)
Q_DECLARE_METATYPE(kernel::CopyOptions)

class RoundTripTest : public QObject {
    Q_OBJECT

    Seeded seeded_ = makeTexts();

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
        qInfo("seed %u (set DUSKFERRY_ROUNDTRIP_SEED to repeat another)", seed());
    }

    void cleanup() { standin::dropOnBothSides(table); }

    // The seeding itself is right, and the session layer reads every text
    // exactly as the server holds it.
    void readThroughTheSessionLayer_data() {
        QTest::addColumn<Side>("side");
        QTest::newRow("Oracle stand-in") << Side::Oracle;
        QTest::newRow("DB2 stand-in") << Side::Db2;
    }
    void readThroughTheSessionLayer() {
        QFETCH(Side, side);
        seed(side, seeded_);
        const QMap<int, QString> held = serverView(side);
        QCOMPARE(held.size(), seeded_.texts.size());
        for (qsizetype k = 0; k < seeded_.texts.size(); ++k)
            QCOMPARE(held.value(int(k)), expectedView(seeded_.texts[k], false));

        db::Connection connection = standin::openAsOwner(side);
        db::RowSet rows;
        rows.Open(u"SELECT k, t FROM \"%1\" ORDER BY k"_s.arg(table), connection);
        int read = 0;
        for (; !rows.Eof(); rows.MoveNext(), ++read) {
            const int k = rows.Fields().item(0).Value().text().toInt();
            const QString text = rows.Fields().item(1).Value().text();
            QVERIFY2(text == seeded_.texts[k],
                     qPrintable(u"key %1: read %2, expected %3"_s.arg(k).arg(
                         describe(text), describe(seeded_.texts[k]))));
        }
        QCOMPARE(read, seeded_.texts.size());
    }

    // Each copied text arrives exactly, or its row is reported refused (a
    // target column too narrow for it); never a different text.
    void copyInEveryMode_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<kernel::CopyOptions>("options");
        for (Side from : {Side::Oracle, Side::Db2}) {
            const char* direction = from == Side::Oracle ? "to DB2" : "to Oracle";
            for (bool exact : {false, true}) {
                const char* types = exact ? "exact types" : "default types";
                QTest::addRow("%s, %s, row by row", direction, types)
                    << from << kernel::CopyOptions{false, 1000, exact};
                for (int batch : {1, 7, 1000})
                    QTest::addRow("%s, %s, bulk %d", direction, types, batch)
                        << from << kernel::CopyOptions{true, batch, exact};
            }
        }
    }
    void copyInEveryMode() {
        QFETCH(Side, from);
        QFETCH(kernel::CopyOptions, options);
        const Side to = standin::otherSide(from);
        seed(from, seeded_);
        const QStringList reports = CopyAfresh(from, table, options);
        const QMap<int, QString> held = serverView(to);
        QStringList wrong;
        int missing = 0;
        for (qsizetype k = 0; k < seeded_.texts.size(); ++k) {
            if (!held.contains(int(k))) {
                ++missing;
                continue;
            }
            const QString expected = expectedView(seeded_.texts[k], true);
            if (held.value(int(k)) != expected)
                wrong << u"key %1 (%2): the server holds %3, expected %4"_s.arg(k).arg(
                    describe(seeded_.texts[k]), held.value(int(k)), expected);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        // Every row that did not arrive was reported, and nothing else was.
        QVERIFY2(reports.size() == missing,
                 qPrintable(u"%1 rows missing, %2 reports:\n%3"_s.arg(missing)
                                .arg(reports.size())
                                .arg(reports.join(u"\n---\n"_s).left(3000))));
        compareAgrees(from, missing);
    }

    // Each type's boundary values arrive as the source server holds them, in
    // every mode; the servers' own texts are compared.
    void typedValuesInEveryMode_data() { copyInEveryMode_data(); }
    void typedValuesInEveryMode() {
        QFETCH(Side, from);
        QFETCH(kernel::CopyOptions, options);
        seedTyped(from);
        const QMap<int, QStringList> source = typedServerView(from);
        QCOMPARE(source.size(), int(std::size(typedRows)));
        QCOMPARE(CopyAfresh(from, table, options), QStringList());
        const QMap<int, QStringList> target = typedServerView(standin::otherSide(from));
        for (auto row = source.begin(); row != source.end(); ++row)
            QCOMPARE(target.value(row.key()).join(u" | "_s), row.value().join(u" | "_s));
        compareAgrees(from, 0);
    }

    // An instant keeps its offset: the DB2 side has no zoned type, so it
    // arrives as text that still names the same instant.
    void zonedTimestampKeepsItsInstant_data() {
        QTest::addColumn<kernel::CopyOptions>("options");
        QTest::newRow("row by row") << kernel::CopyOptions{false, 1000, false};
        QTest::newRow("bulk") << kernel::CopyOptions{true, 7, false};
        QTest::newRow("exact types") << kernel::CopyOptions{false, 1000, true};
        QTest::newRow("exact types, bulk") << kernel::CopyOptions{true, 7, true};
    }
    void zonedTimestampKeepsItsInstant() {
        QFETCH(kernel::CopyOptions, options);
        standin::dropIfExists(Side::Oracle, table);
        standin::execute(Side::Oracle,
                         u"CREATE TABLE \"%1\" (k integer, z timestamptz)"_s.arg(table));
        standin::execute(Side::Oracle, u"INSERT INTO \"%1\" VALUES (1, '2024-06-01 12:00:00+02'), "
                                       "(2, '1999-12-31 23:59:59.5-09:30')"_s.arg(table));
        QCOMPARE(CopyAfresh(Side::Oracle, table, options), QStringList());
        compareAgrees(Side::Oracle, 0);
        QString output;
        QVERIFY(
            standin::adminSql(Side::Db2, u"SELECT z FROM \"%1\" ORDER BY k"_s.arg(table), &output));
        const QStringList texts = output.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(texts.size(), 2);
        const QDateTime expected[] = {
            QDateTime::fromString(u"2024-06-01T10:00:00Z"_s, Qt::ISODate),
            QDateTime::fromString(u"2000-01-01T09:29:59.500Z"_s, Qt::ISODateWithMs)};
        for (int i = 0; i < 2; ++i) {
            // 2024-06-01 10:00:00 +00:00, the offset's minutes perhaps left out.
            QString iso = texts[i].trimmed();
            iso.replace(10, 1, u'T');
            iso.remove(u' ');
            const qsizetype sign = std::max(iso.lastIndexOf(u'+'), iso.lastIndexOf(u'-'));
            QVERIFY2(sign > 10, qPrintable(texts[i]));
            if (iso.size() - sign == 3)
                iso += u":00"_s;
            const QDateTime arrived = QDateTime::fromString(iso, Qt::ISODateWithMs);
            QVERIFY2(arrived.isValid(), qPrintable(texts[i]));
            QCOMPARE(arrived.toMSecsSinceEpoch(), expected[i].toMSecsSinceEpoch());
        }
    }
};

QTEST_MAIN(RoundTripTest)
#include "roundtrip_test.moc"
