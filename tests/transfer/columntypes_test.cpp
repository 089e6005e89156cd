// Exact column types below the ODBC layer: the vendors' own types, described
// as their drivers describe them, to the column type each target gets; what
// the stand-ins are given instead; which values a column would not keep; the
// literals typed columns take; what a type the user writes holds, and the
// rules the types dialog saves.
#include "kernel/TypeRules.h"
#include "transfer/FittedTypes.h"
#include "transfer/ValueChecks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sql.h>
#include <sqlext.h>

using db::ColumnDescription;
using db::Side;
using db::Value;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(db::Side)
Q_DECLARE_METATYPE(db::ServerKind)
Q_DECLARE_METATYPE(db::ColumnDescription)
Q_DECLARE_METATYPE(db::Value)

namespace {

// As the reader describes a column: DB2 CLI's own codes as the standard
// types they stand for.
ColumnDescription column(int sqlType, qint64 size = 0, int digits = 0,
                         const QString& typeName = {}) {
    ColumnDescription d;
    d.sqlType = sqlType;
    d.size = size;
    d.decimalDigits = digits;
    d.typeName = typeName;
    d.nullable = ColumnDescription::Nullable::Yes;
    db::StandardizeDescription(db::BehaviorOf(db::DriverKind::Db2Cli), d);
    return d;
}

ColumnDescription notNull(ColumnDescription d) {
    d.nullable = ColumnDescription::Nullable::No;
    return d;
}

ColumnDescription unsignedColumn(ColumnDescription d) {
    d.isUnsigned = true;
    return d;
}

// DB2 CLI's codes beyond ODBC's.
constexpr int db2Graphic = -95, db2Vargraphic = -96, db2Blob = -98, db2Clob = -99,
              db2Decfloat = -360, db2Boolean = 16;

QString typeText(Side target, const ColumnDescription& source, db::ServerKind dialect) {
    QString text = transfer::ColumnTypeText(transfer::ExactColumnType(target, source), dialect);
    // " TYPE," to TYPE
    return text.mid(1, text.size() - 2);
}

} // namespace

class ColumnTypesTest : public QObject {
    Q_OBJECT

private slots:
    // Each row: a column as the source vendor's driver describes it, and the
    // type on the other vendor's server.
    void vendorTypes_data() {
        QTest::addColumn<ColumnDescription>("source");
        QTest::addColumn<Side>("target");
        QTest::addColumn<QString>("type");

        const auto toDb2 = [](const char* name, ColumnDescription d, const QString& type) {
            QTest::newRow(name) << d << Side::Db2 << type;
        };
        const auto toOracle = [](const char* name, ColumnDescription d, const QString& type) {
            QTest::newRow(name) << d << Side::Oracle << type;
        };

        // Oracle's columns toward DB2, whose strings count bytes unless told
        // CODEUNITS32 (a character takes up to four of its 32 672).
        toDb2("VARCHAR2(1)", column(SQL_WVARCHAR, 1, 0, u"VARCHAR2"_s),
              u"VARCHAR(1 CODEUNITS32)"_s);
        toDb2("VARCHAR2(4000) NOT NULL", notNull(column(SQL_WVARCHAR, 4000, 0, u"VARCHAR2"_s)),
              u"VARCHAR(4000 CODEUNITS32) NOT NULL"_s);
        toDb2("CHAR(63)", column(SQL_WCHAR, 63, 0, u"CHAR"_s), u"CHAR(63 CODEUNITS32)"_s);
        toDb2("CHAR(64): past DB2's CHAR", column(SQL_WCHAR, 64, 0, u"CHAR"_s),
              u"VARCHAR(64 CODEUNITS32)"_s);
        toDb2("text of 8168 characters", column(SQL_WVARCHAR, 8168),
              u"VARCHAR(8168 CODEUNITS32)"_s);
        toDb2("text of 8169 characters", column(SQL_WVARCHAR, 8169), u"CLOB(2G)"_s);
        toDb2("CLOB", column(SQL_WLONGVARCHAR, 2147483647, 0, u"CLOB"_s), u"CLOB(2G)"_s);
        toDb2("LONG, however small the driver says", column(SQL_LONGVARCHAR, 10, 0, u"LONG"_s),
              u"CLOB(2G)"_s);
        toDb2("text of unknown length", column(SQL_WVARCHAR, 0), u"CLOB(2G)"_s);
        toDb2("NUMBER(12,2)", column(SQL_DECIMAL, 12, 2, u"NUMBER"_s), u"DECIMAL(12,2)"_s);
        toDb2("NUMBER(31)", column(SQL_DECIMAL, 31, 0, u"NUMBER"_s), u"DECIMAL(31,0)"_s);
        toDb2("NUMBER(31,31)", column(SQL_DECIMAL, 31, 31, u"NUMBER"_s), u"DECIMAL(31,31)"_s);
        toDb2("NUMBER(32): past DB2's DECIMAL", column(SQL_DECIMAL, 32, 0, u"NUMBER"_s),
              u"DECFLOAT(34)"_s);
        toDb2("NUMBER(34,10)", column(SQL_DECIMAL, 34, 10, u"NUMBER"_s), u"DECFLOAT(34)"_s);
        toDb2("NUMBER(38): more digits than DECFLOAT", column(SQL_DECIMAL, 38, 0, u"NUMBER"_s),
              u"VARCHAR(40 CODEUNITS32)"_s);
        toDb2("NUMBER(5,-2) holds 1234500", column(SQL_DECIMAL, 5, -2, u"NUMBER"_s),
              u"DECIMAL(7,0)"_s);
        toDb2("NUMBER(3,5) holds 0.00123", column(SQL_DECIMAL, 3, 5, u"NUMBER"_s),
              u"DECIMAL(5,5)"_s);
        toDb2("NUMBER without precision", column(SQL_DOUBLE, 15, 0, u"NUMBER"_s),
              u"DECFLOAT(34)"_s);
        toDb2("FLOAT(126), decimal on Oracle", column(SQL_FLOAT, 126, 0, u"FLOAT"_s),
              u"DECFLOAT(34)"_s);
        toDb2("BINARY_DOUBLE", column(SQL_DOUBLE, 15, 0, u"BINARY_DOUBLE"_s), u"DOUBLE"_s);
        toDb2("BINARY_FLOAT", column(SQL_REAL, 7, 0, u"BINARY_FLOAT"_s), u"REAL"_s);
        toDb2("DATE keeps its time of day", column(SQL_TYPE_TIMESTAMP, 19, 0, u"DATE"_s),
              u"TIMESTAMP(0)"_s);
        toDb2("TIMESTAMP(9)", column(SQL_TYPE_TIMESTAMP, 29, 9, u"TIMESTAMP"_s), u"TIMESTAMP(9)"_s);
        toDb2("RAW(16)", column(SQL_VARBINARY, 16, 0, u"RAW"_s), u"VARBINARY(16)"_s);
        toDb2("RAW(2000)", column(SQL_VARBINARY, 2000, 0, u"RAW"_s), u"VARBINARY(2000)"_s);
        toDb2("BLOB", column(SQL_LONGVARBINARY, 2147483647, 0, u"BLOB"_s), u"BLOB(2G)"_s);
        toDb2("fixed binary of 255", column(SQL_BINARY, 255), u"BINARY(255)"_s);
        toDb2("fixed binary of 256", column(SQL_BINARY, 256), u"VARBINARY(256)"_s);
        toDb2("binary past DB2's VARBINARY", column(SQL_VARBINARY, 32673), u"BLOB(2G)"_s);
        toDb2("bit", column(SQL_BIT, 1), u"BOOLEAN"_s);
        toDb2("unsigned smallint", unsignedColumn(column(SQL_SMALLINT, 5)), u"INTEGER"_s);
        toDb2("unsigned integer", unsignedColumn(column(SQL_INTEGER, 10)), u"BIGINT"_s);
        toDb2("unsigned bigint", unsignedColumn(column(SQL_BIGINT, 20)), u"DECIMAL(20,0)"_s);
        toDb2("time with a fraction", column(SQL_TYPE_TIME, 12, 3), u"VARCHAR(12 CODEUNITS32)"_s);
        toDb2("time", column(SQL_TYPE_TIME, 8, 0), u"TIME"_s);
        toDb2("GUID", column(SQL_GUID, 36), u"CHAR(36 CODEUNITS32)"_s);

        // DB2's columns toward Oracle; lengths in characters (the session
        // is told so), within Oracle's bytes.
        toOracle("VARCHAR(100)", column(SQL_VARCHAR, 100, 0, u"VARCHAR"_s), u"VARCHAR(100)"_s);
        toOracle("VARCHAR(4000) NOT NULL", notNull(column(SQL_VARCHAR, 4000, 0, u"VARCHAR"_s)),
                 u"VARCHAR(4000) NOT NULL"_s);
        toOracle("VARCHAR(4001): past VARCHAR2", column(SQL_VARCHAR, 4001, 0, u"VARCHAR"_s),
                 u"CLOB"_s);
        toOracle("VARCHAR(32672)", column(SQL_VARCHAR, 32672, 0, u"VARCHAR"_s), u"CLOB"_s);
        toOracle("CHAR(254)", column(SQL_CHAR, 254, 0, u"CHAR"_s), u"CHAR(254)"_s);
        toOracle("GRAPHIC(10)", column(db2Graphic, 10, 0, u"GRAPHIC"_s), u"CHAR(10)"_s);
        toOracle("VARGRAPHIC(100)", column(db2Vargraphic, 100, 0, u"VARGRAPHIC"_s),
                 u"VARCHAR(100)"_s);
        toOracle("CLOB", column(db2Clob, 1048576, 0, u"CLOB"_s), u"CLOB"_s);
        toOracle("DECIMAL(31,0)", column(SQL_DECIMAL, 31, 0, u"DECIMAL"_s), u"DECIMAL(31,0)"_s);
        toOracle("DECIMAL(31,31)", column(SQL_DECIMAL, 31, 31, u"DECIMAL"_s), u"DECIMAL(31,31)"_s);
        toOracle("DECIMAL(5,0)", column(SQL_DECIMAL, 5, 0, u"DECIMAL"_s), u"DECIMAL(5,0)"_s);
        toOracle("DECIMAL(39,2): past NUMBER", column(SQL_DECIMAL, 39, 2), u"VARCHAR(41)"_s);
        toOracle("DECFLOAT(34)", column(db2Decfloat, 34, 0, u"DECFLOAT"_s), u"NUMBER"_s);
        toOracle("SMALLINT", column(SQL_SMALLINT, 5, 0, u"SMALLINT"_s), u"DECIMAL(5,0)"_s);
        toOracle("INTEGER", column(SQL_INTEGER, 10, 0, u"INTEGER"_s), u"DECIMAL(10,0)"_s);
        toOracle("BIGINT: Oracle has none", column(SQL_BIGINT, 19, 0, u"BIGINT"_s),
                 u"DECIMAL(19,0)"_s);
        toOracle("unsigned BIGINT", unsignedColumn(column(SQL_BIGINT, 20)), u"DECIMAL(20,0)"_s);
        toOracle("REAL", column(SQL_REAL, 7, 0, u"REAL"_s), u"BINARY_FLOAT"_s);
        toOracle("DOUBLE", column(SQL_DOUBLE, 15, 0, u"DOUBLE"_s), u"BINARY_DOUBLE"_s);
        toOracle("BOOLEAN", column(db2Boolean, 1, 0, u"BOOLEAN"_s), u"DECIMAL(1,0)"_s);
        toOracle("DATE", column(SQL_TYPE_DATE, 10, 0, u"DATE"_s), u"DATE"_s);
        toOracle("TIME: Oracle has none", column(SQL_TYPE_TIME, 8, 0, u"TIME"_s), u"VARCHAR(8)"_s);
        toOracle("TIMESTAMP(0)", column(SQL_TYPE_TIMESTAMP, 19, 0, u"TIMESTAMP"_s),
                 u"TIMESTAMP(0)"_s);
        toOracle("TIMESTAMP(6)", column(SQL_TYPE_TIMESTAMP, 26, 6, u"TIMESTAMP"_s),
                 u"TIMESTAMP(6)"_s);
        toOracle("TIMESTAMP(12): past Oracle's 9 digits",
                 column(SQL_TYPE_TIMESTAMP, 32, 12, u"TIMESTAMP"_s), u"VARCHAR(32)"_s);
        toOracle("BINARY(16)", column(SQL_BINARY, 16, 0, u"BINARY"_s), u"RAW(16)"_s);
        toOracle("VARBINARY(2000)", column(SQL_VARBINARY, 2000, 0, u"VARBINARY"_s), u"RAW(2000)"_s);
        toOracle("VARBINARY(2001): past RAW", column(SQL_VARBINARY, 2001), u"BLOB"_s);
        toOracle("BLOB", column(db2Blob, 1048576, 0, u"BLOB"_s), u"BLOB"_s);
        toOracle("a type no table knows", column(-9999, 10), u"CLOB"_s);
    }
    void vendorTypes() {
        QFETCH(ColumnDescription, source);
        QFETCH(Side, target);
        QFETCH(QString, type);
        const db::ServerKind own =
            target == Side::Oracle ? db::ServerKind::Oracle : db::ServerKind::Db2;
        QCOMPARE(transfer::DialectOf(target, target == Side::Oracle ? db::ServerKind::Oracle
                                                                    : db::ServerKind::Db2),
                 own);
        QCOMPARE(typeText(target, source, own), type);
    }

    // Where a stand-in lacks the vendor's spelling, it gets one it has that
    // loses nothing, or (PostgreSQL) a domain of the vendor's name.
    void standInSpellings_data() {
        QTest::addColumn<ColumnDescription>("source");
        QTest::addColumn<Side>("target");
        QTest::addColumn<QString>("dbms");
        QTest::addColumn<QString>("type");

        QTest::newRow("CODEUNITS32 is DB2's")
            << column(SQL_WVARCHAR, 1000) << Side::Db2 << u"MariaDB"_s << u"VARCHAR(1000)"_s;
        QTest::newRow("a row holds 64 KiB on MariaDB")
            << column(SQL_WVARCHAR, 1001) << Side::Db2 << u"MariaDB"_s << u"TEXT(1001)"_s;
        QTest::newRow("CLOB on MariaDB")
            << column(SQL_WLONGVARCHAR) << Side::Db2 << u"MariaDB"_s << u"LONGTEXT"_s;
        QTest::newRow("BLOB on MariaDB")
            << column(SQL_LONGVARBINARY) << Side::Db2 << u"MariaDB"_s << u"LONGBLOB"_s;
        QTest::newRow("VARBINARY(4001) on MariaDB")
            << column(SQL_VARBINARY, 4001) << Side::Db2 << u"MariaDB"_s << u"BLOB(4001)"_s;
        QTest::newRow("DECFLOAT on MariaDB") << column(SQL_DOUBLE, 15, 0, u"NUMBER"_s) << Side::Db2
                                             << u"MariaDB"_s << u"DECIMAL(65,30)"_s;
        QTest::newRow("REAL is a double on MariaDB")
            << column(SQL_REAL, 7) << Side::Db2 << u"MariaDB"_s << u"FLOAT"_s;
        QTest::newRow("TIMESTAMP(9) on MariaDB")
            << column(SQL_TYPE_TIMESTAMP, 29, 9) << Side::Db2 << u"MariaDB"_s << u"DATETIME(6)"_s;
        QTest::newRow("CHAR(n) on MariaDB")
            << column(SQL_WCHAR, 5) << Side::Db2 << u"MariaDB"_s << u"CHAR(5)"_s;
        QTest::newRow("CLOB domain")
            << column(SQL_WLONGVARCHAR) << Side::Oracle << u"PostgreSQL"_s << u"CLOB"_s;
        QTest::newRow("RAW has no domain")
            << column(SQL_VARBINARY, 16) << Side::Oracle << u"PostgreSQL"_s << u"BYTEA"_s;
        QTest::newRow("TIMESTAMP(9) on PostgreSQL")
            << column(SQL_TYPE_TIMESTAMP, 29, 9) << Side::Oracle << u"PostgreSQL"_s
            << u"TIMESTAMP(6)"_s;
        QTest::newRow("BINARY_DOUBLE domain")
            << column(SQL_DOUBLE, 15) << Side::Oracle << u"PostgreSQL"_s << u"BINARY_DOUBLE"_s;
    }
    void standInSpellings() {
        QFETCH(ColumnDescription, source);
        QFETCH(Side, target);
        QFETCH(QString, dbms);
        QFETCH(QString, type);
        const db::ServerKind server = db::ClassifyServer(dbms, {}, {}).serverKind;
        QCOMPARE(typeText(target, source, transfer::DialectOf(target, server)), type);
    }

    // The values a column would change, and the boundary values it keeps.
    void misfits_data() {
        QTest::addColumn<ColumnDescription>("source");
        QTest::addColumn<Side>("target");
        QTest::addColumn<Value>("value");
        QTest::addColumn<QString>("why"); // empty: it fits

        const auto decimal = [](const QString& digits) {
            return Value(Value::Kind::Decimal, digits);
        };
        const ColumnDescription d12s2 = column(SQL_DECIMAL, 12, 2);
        QTest::newRow("most digits")
            << d12s2 << Side::Db2 << decimal(u"-9999999999.99"_s) << QString();
        QTest::newRow("trailing zeros are no digits")
            << d12s2 << Side::Db2 << decimal(u"1.2000"_s) << QString();
        QTest::newRow("leading zeros are no digits")
            << d12s2 << Side::Db2 << decimal(u"-0000000000012.5"_s) << QString();
        QTest::newRow("a digit too many after the point")
            << d12s2 << Side::Db2 << decimal(u"1.125"_s) << u"it has 3 digits after the point"_s;
        QTest::newRow("a digit too many before it")
            << d12s2 << Side::Db2 << decimal(u"10000000000"_s)
            << u"it has 11 digits before the point"_s;
        QTest::newRow("an exponent counts") << d12s2 << Side::Db2 << decimal(u"1.5E+10"_s)
                                            << u"it has 11 digits before the point"_s;
        QTest::newRow("zero") << column(SQL_DECIMAL, 31, 31) << Side::Db2 << decimal(u"0"_s)
                              << QString();
        QTest::newRow("DECFLOAT's 34 digits")
            << column(SQL_DOUBLE, 15, 0, u"NUMBER"_s) << Side::Db2
            << decimal(u"1234567890123456789012345678901234000000"_s) << QString();
        QTest::newRow("35 significant digits")
            << column(SQL_DOUBLE, 15, 0, u"NUMBER"_s) << Side::Db2
            << decimal(u"0.00012345678901234567890123456789012345"_s)
            << u"it has 35 significant digits"_s;
        QTest::newRow("NUMBER's 38 digits")
            << column(db2Decfloat) << Side::Oracle
            << decimal(u"12345678901234567890123456789012345678"_s) << QString();
        // NUMBER keeps 1E-130 to below 1E126; Oracle would round a smaller
        // DECFLOAT to 0.
        QTest::newRow("NUMBER's smallest")
            << column(db2Decfloat) << Side::Oracle << decimal(u"1E-130"_s) << QString();
        QTest::newRow("below NUMBER's smallest")
            << column(db2Decfloat) << Side::Oracle << decimal(u"9.99E-131"_s)
            << u"its magnitude is outside 1E-130 to 1E126"_s;
        QTest::newRow("NUMBER's largest")
            << column(db2Decfloat) << Side::Oracle << decimal(u"-9.99E+125"_s) << QString();
        QTest::newRow("past NUMBER's largest")
            << column(db2Decfloat) << Side::Oracle << decimal(u"1E+126"_s)
            << u"its magnitude is outside 1E-130 to 1E126"_s;
        QTest::newRow("DECFLOAT's own exponents")
            << column(db2Decfloat) << Side::Oracle << decimal(u"1.5E-6000"_s)
            << u"its magnitude is outside 1E-130 to 1E126"_s;
        QTest::newRow("characters, not UTF-16 units")
            << column(SQL_WVARCHAR, 2) << Side::Db2 << Value(Value::Kind::Text, u"𠀋𠀋"_s)
            << QString();
        QTest::newRow("a character too many")
            << column(SQL_WVARCHAR, 2) << Side::Db2 << Value(Value::Kind::Text, u"abc"_s)
            << u"it is 3 characters long"_s;
        QTest::newRow("Oracle's 4000 bytes")
            << column(SQL_WVARCHAR, 4000) << Side::Oracle
            << Value(Value::Kind::Text, QString(2000, u'ü')) << QString();
        QTest::newRow("past Oracle's 4000 bytes")
            << column(SQL_WVARCHAR, 4000) << Side::Oracle
            << Value(Value::Kind::Text, QString(2001, u'ü'))
            << u"it takes 4002 bytes, more than the 4000 the server stores"_s;
        QString astral;
        for (int i = 0; i < 1001; ++i)
            astral += u"𠀋"_s;
        QTest::newRow("four bytes a character")
            << column(SQL_WVARCHAR, 4000) << Side::Oracle << Value(Value::Kind::Text, astral)
            << u"it takes 4004 bytes, more than the 4000 the server stores"_s;
        QTest::newRow("a number kept as text") << column(SQL_DECIMAL, 38, 0) << Side::Db2
                                               << decimal(u"-"_s + QString(38, u'9')) << QString();
        QTest::newRow("microseconds in TIMESTAMP(6)")
            << column(SQL_TYPE_TIMESTAMP, 26, 6) << Side::Db2
            << Value(Value::Kind::Timestamp, u"2024-02-29 13:45:07.123450000"_s) << QString();
        QTest::newRow("nanoseconds in TIMESTAMP(6)")
            << column(SQL_TYPE_TIMESTAMP, 26, 6) << Side::Db2
            << Value(Value::Kind::Timestamp, u"2024-02-29 13:45:07.123456789"_s)
            << u"it has 9 fractional-second digits"_s;
        QTest::newRow("a date's hyphens are no fraction")
            << column(SQL_TYPE_TIMESTAMP, 19, 0, u"DATE"_s) << Side::Db2
            << Value(Value::Kind::Timestamp, u"2024-02-29 13:45:07"_s) << QString();
        QTest::newRow("bytes") << column(SQL_VARBINARY, 2) << Side::Oracle
                               << Value(Value::Kind::Binary, u"00ff10"_s)
                               << u"it is 3 bytes long"_s;
        QTest::newRow("Null fits anything")
            << column(SQL_DECIMAL, 1, 0) << Side::Db2 << Value() << QString();
    }
    void misfits() {
        QFETCH(ColumnDescription, source);
        QFETCH(Side, target);
        QFETCH(Value, value);
        QFETCH(QString, why);
        QCOMPARE(
            transfer::Misfit(value, transfer::ExactColumnType(target, source)).value_or(QString()),
            why);
    }

    // Typed columns take bytes as HEXTORAW and DB2's Booleans bare; every
    // other value is written as the default copy writes it.
    void typedLiterals_data() {
        QTest::addColumn<Side>("target");
        QTest::addColumn<Value>("value");
        QTest::addColumn<QString>("statement");

        QTest::newRow("bytes to DB2") << Side::Db2 << Value(Value::Kind::Binary, u"00ff"_s)
                                      << uR"(INSERT INTO "T" VALUES(HEXTORAW('00ff'), '1'))"_s;
        QTest::newRow("bytes to Oracle") << Side::Oracle << Value(Value::Kind::Binary, u"0a"_s)
                                         << uR"(INSERT INTO "T" VALUES(HEXTORAW('0a'), '1'))"_s;
        QTest::newRow("true to DB2")
            << Side::Db2 << Value::boolean(true) << uR"(INSERT INTO "T" VALUES(TRUE, '1'))"_s;
        QTest::newRow("false to DB2")
            << Side::Db2 << Value::boolean(false) << uR"(INSERT INTO "T" VALUES(FALSE, '1'))"_s;
        QTest::newRow("true to Oracle")
            << Side::Oracle << Value::boolean(true) << uR"(INSERT INTO "T" VALUES(1, '1'))"_s;
        QTest::newRow("text reading True") << Side::Db2 << Value(Value::Kind::Text, u"True"_s)
                                           << uR"(INSERT INTO "T" VALUES('True', '1'))"_s;
        QTest::newRow("Null bytes")
            << Side::Db2 << Value() << uR"(INSERT INTO "T" VALUES(NULL, '1'))"_s;
    }
    void typedLiterals() {
        QFETCH(Side, target);
        QFETCH(Value, value);
        QFETCH(QString, statement);
        const db::ServerKind server =
            target == Side::Oracle ? db::ServerKind::Oracle : db::ServerKind::Db2;
        QCOMPARE(kernel::InsertStatement(target, u"T", {value, Value(Value::Kind::Integer, u"1"_s)},
                                         &db::BehaviorOf(server).literals),
                 statement);
    }

    // Measured values against a type as a user writes it.
    void userTypesHold_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("number");
        QTest::addColumn<int>("size"); // whole digits, or characters
        QTest::addColumn<int>("fraction");
        QTest::addColumn<QString>("misfit"); // empty: every value fits
        QTest::newRow("decimal holds") << u"decimal( 12 , 2 )"_s << true << 10 << 2 << QString();
        QTest::newRow("decimal, too many before the point")
            << u"NUMBER(12,2)"_s << true << 11 << 0
            << u"some values would be refused: the largest has 11 digits before the point"_s;
        QTest::newRow("decimal, too many after it")
            << u"DECIMAL(12,2)"_s << true << 1 << 3
            << u"some values would be refused: one has 3 digits after the point"_s;
        QTest::newRow("integer, a fraction")
            << u"INTEGER"_s << true << 1 << 1
            << u"some values would be refused: one has 1 digit after the point"_s;
        QTest::newRow("bigint holds 18 digits") << u"BIGINT"_s << true << 18 << 0 << QString();
        QTest::newRow("varchar2 in characters")
            << u"VARCHAR2(10 CHAR)"_s << false << 11 << 0
            << u"some values would be refused: the longest has 11 characters"_s;
        QTest::newRow("DB2 code units")
            << u"VARCHAR(40 CODEUNITS32)"_s << false << 40 << 0 << QString();
        QTest::newRow("a type it cannot read") << u"XML"_s << false << 9999 << 0 << QString();
    }
    void userTypesHold() {
        QFETCH(QString, type);
        QFETCH(bool, number);
        QFETCH(int, size);
        QFETCH(int, fraction);
        QFETCH(QString, misfit);
        transfer::ColumnMeasure measure;
        measure.number = number;
        measure.anyValue = true;
        if (number) {
            measure.wholeDigits = size;
            measure.fractionDigits = fraction;
        } else {
            measure.characters = size;
        }
        const std::optional<transfer::ColumnType> held = transfer::TypeOfText(type);
        QCOMPARE(held.has_value(), type != u"XML");
        QCOMPARE(held ? transfer::MeasureMisfit(measure, *held).value_or(QString()) : QString(),
                 misfit);
    }

    // The dialog's rules replace the table's own in their direction only;
    // every other line stays as the user wrote it.
    void savedColumnRules_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("chosen"); // column=type
        QTest::addColumn<QString>("after");
        QTest::newRow("a new file") << QString() << QStringList{u"A=INTEGER"_s, u"B=CLOB"_s}
                                    << u"[to db2]\nT.A = INTEGER\nT.B = CLOB\n"_s;
        QTest::newRow("replacing, others kept")
            << u"# mine\n[to oracle]\nT.A = CLOB\n[to db2]\nT.A = BIGINT\nNUMBER = DECFLOAT\n"
               "U.A = BIGINT\n\n; end\n"_s
            << QStringList{u"B=VARCHAR(9)"_s}
            << u"# mine\n[to oracle]\nT.A = CLOB\n[to db2]\nNUMBER = DECFLOAT\nU.A = BIGINT\n"
               "T.B = VARCHAR(9)\n\n; end\n"_s;
        QTest::newRow("nothing chosen: the table's rules go")
            << u"[to db2]\nT.A = BIGINT\n"_s << QStringList() << u"[to db2]\n"_s;
        QTest::newRow("a section of its own")
            << u"[to oracle]\nT.A = CLOB\n"_s << QStringList{u"A=INTEGER"_s}
            << u"[to oracle]\nT.A = CLOB\n\n[to db2]\nT.A = INTEGER\n"_s;
    }
    void savedColumnRules() {
        QFETCH(QString, before);
        QFETCH(QStringList, chosen);
        QFETCH(QString, after);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"types.ini"_s);
        if (!before.isEmpty()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(before.toUtf8());
        }
        std::vector<kernel::TypeRules::ColumnChoice> choices;
        for (const QString& c : chosen)
            choices.push_back({c.section(u'=', 0, 0), c.section(u'=', 1)});
        QCOMPARE(kernel::TypeRules::SaveColumnRules(file, Side::Db2, u"T"_s, choices),
                 std::nullopt);
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(in.readAll()), after);
    }
};

QTEST_MAIN(ColumnTypesTest)
#include "columntypes_test.moc"
