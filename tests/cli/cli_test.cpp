// duskferry-cli against the stand-ins, run as a process with no display: the
// commands, their exit statuses and messages, and copies that must hold what
// the window's copy of the same table holds.
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "support/TableManagerControls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using standin::Side;

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

// Every value of every row as text, rows in key order, and the column types.
QStringList contents(Side side, const QString& table) {
    db::Connection connection = standin::openAsOwner(side);
    db::RowSet rows;
    rows.Open(u"SELECT * FROM \"%1\" ORDER BY 1"_s.arg(table), connection);
    QStringList result;
    QStringList types;
    for (int f = 0; f < rows.Fields().count(); ++f)
        types << QString::number(rows.Fields().item(f).Type());
    result << types.join(u',');
    for (; !rows.Eof(); rows.MoveNext()) {
        QStringList row;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            const db::Value v = rows.Fields().item(f).Value();
            row << (v.isNull() ? u"<NULL>"_s : v.text());
        }
        result << row.join(u'|');
    }
    return result;
}

qint64 countRows(Side side, const QString& table) {
    return contents(side, table).size() - 1;
}

bool exists(Side side, const QString& table) {
    try {
        db::Connection connection = standin::openAsOwner(side);
        db::RowSet rows;
        rows.Open(u"SELECT COUNT(*) FROM \"%1\""_s.arg(table), connection);
        return true;
    } catch (const db::Error&) {
        return false;
    }
}

// k from 1 on, keyed, on the Oracle side.
void createKeyed(const QString& table, int rows) {
    standin::dropOnBothSides(table);
    standin::execute(Side::Oracle, u"CREATE TABLE \"%1\" AS SELECT g AS k, 'row ' || g AS note "
                                   "FROM generate_series(1, %2) g"_s.arg(table)
                                       .arg(rows));
    standin::execute(Side::Oracle, u"ALTER TABLE \"%1\" ADD PRIMARY KEY (k)"_s.arg(table));
}

// Drops the tables on both sides when the test ends, passed or not.
auto droppedAtEnd(const QStringList& tables) {
    return qScopeGuard([tables] {
        for (const QString& table : tables)
            standin::dropOnBothSides(table);
    });
}

// Both sides accept this table as written; awkward values included.
void createMix(Side side, const QString& table) {
    standin::dropIfExists(side, table);
    standin::execute(side, u"CREATE TABLE \"%1\" (k integer, name varchar(50), amount "
                           "numeric(10,2), at_ timestamp, note varchar(200))"_s.arg(table));
    standin::execute(side, u"INSERT INTO \"%1\" VALUES (1, 'O''Brien', 12.50, '2024-01-02 "
                           "03:04:05', 'Zürich ✓ 東京'), (2, NULL, NULL, NULL, NULL), (3, '', "
                           "-0.01, '1999-12-31 23:59:59', 'say \"hi\"; --')"_s.arg(table));
}

// A console for runs in process: what went to each stream.
struct RecordingConsole final : cli::Console {
    QString written, reported;
    void out(const QString& text) override { written += text; }
    void err(const QString& text) override { reported += text; }
    void progress(const QString&) override {}
    void clearProgress() override {}
};

} // namespace

class CliTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString config_;

    // The logins file of the windows' format.
    QString writeConfig(const QString& name, const standin::OracleLogins& oracle,
                        const standin::Db2Logins& db2, const QString& leaveOut = {}) {
        const QString path = dir_.filePath(name);
        QFile::remove(path);
        QSettings file(path, QSettings::IniFormat);
        file.beginGroup(u"Duskferry"_s);
        const QList<std::pair<QString, QString>> values{
            {u"Server"_s, db2.server},      {u"Port"_s, db2.port},
            {u"User"_s, db2.user},          {u"Password"_s, db2.password},
            {u"Database"_s, db2.database},  {u"OracleServer"_s, oracle.server},
            {u"OracleUser"_s, oracle.user}, {u"OraclePassword"_s, oracle.password}};
        for (const auto& [key, value] : values) {
            if (key != leaveOut)
                file.setValue(key, value);
        }
        file.sync();
        // As the windows keep it: passwords for the owner alone.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }

    static Result run(const QStringList& arguments, int interruptAfterMs = -1, int signal = SIGINT,
                      const QStringList& variables = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(DUSKFERRY_CLI), arguments);
        if (!process.waitForStarted())
            return {};
        if (interruptAfterMs >= 0) {
            QTest::qWait(interruptAfterMs);
            ::kill(pid_t(process.processId()), signal);
        }
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    Result cli(const QStringList& arguments) {
        return run(QStringList{u"--config"_s, config_} + arguments);
    }

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
        config_ = writeConfig(u"logins.ini"_s, standin::oracle(), standin::db2());
    }

    // The synopsis the documentation shows is the one --help prints.
    void documentedSynopsisIsTheHelp() {
        QFile doc(QStringLiteral(DUSKFERRY_SOURCE_DIR "/docs/command-line.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(doc.readAll());
        const qsizetype from = text.indexOf(u"\n    duskferry-cli "_s);
        QVERIFY(from >= 0);
        QStringList documented;
        for (const QString& line : text.mid(from + 1).split(u'\n')) {
            if (!line.startsWith(u"    "_s))
                break;
            documented << line.mid(2);
        }
        const QStringList help = cli::HelpText().section(u"\n\n"_s, 0, 0).split(u'\n').mid(1);
        QCOMPARE(documented, help);
    }

    void checkAndList() {
        const Result check = cli({u"check"_s});
        QCOMPARE(check.out, u"Oracle: ok\nDB2: ok\n"_s);
        QCOMPARE(check.status, 0);

        createMix(Side::Db2, u"Cli_b"_s);
        createMix(Side::Db2, u"cli_A"_s);
        const Result list = cli({u"list"_s, u"db2"_s});
        QCOMPARE(list.status, 0);
        const QStringList names = list.out.split(u'\n', Qt::SkipEmptyParts);
        // The window's order: letter case ignored.
        QVERIFY(names.indexOf(u"cli_A"_s) >= 0);
        QCOMPARE(names.indexOf(u"Cli_b"_s), names.indexOf(u"cli_A"_s) + 1);
        standin::dropIfExists(Side::Db2, u"Cli_b"_s);
        standin::dropIfExists(Side::Db2, u"cli_A"_s);
    }

    // Every mistake gets its status and a message a person understands, and
    // leaves both databases as they were.
    void refusals_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown command")
            << u"logins.ini"_s << QStringList{u"send"_s} << 2 << u"unknown command \"send\""_s;
        QTest::newRow("compare without --to")
            << u"logins.ini"_s << QStringList{u"compare"_s, u"T"_s} << 2
            << u"compare needs --to db2 or --to oracle"_s;
        QTest::newRow("resume and replace")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--resume"_s, u"--replace"_s, u"T"_s}
            << 2 << u"--resume adds to a table that --replace would drop"_s;
        QTest::newRow("delete extra without sync")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--delete-extra"_s, u"T"_s} << 2
            << u"--delete-extra and --max-changes go with --sync"_s;
        QTest::newRow("where with two tables")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--where"_s, u"k = 1"_s, u"T"_s, u"U"_s}
            << 2 << u"--where goes with one table"_s;
        QTest::newRow("verify a dry run")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--verify"_s, u"--dry-run"_s, u"T"_s}
            << 2 << u"--verify compares what a copy made"_s;
        QTest::newRow("by rows without verify")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--by-rows"_s, u"T"_s} << 2
            << u"--by-rows says how --verify compares"_s;
        QTest::newRow("copy without --to") << u"logins.ini"_s << QStringList{u"copy"_s, u"T"_s} << 2
                                           << u"copy needs --to db2 or --to oracle"_s;
        QTest::newRow("unknown side")
            << u"logins.ini"_s << QStringList{u"copy"_s, u"--to"_s, u"sybase"_s, u"T"_s} << 2
            << u"unknown side \"sybase\""_s;
        QTest::newRow("batch size without bulk")
            << u"logins.ini"_s
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--batch-size"_s, u"10"_s, u"T"_s} << 2
            << u"--batch-size goes with --bulk"_s;
        QTest::newRow("list of no side")
            << u"logins.ini"_s << QStringList{u"list"_s} << 2 << u"list needs one side"_s;
        QTest::newRow("missing login") << u"no-user.ini"_s << QStringList{u"list"_s, u"oracle"_s}
                                       << 3 << u"\"OracleUser\" is missing from"_s;
        QTest::newRow("wrong password")
            << u"wrong.ini"_s << QStringList{u"copy"_s, u"--to"_s, u"oracle"_s, u"Cli_Mix"_s} << 3
            << u"cannot list the DB2 tables: "_s;
        QTest::newRow("not on the source")
            << u"logins.ini"_s << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"cli_mix"_s} << 1
            << u"\"cli_mix\" is not a table on the Oracle side (did you mean \"Cli_Mix\"?)"_s;
    }
    void refusals() {
        QFETCH(QString, config);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        writeConfig(u"no-user.ini"_s, standin::oracle(), standin::db2(), u"OracleUser"_s);
        standin::Db2Logins wrong = standin::db2();
        wrong.password += u"-wrong"_s;
        writeConfig(u"wrong.ini"_s, standin::oracle(), wrong);
        createMix(Side::Oracle, u"Cli_Mix"_s);
        // Left behind, it would be one table too many in another test's list.
        const auto drop = droppedAtEnd({u"Cli_Mix"_s});
        standin::dropIfExists(Side::Db2, u"Cli_Mix"_s);
        standin::dropIfExists(Side::Db2, u"cli_mix"_s);
        const QStringList before = contents(Side::Oracle, u"Cli_Mix"_s);

        const Result result = run(QStringList{u"--config"_s, dir_.filePath(config)} + arguments);

        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        if (status == 2)
            QVERIFY(result.err.endsWith(u"Try 'duskferry-cli --help'.\n"_s));
        QCOMPARE(contents(Side::Oracle, u"Cli_Mix"_s), before);
        QVERIFY(!exists(Side::Db2, u"Cli_Mix"_s));
        QVERIFY(!exists(Side::Db2, u"cli_mix"_s));
    }

    // A copy from the command line holds exactly what the window's copy of
    // the same table holds; the summary and its JSON form agree.
    void copyAsTheWindowDoes_data() {
        QTest::addColumn<Side>("from");
        QTest::newRow("Oracle to DB2") << Side::Oracle;
        QTest::newRow("DB2 to Oracle") << Side::Db2;
    }
    void copyAsTheWindowDoes() {
        QFETCH(Side, from);
        const Side to = standin::otherSide(from);
        const QString table = u"Cli_Copy"_s;
        createMix(from, table);
        standin::dropIfExists(to, table);
        {
            TableManagerControls window;
            ScriptedDialogs dialogs;
            dialogs.failOnErrorReport = true;
            window.copyTable(from, table, dialogs);
        }
        const QStringList byWindow = contents(to, table);
        QCOMPARE(byWindow.size(), 4);
        standin::dropIfExists(to, table);

        const QString side = to == Side::Db2 ? u"db2"_s : u"oracle"_s;
        const Result plain = cli({u"copy"_s, u"--to"_s, side, table});
        QCOMPARE(plain.status, 0);
        QCOMPARE(plain.err, QString());
        QVERIFY2(plain.out.startsWith(u"copied \"Cli_Copy\": 3 read, 3 inserted, 0 refused, "_s),
                 qPrintable(plain.out));
        QCOMPARE(contents(to, table), byWindow);

        // Bulk mode from the command line, in batches smaller than the table.
        const Result json = cli({u"copy"_s, u"--to"_s, side, u"--replace"_s, u"--json"_s,
                                 u"--bulk"_s, u"--batch-size"_s, u"2"_s, table});
        QCOMPARE(json.status, 0);
        QJsonParseError error;
        const QJsonObject document = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document[u"exitStatus"_s].toInt(), 0);
        const QJsonObject copied = document[u"tables"_s].toArray().at(0).toObject();
        QCOMPARE(copied[u"table"_s].toString(), table);
        QCOMPARE(copied[u"outcome"_s].toString(), u"copied"_s);
        QCOMPARE(copied[u"rowsRead"_s].toInteger(), 3);
        QCOMPARE(copied[u"rowsInserted"_s].toInteger(), 3);
        QCOMPARE(copied[u"rowsRefused"_s].toInteger(), 0);
        QCOMPARE(contents(to, table), byWindow);

        // Exact types: the columns and values the window's exact copy makes.
        const auto columns = [&] {
            QStringList described;
            for (const standin::CatalogueColumn& c : standin::catalogueColumns(to, table))
                described
                    << u"%1 %2 %3 %4"_s.arg(c.name, c.typeName).arg(c.size).arg(c.decimalDigits);
            return described;
        };
        const QStringList wide = columns();
        standin::dropIfExists(to, table);
        {
            TableManagerControls window;
            window.options.exactTypes = true;
            ScriptedDialogs dialogs;
            dialogs.failOnErrorReport = true;
            window.copyTable(from, table, dialogs);
        }
        const QStringList exactByWindow = columns();
        const QStringList exactValues = contents(to, table);
        QVERIFY(exactByWindow != wide);
        const Result exact = cli(
            {u"copy"_s, u"--to"_s, side, u"--replace"_s, u"--exact-types"_s, u"--bulk"_s, table});
        QCOMPARE(exact.status, 0);
        QCOMPARE(columns(), exactByWindow);
        QCOMPARE(contents(to, table), exactValues);
        standin::dropIfExists(from, table);
        standin::dropIfExists(to, table);
    }

    // A table on the target already (letter case ignored) is skipped unless
    // --replace; the order given is the order copied.
    void skipAndReplace() {
        createMix(Side::Oracle, u"Cli_Keep"_s);
        createMix(Side::Oracle, u"Cli_New"_s);
        standin::dropIfExists(Side::Db2, u"Cli_New"_s);
        standin::dropIfExists(Side::Db2, u"cli_keep"_s);
        standin::execute(Side::Db2, u"CREATE TABLE \"cli_keep\" (k integer)"_s);
        standin::execute(Side::Db2, u"INSERT INTO \"cli_keep\" VALUES (7)"_s);

        const Result skipped = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"Cli_New"_s, u"Cli_Keep"_s});
        // The table left alone holds other rows than the source's.
        QCOMPARE(skipped.status, 1);
        const QStringList lines = skipped.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(u"copied \"Cli_New\""_s));
        QVERIFY(lines[1].startsWith(u"skipped \"Cli_Keep\""_s));
        QVERIFY(lines[1].endsWith(u"; the target holds 1 rows, the source 3"_s));
        QVERIFY(skipped.err.contains(u"\"Cli_Keep\" is on the target already; skipped"_s));
        QCOMPARE(contents(Side::Db2, u"cli_keep"_s).mid(1), QStringList{u"7"_s});

        const Result replaced =
            cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--replace"_s, u"Cli_Keep"_s});
        QCOMPARE(replaced.status, 0);
        QVERIFY(!exists(Side::Db2, u"cli_keep"_s));
        QCOMPARE(countRows(Side::Db2, u"Cli_Keep"_s), 3);
        for (const QString& table : {u"Cli_Keep"_s, u"Cli_New"_s}) {
            standin::dropOnBothSides(table);
        }
    }

    // --all takes every table of the source side: the logins without tables,
    // given two.
    void copyAll() {
        const standin::OracleLogins oracle = standin::lonelyOracle();
        const standin::Db2Logins db2 = standin::lonelyDb2();
        const QString config = writeConfig(u"lonely.ini"_s, oracle, db2);
        db::Connection source;
        source.Open(standin::oracleConnectionString(oracle));
        for (const QString& table : {u"Lone_A"_s, u"Lone_B"_s})
            source.Execute(u"CREATE TABLE \"%1\" (k integer)"_s.arg(table));

        const Result all = run({u"--config"_s, config, u"copy"_s, u"--to"_s, u"db2"_s, u"--all"_s});

        db::Connection target;
        target.Open(standin::db2ConnectionString(db2));
        for (const QString& table : {u"Lone_A"_s, u"Lone_B"_s}) {
            source.Execute(u"DROP TABLE \"%1\""_s.arg(table));
            target.Execute(u"DROP TABLE \"%1\""_s.arg(table));
        }
        QCOMPARE(all.status, 0);
        QCOMPARE(all.out.count(u"copied"_s), 2);
    }

    void dropTables() {
        createMix(Side::Db2, u"Cli_D1"_s);
        createMix(Side::Db2, u"Cli_D2"_s);
        const Result result =
            cli({u"drop"_s, u"--on"_s, u"db2"_s, u"Cli_D1"_s, u"Cli_D2"_s, u"Cli_Gone"_s});
        QCOMPARE(result.status, 1);
        QVERIFY(!exists(Side::Db2, u"Cli_D1"_s));
        QVERIFY(!exists(Side::Db2, u"Cli_D2"_s));
        QCOMPARE(result.out, u"missing \"Cli_Gone\"\ndropped \"Cli_D1\"\ndropped \"Cli_D2\"\n"_s);
    }

    // No stand-in takes RENAME: the statement goes through the rename run's
    // seam, in process, as the window's rename test does it.
    void renameThroughTheSeam_data() {
        QTest::addColumn<QString>("side");
        QTest::newRow("Oracle") << u"oracle"_s;
        QTest::newRow("DB2") << u"db2"_s;
    }
    void renameThroughTheSeam() {
        QFETCH(QString, side);
        const Side where = side == u"oracle" ? Side::Oracle : Side::Db2;
        createMix(where, u"Cli_Old"_s);
        RecordingConsole console;
        QStringList sent;
        cli::Seams seams;
        seams.renameStatement = [&](db::Connection& connection, const QString& statement) {
            QVERIFY(connection.isOpen());
            sent << statement;
        };
        const int status = cli::Run(
            {u"--config"_s, config_, u"rename"_s, u"--on"_s, side, u"Cli_Old"_s, u"Cli_New"_s},
            console, seams);
        standin::dropIfExists(where, u"Cli_Old"_s);
        QCOMPARE(status, 0);
        QCOMPARE(sent, QStringList{u"RENAME \"Cli_Old\" TO \"Cli_New\""_s});
        QCOMPARE(console.written, u"renamed \"Cli_Old\" to \"Cli_New\"\n"_s);
        QCOMPARE(console.reported, QString());
    }

    // Ctrl-C, SIGTERM (timeout, cron) and SIGHUP stop between two rows: the
    // summary is printed, its figure is what the target holds, and the status
    // says which signal it was. In bulk mode the batch with the server is
    // waited for: whole batches arrive.
    void interrupt_data() {
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("name");
        QTest::newRow("Ctrl-C, row by row") << false << int(SIGINT) << u"Ctrl-C"_s;
        QTest::newRow("Ctrl-C, bulk") << true << int(SIGINT) << u"Ctrl-C"_s;
        QTest::newRow("SIGTERM, row by row") << false << int(SIGTERM) << u"SIGTERM"_s;
        QTest::newRow("SIGHUP, bulk") << true << int(SIGHUP) << u"SIGHUP"_s;
    }
    void interrupt() {
        QFETCH(bool, bulk);
        QFETCH(int, signal);
        QFETCH(QString, name);
        const QString table = u"Cli_Big"_s;
        const int rows = bulk ? 1500000 : 60000;
        createKeyed(table, rows);
        QStringList arguments{u"--config"_s, config_, u"copy"_s, u"--to"_s, u"db2"_s};
        if (bulk)
            arguments << u"--bulk"_s;
        const Result result = run(arguments + QStringList{table, u"Cli_After"_s}, 2500, signal);
        const auto dropSource = qScopeGuard([&] { standin::dropIfExists(Side::Oracle, table); });
        QCOMPARE(result.status, 128 + signal);
        const QRegularExpression line(
            uR"(^interrupted "Cli_Big": (\d+) read, (\d+) inserted, 0 refused, )"_s,
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = line.match(result.out);
        QVERIFY2(match.hasMatch(), qPrintable(result.out));
        const qint64 inserted = match.captured(2).toLongLong();
        QVERIFY(inserted > 0 && inserted < rows);
        QVERIFY(match.captured(1).toLongLong() >= inserted);
        if (bulk)
            QCOMPARE(inserted % 1000, 0);
        QCOMPARE(countRows(Side::Db2, table), inserted);
        QVERIFY(result.out.contains(u"not-started \"Cli_After\""_s));
        QVERIFY(result.err.contains(u"stopped by "_s + name));

        // The rest is added to what arrived, and the copy is then equal.
        if (!bulk) {
            const Result resumed = cli(
                {u"copy"_s, u"--to"_s, u"db2"_s, u"--resume"_s, u"--bulk"_s, u"--verify"_s, table});
            QCOMPARE(resumed.status, 0);
            QVERIFY2(resumed.out.startsWith(
                         u"copied \"Cli_Big\": %1 read, %2 inserted, 0 refused, "_s.arg(rows).arg(
                             rows - inserted)),
                     qPrintable(resumed.out));
            QVERIFY2(
                resumed.out.contains(u"; %1 already there\n  equal \"Cli_Big\""_s.arg(inserted)),
                qPrintable(resumed.out));
        }
        standin::dropIfExists(Side::Db2, table);
    }

    // A copy brought up to date: the dry run and a sync refused by
    // --max-changes change nothing and say what a sync would do, which the
    // sync then does, its figures in the JSON too.
    void syncSaysWhatItChanges() {
        const QString table = u"Cli_Sync"_s;
        standin::dropOnBothSides(table);
        standin::execute(Side::Oracle, u"CREATE TABLE \"%1\" (k INTEGER PRIMARY KEY, name "
                                       "VARCHAR(20))"_s.arg(table));
        standin::execute(Side::Oracle, u"INSERT INTO \"%1\" SELECT g, 'row ' || g FROM "
                                       "generate_series(1, 100) g"_s.arg(table));
        QCOMPARE(cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--exact-types"_s, u"--structure"_s, table})
                     .status,
                 0);
        standin::execute(Side::Oracle, u"UPDATE \"%1\" SET name = 'new' WHERE k IN (3, 50, 97); "
                                       "DELETE FROM \"%1\" WHERE k IN (10, 11); INSERT INTO "
                                       "\"%1\" VALUES (200, 'added')"_s.arg(table));
        const QStringList sync{u"copy"_s, u"--to"_s, u"db2"_s, u"--sync"_s, u"--delete-extra"_s};
        const QString said = u"1 inserted, 0 refused, "_s;
        const QString figures = u" s; 3 updated, 2 deleted, 95 unchanged\n"_s;
        const Result dry = cli(sync + QStringList{u"--dry-run"_s, table});
        QCOMPARE(dry.status, 0);
        QVERIFY2(dry.out.startsWith(u"would-sync \"%1\": "_s.arg(table)) &&
                     dry.out.contains(said) && dry.out.endsWith(figures),
                 qPrintable(dry.out));
        const Result refused = cli(sync + QStringList{u"--max-changes"_s, u"5"_s, table});
        QCOMPARE(refused.status, 1);
        QVERIFY2(
            refused.err.contains(u"More than 5 rows of table \"%1\" would change"_s.arg(table)),
            qPrintable(refused.err));
        QCOMPARE(cli({u"compare"_s, u"--to"_s, u"db2"_s, table}).status, 1);

        const Result json = cli(sync + QStringList{u"--max-changes"_s, u"6"_s, u"--json"_s, table});
        QCOMPARE(json.status, 0);
        const QJsonObject line =
            QJsonDocument::fromJson(json.out.toUtf8()).object()[u"tables"].toArray()[0].toObject();
        QCOMPARE(QStringList({line[u"outcome"].toString(),
                              QString::number(line[u"rowsInserted"].toInt()),
                              QString::number(line[u"rowsUpdated"].toInt()),
                              QString::number(line[u"rowsDeleted"].toInt()),
                              QString::number(line[u"rowsUnchanged"].toInt())}),
                 QStringList({u"copied"_s, u"1"_s, u"3"_s, u"2"_s, u"95"_s}));
        QCOMPARE(cli({u"compare"_s, u"--to"_s, u"db2"_s, table}).status, 0);
        standin::dropOnBothSides(table);
    }

    // A stop while the target does not answer: a second Ctrl-C ends the
    // program at once, and it still prints every table's figures, the batch
    // with the server counted in doubt.
    void stopWhileTheServerStalls() {
        const QString table = u"Cli_Stall"_s;
        standin::dropOnBothSides(table);
        standin::execute(Side::Oracle, u"CREATE TABLE \"%1\" AS SELECT g AS k, 'row ' || g AS "
                                       "note FROM generate_series(1, 1500000) g"_s.arg(table));
        QProcess process;
        process.start(QStringLiteral(DUSKFERRY_CLI),
                      {u"--config"_s, config_, u"copy"_s, u"--to"_s, u"db2"_s, u"--bulk"_s, table,
                       u"Cli_After"_s});
        QVERIFY(process.waitForStarted());
        QTest::qWait(2500);
        const QList<pid_t> servers = standin::serverProcesses(Side::Db2);
        QVERIFY(!servers.isEmpty());
        for (pid_t server : servers)
            ::kill(server, SIGSTOP);
        QTest::qWait(500);
        ::kill(pid_t(process.processId()), SIGINT);
        QTest::qWait(300);
        ::kill(pid_t(process.processId()), SIGINT);
        const bool ended = process.waitForFinished(8000);
        for (pid_t server : servers)
            ::kill(server, SIGCONT);
        if (!ended)
            process.kill();
        process.waitForFinished();
        standin::dropOnBothSides(table);
        QVERIFY(ended);
        QCOMPARE(process.exitCode(), 130);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(
            QRegularExpression(
                uR"(^interrupted "Cli_Stall": \d+ read, \d+ inserted, 0 refused, [\d.]+ s; \d+ in doubt)"_s,
                QRegularExpression::MultilineOption)
                .match(out)
                .hasMatch(),
            qPrintable(out));
        QVERIFY2(out.contains(u"not-started \"Cli_After\""_s), qPrintable(out));
        QVERIFY2(err.contains(u"a server did not answer"_s), qPrintable(err));
    }

    // The server refuses a rename (the new name is taken, or the syntax is
    // wrong): no success is claimed, and the lists are as they were.
    void renameRefused_data() {
        QTest::addColumn<QString>("newName");
        QTest::newRow("a table of that name exists") << u"Cli_Taken"_s;
        QTest::newRow("a new name") << u"Cli_Free"_s;
    }
    void renameRefused() {
        QFETCH(QString, newName);
        createMix(Side::Oracle, u"Cli_Old"_s);
        createMix(Side::Oracle, u"Cli_Taken"_s);
        RecordingConsole console;
        cli::Seams seams;
        seams.renameStatement = [](db::Connection&, const QString&) {
            throw db::Error(u"ORA-00955: name is already used by an existing object"_s, u"42S01"_s);
        };
        const int status = cli::Run(
            {u"--config"_s, config_, u"rename"_s, u"--on"_s, u"oracle"_s, u"Cli_Old"_s, newName},
            console, seams);
        for (const QString& table : {u"Cli_Old"_s, u"Cli_Taken"_s})
            standin::dropIfExists(Side::Oracle, table);
        QCOMPARE(status, 1);
        QCOMPARE(console.written, u"failed \"Cli_Old\"\n"_s);
        QCOMPARE(console.reported,
                 u"duskferry-cli: ORA-00955: name is already used by an existing object\n"_s);
    }

    // --replace replaces the table of the source's own spelling where the
    // target lists it; another spelling stands in only without one.
    void replaceTheSameSpelling_data() {
        QTest::addColumn<bool>("exactListed");
        QTest::newRow("both spellings on the target") << true;
        QTest::newRow("only another spelling") << false;
    }
    void replaceTheSameSpelling() {
        QFETCH(bool, exactListed);
        createMix(Side::Oracle, u"Cli_Case"_s);
        standin::dropIfExists(Side::Db2, u"Cli_Case"_s);
        standin::dropIfExists(Side::Db2, u"cli_case"_s);
        standin::execute(Side::Db2, u"CREATE TABLE \"cli_case\" (k integer)"_s);
        standin::execute(Side::Db2, u"INSERT INTO \"cli_case\" VALUES (7)"_s);
        if (exactListed)
            createMix(Side::Db2, u"Cli_Case"_s);
        if (exactListed)
            standin::execute(Side::Db2, u"DELETE FROM \"Cli_Case\" WHERE k = 1"_s);

        const Result result = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--replace"_s, u"Cli_Case"_s});
        const bool otherKept = exists(Side::Db2, u"cli_case"_s);
        const qint64 copied = countRows(Side::Db2, u"Cli_Case"_s);
        standin::dropIfExists(Side::Db2, u"cli_case"_s);
        standin::dropIfExists(Side::Db2, u"Cli_Case"_s);
        standin::dropIfExists(Side::Oracle, u"Cli_Case"_s);
        QCOMPARE(result.status, 0);
        QCOMPARE(otherKept, exactListed);
        QCOMPARE(copied, 3);
    }

    // A table skipped because it is on the target may be one a stopped copy
    // left part-way: the rows of both sides are counted and told.
    void skippedTableCounted_data() {
        QTest::addColumn<int>("targetRows");
        QTest::addColumn<int>("status");
        QTest::newRow("whole") << 3 << 0;
        QTest::newRow("part-way") << 1 << 1;
    }
    void skippedTableCounted() {
        QFETCH(int, targetRows);
        QFETCH(int, status);
        createMix(Side::Oracle, u"Cli_Part"_s);
        createMix(Side::Db2, u"Cli_Part"_s);
        standin::execute(Side::Db2, u"DELETE FROM \"Cli_Part\" WHERE k > %1"_s.arg(targetRows));
        const Result plain = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"Cli_Part"_s});
        const Result json = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--json"_s, u"Cli_Part"_s});
        standin::dropIfExists(Side::Db2, u"Cli_Part"_s);
        standin::dropIfExists(Side::Oracle, u"Cli_Part"_s);
        QCOMPARE(plain.status, status);
        QVERIFY2(plain.out.startsWith(u"skipped \"Cli_Part\""_s), qPrintable(plain.out));
        QCOMPARE(plain.out.contains(u"; the target holds 1 rows, the source 3"_s), status == 1);
        const QJsonObject table = QJsonDocument::fromJson(json.out.toUtf8())
                                      .object()[u"tables"_s]
                                      .toArray()[0]
                                      .toObject();
        QCOMPARE(table[u"targetRows"_s].toInt(), targetRows);
        QCOMPARE(table[u"sourceRows"_s].toInt(), 3);
        QCOMPARE(table[u"sameRowCount"_s].toBool(), status == 0);
        QCOMPARE(json.status, status);
    }

    // A refused row is one line on the terminal; its whole report with
    // --verbose; its reason and statement in the --log file. Every row read
    // is inserted or refused, and --max-refused stops a table.
    void refusedRows_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("read"); // -1: as far as the stop came
        QTest::addColumn<int>("refused");
        QTest::newRow("row by row") << QStringList{} << u"short"_s << 6 << 3;
        QTest::newRow("bulk") << QStringList{u"--bulk"_s, u"--batch-size"_s, u"2"_s} << u"short"_s
                              << 6 << 3;
        QTest::newRow("verbose") << QStringList{u"--verbose"_s} << u"short"_s << 6 << 3;
        QTest::newRow("at most one refused")
            << QStringList{u"--max-refused"_s, u"1"_s} << u"failed"_s << -1 << -1;
        // An unbounded numeric becomes a DECFLOAT(34): a number of 37
        // digits fails the value check, and its row is refused too.
        QTest::newRow("value checks, exact types")
            << QStringList{u"--exact-types"_s} << u"short"_s << 6 << 3;
    }
    void refusedRows() {
        QFETCH(QStringList, options);
        QFETCH(QString, outcome);
        QFETCH(int, read);
        QFETCH(int, refused);
        const QString table = u"Cli_Refused"_s;
        const bool exact = options.contains(u"--exact-types"_s);
        const Side from = exact ? Side::Oracle : Side::Db2;
        standin::dropOnBothSides(table);
        // Rows 2, 4 and 6 are refused.
        if (exact) {
            standin::execute(from, u"CREATE TABLE \"%1\" (k integer, t numeric)"_s.arg(table));
            standin::execute(
                from,
                u"INSERT INTO \"%1\" SELECT g, CASE WHEN g %% 2 = 0 THEN "
                "1234567890123456789012345678901234567 ELSE 1.5 END FROM generate_series(1, 6) g"_s
                    .arg(table)
                    .replace(u"%%"_s, u"%"_s));
        } else {
            // Too long for the VARCHAR(2000) a default copy makes.
            standin::execute(from, u"CREATE TABLE \"%1\" (k INT, t LONGTEXT)"_s.arg(table));
            standin::execute(from, u"INSERT INTO \"%1\" SELECT seq, CASE WHEN seq %% 2 = 0 THEN "
                                   "REPEAT('x', 2001) ELSE 'short' END FROM seq_1_to_6"_s.arg(table)
                                       .replace(u"%%"_s, u"%"_s));
        }
        const QString log = dir_.filePath(u"events.log"_s);
        QFile::remove(log);
        const Result result =
            cli(QStringList{u"copy"_s, u"--to"_s, exact ? u"db2"_s : u"oracle"_s, u"--log"_s, log} +
                options + QStringList{table});
        standin::dropOnBothSides(table);
        QCOMPARE(result.status, 1);
        const QRegularExpression line(
            uR"(^%1 "Cli_Refused": (\d+) read, (\d+) inserted, (\d+) refused)"_s.arg(outcome));
        const QRegularExpressionMatch match = line.match(result.out);
        QVERIFY2(match.hasMatch(), qPrintable(result.out));
        const int rowsRead = match.captured(1).toInt();
        const int rowsRefused = match.captured(3).toInt();
        if (read >= 0) {
            QCOMPARE(rowsRead, read);
            QCOMPARE(rowsRefused, refused);
        } else {
            QVERIFY(rowsRefused >= 2 && rowsRead <= 6);
        }
        QCOMPARE(match.captured(2).toInt() + rowsRefused, rowsRead);

        const QStringList errors = result.err.split(u'\n', Qt::SkipEmptyParts);
        if (options.contains(u"--verbose"_s)) {
            QVERIFY(result.err.contains(u"sql: INSERT INTO \"Cli_Refused\""_s));
        } else {
            QCOMPARE(errors.size(), rowsRefused);
            for (const QString& error : errors) {
                QVERIFY2(error.startsWith(u"duskferry-cli: \"Cli_Refused\": row "_s) &&
                             error.contains(u" refused: "_s) && error.size() < 600 &&
                             !error.endsWith(u' '),
                         qPrintable(error));
            }
            QVERIFY2(
                errors.first().startsWith(u"duskferry-cli: \"Cli_Refused\": row 2 refused: "_s),
                qPrintable(errors.first()));
        }
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList events;
        int refusedEvents = 0;
        for (const QByteArray& bytes : file.readAll().split('\n')) {
            if (bytes.isEmpty())
                continue;
            const QJsonObject event = QJsonDocument::fromJson(bytes).object();
            events << event[u"event"_s].toString();
            if (event[u"event"_s] == u"row-refused"_s) {
                ++refusedEvents;
                QVERIFY(!event[u"reason"_s].toString().isEmpty());
                QCOMPARE(event[u"table"_s].toString(), table);
                QCOMPARE(event[u"row"_s].toInt() % 2, 0);
                QVERIFY(event[u"statement"_s].toString().startsWith(u"INSERT INTO"_s));
            }
        }
        QCOMPARE(refusedEvents, rowsRefused);
        QCOMPARE(events.first(), u"table-started"_s);
        QCOMPARE(events.last(), u"table-finished"_s);
    }

    // A file named by --config that cannot be read says so; the environment
    // overrides the file's keys; passwords others may read get a warning.
    void loginsFromFileAndEnvironment() {
        const Result missing =
            run({u"--config"_s, dir_.filePath(u"nowhere.ini"_s), u"list"_s, u"oracle"_s});
        QCOMPARE(missing.status, 3);
        QVERIFY2(missing.err.contains(u"cannot read "_s) &&
                     missing.err.contains(u"nowhere.ini: there is no such file"_s),
                 qPrintable(missing.err));
        const Result directory = run({u"--config"_s, dir_.path(), u"list"_s, u"oracle"_s});
        QCOMPARE(directory.status, 3);
        QVERIFY(directory.err.contains(u": it is a directory"_s));

        standin::OracleLogins wrong = standin::oracle();
        wrong.password += u"-wrong"_s;
        const QString config = writeConfig(u"wrong-oracle.ini"_s, wrong, standin::db2());
        QCOMPARE(run({u"--config"_s, config, u"check"_s}).status, 3);
        const Result overridden =
            run({u"--config"_s, config, u"check"_s}, -1, SIGINT,
                {u"DUSKFERRY_ORACLE_PASSWORD="_s + standin::oracle().password});
        QCOMPARE(overridden.out, u"Oracle: ok\nDB2: ok\n"_s);
        QCOMPARE(overridden.status, 0);
        QCOMPARE(overridden.err, QString());

        QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const Result readable = run({u"--config"_s, config, u"check"_s});
        QVERIFY2(readable.err.contains(u"holds passwords and others may read it"_s),
                 qPrintable(readable.err));
    }

    // Smaller things a script meets.
    void commandLineDetails_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("copy of nothing") << QStringList{u"copy"_s, u"--to"_s, u"db2"_s} << 2
                                         << u"copy needs table names or --all\n"_s;
        QTest::newRow("--to twice")
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--to"_s, u"oracle"_s, u"T"_s} << 2
            << u"--to is given twice"_s;
        QTest::newRow("too many jobs")
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--jobs"_s, u"17"_s, u"T"_s} << 2
            << u"--jobs takes a number of jobs from 1 to 16, not \"17\""_s;
        QTest::newRow("two tables split")
            << QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--split"_s, u"2"_s, u"T"_s, u"U"_s}
            << 2 << u"--split goes with one table"_s;
        QTest::newRow("rename to itself")
            << QStringList{u"rename"_s, u"--on"_s, u"db2"_s, u"T"_s, u"T"_s} << 2
            << u"rename needs a new name other than the old one"_s;
        QTest::newRow("a log that cannot be written")
            << QStringList{u"drop"_s, u"--on"_s, u"db2"_s, u"--log"_s, u"/nonexistent/x.log"_s,
                           u"T"_s}
            << 2 << u"cannot write the log /nonexistent/x.log"_s;
    }
    void commandLineDetails() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Result result = cli(arguments);
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    // A job's command line is the user's, for its one table: every option
    // that changes what a copy or comparison does reaches the job.
    void jobArgumentsKeepTheOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        const auto words = [](const QString& line) { return line.split(u' '); };
        QTest::newRow("copy, every option")
            << words(u"--config x.ini copy --to oracle --replace --json --bulk --batch-size 77 "
                     "--exact-types --max-refused 3 --verify --verbose --log run.log --jobs 4 "
                     "--where k>1 -- -T"_s);
        QTest::newRow("resume") << words(u"copy --to db2 --resume --jobs=2 T"_s);
        QTest::newRow("sync") << words(
            u"copy --to db2 --sync --delete-extra --max-changes 5 --jobs=2 T"_s);
        QTest::newRow("dry run") << words(u"copy --to db2 --dry-run --jobs=2 T"_s);
        QTest::newRow("compare") << words(u"compare --to db2 --json --jobs 3 T"_s);
    }
    void jobArgumentsKeepTheOptions() {
        QFETCH(QStringList, arguments);
        const auto parsed = cli::ParseArguments(arguments);
        QVERIFY(std::holds_alternative<cli::Command>(parsed));
        cli::Command user = std::get<cli::Command>(parsed);
        const QString table = user.tables.value(0, u"T"_s);
        const auto again = cli::ParseArguments(cli::JobArguments(user, table));
        QVERIFY(std::holds_alternative<cli::Command>(again));
        cli::Command job = std::get<cli::Command>(again);
        QVERIFY(job.job && job.noProgress);
        QCOMPARE(job.tables, QStringList{table});
        // All else as the user gave it, but the number of jobs.
        job.job = user.job;
        job.noProgress = user.noProgress;
        job.jobs = user.jobs;
        const auto fields = [](const cli::Command& c) {
            return QStringList{c.configFile,
                               QString::number(int(c.kind)),
                               QString::number(int(c.side)),
                               QString::number(c.replace),
                               QString::number(c.json),
                               QString::number(c.options.bulk),
                               QString::number(c.options.batchSize),
                               QString::number(c.options.exactTypes),
                               QString::number(c.verbose),
                               c.logFile,
                               QString::number(c.options.dryRun),
                               QString::number(c.verify),
                               c.options.where,
                               QString::number(c.options.resume),
                               QString::number(c.options.maxRefused),
                               QString::number(c.options.part)};
        };
        QCOMPARE(fields(job), fields(user));
    }

    // --dry-run says what copy, drop and rename would do, with the CREATE
    // statement and what the columns would not keep, measured on the source;
    // nothing on either side changes.
    // types shows the columns a copy would make, each with its rule: the
    // same types the dry run's CREATE declares, in either mapping; a number
    // declared without a precision stays unbounded with exact types.
    void typesPreviewTheCopy_data() {
        QTest::addColumn<bool>("exact");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("default") << false
                                 << QStringList{
                                        u"\"k\"  INT4           -> LONG VARCHAR  default"_s,
                                        u"\"n\"  NUMERIC(28,6)  -> LONG VARCHAR  default"_s};
        QTest::newRow("exact") << true
                               << QStringList{u"\"k\"  INT4"_s, u"-> INTEGER"_s,
                                              u"\"n\"  NUMERIC(28,6)  -> DECIMAL(65,30)  exact; "
                                              "declared without a precision"_s,
                                              u"\"d\"  NUMERIC(12,2)  -> DECIMAL(12,2)"_s};
    }
    void typesPreviewTheCopy() {
        QFETCH(bool, exact);
        QFETCH(QStringList, expected);
        const QString table = u"Cli_Types"_s;
        standin::dropOnBothSides(table);
        standin::execute(Side::Oracle,
                         u"CREATE TABLE \"%1\" (k integer, n numeric, d numeric(12,2), "
                         "v varchar(30), t text)"_s.arg(table));
        const auto drop = droppedAtEnd({table});
        const QStringList mode = exact ? QStringList{u"--exact-types"_s} : QStringList{};
        const Result types =
            cli(QStringList{u"types"_s, u"--to"_s, u"db2"_s} + mode + QStringList{table});
        QCOMPARE(types.status, 0);
        for (const QString& piece : expected)
            QVERIFY2(types.out.contains(piece), qPrintable(types.out));

        const Result json = cli(QStringList{u"types"_s, u"--to"_s, u"db2"_s, u"--json"_s} + mode +
                                QStringList{table});
        const QJsonArray columns = QJsonDocument::fromJson(json.out.toUtf8())
                                       .object()[u"tables"_s]
                                       .toArray()[0]
                                       .toObject()[u"columns"_s]
                                       .toArray();
        QCOMPARE(columns.size(), 5);
        const Result dry = cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--dry-run"_s} + mode +
                               QStringList{table});
        QString declared;
        for (const QJsonValue column : columns) {
            const QJsonObject c = column.toObject();
            declared += u"\"%1\" %2,"_s.arg(c[u"name"_s].toString(), c[u"target"_s].toString());
        }
        declared.chop(1);
        QVERIFY2(dry.out.contains(u"CREATE TABLE \"Cli_Types\"(%1)"_s.arg(declared)),
                 qPrintable(dry.out + u"\n"_s + declared));

        const Result missing = cli({u"types"_s, u"--to"_s, u"db2"_s, u"Cli_No_Such"_s});
        QCOMPARE(missing.status, 1);
        QVERIFY2(missing.err.contains(u"\"Cli_No_Such\""_s), qPrintable(missing.err));
    }

    // --fit-types measures the numbers without a precision and the texts of
    // any length, and each gets the narrowest type that holds its values;
    // every value then arrives.
    void fittedTypesHoldEveryValue() {
        const QString table = u"Cli_Fit"_s;
        standin::dropOnBothSides(table);
        const auto drop = droppedAtEnd({table});
        standin::execute(Side::Oracle,
                         u"CREATE TABLE \"%1\" (k integer, whole numeric, "
                         "fraction numeric, wide numeric, t text, e text)"_s.arg(table));
        standin::execute(
            Side::Oracle,
            u"INSERT INTO \"%1\" VALUES (1, 123456789012, 123.1234567, "
            "12345678901234567890123456789012345678, 'h\u00e9llo', NULL), "
            "(2, -7, -0.5, 1, 'hi', NULL), (3, NULL, NULL, NULL, NULL, NULL)"_s.arg(table));
        const QStringList fit{u"--exact-types"_s, u"--fit-types"_s};
        const Result types =
            cli(QStringList{u"types"_s, u"--to"_s, u"db2"_s} + fit + QStringList{table});
        QCOMPARE(types.status, 0);
        for (const QString& line : {u"\"whole\"     NUMERIC(28,6)  -> DECIMAL(12,0)"_s,
                                    u"\"fraction\"  NUMERIC(28,6)  -> DECIMAL(10,7)"_s,
                                    u"\"t\"         TEXT           -> VARCHAR(5)"_s,
                                    // Nothing to fit to: the type stays as wide as declared.
                                    u"\"e\"         TEXT           -> LONGTEXT       exact"_s})
            QVERIFY2(types.out.contains(line), qPrintable(types.out));
        QVERIFY2(types.out.contains(u"fitted to the values"_s), qPrintable(types.out));
        const Result copy =
            cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s} + fit + QStringList{table});
        QVERIFY2(copy.status == 0, qPrintable(copy.out + copy.err));
        const Result compare = cli({u"compare"_s, u"--to"_s, u"db2"_s, table});
        QVERIFY2(compare.status == 0, qPrintable(compare.out + compare.err));
        QCOMPARE(cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--fit-types"_s, table}).status, 2);
    }

    // The user's rules, beside the logins' file, by source type and by
    // column: types shows them with their line, the copy creates them; a
    // line that is not a rule stops the run before anything is asked.
    void typeRules_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("shown");   // in types' output; empty: it fails
        QTest::addColumn<QString>("created"); // the target's catalogue: column type size scale
        QTest::newRow("by type, to DB2")
            << Side::Oracle << u"# ours\n[to db2]\nnumeric(12,*) = DECIMAL(18,4)\n"_s
            << u"NUMERIC(12,2)  -> DECIMAL(18,4)  rule duskferry-types.ini:3"_s
            << u"d DECIMAL 18 4"_s;
        QTest::newRow("by column, to Oracle")
            << Side::Db2 << u"[to oracle]\nDECIMAL = NUMERIC(30,3)\nCli_Rules.d = NUMERIC(20,5)\n"_s
            << u"-> NUMERIC(20,5)  rule duskferry-types.ini:3"_s << u"d NUMERIC 20 5"_s;
        QTest::newRow("not a rule") << Side::Oracle << u"[to db2]\nNUMBER DECIMAL\n"_s << QString()
                                    << u"duskferry-types.ini:2: not a rule"_s;
        QTest::newRow("a rule before its section")
            << Side::Oracle << u"NUMBER = DECIMAL\n"_s << QString()
            << u"duskferry-types.ini:1: a rule before [to db2] or [to oracle]"_s;
    }
    void typeRules() {
        QFETCH(Side, from);
        QFETCH(QString, rules);
        QFETCH(QString, shown);
        QFETCH(QString, created);
        const QString table = u"Cli_Rules"_s;
        const Side to = standin::otherSide(from);
        standin::dropOnBothSides(table);
        standin::execute(from, u"CREATE TABLE \"%1\" (k integer, d numeric(12,2))"_s.arg(table));
        standin::execute(from, u"INSERT INTO \"%1\" VALUES (1, 12.5)"_s.arg(table));
        const QString file = QFileInfo(config_).dir().filePath(u"duskferry-types.ini"_s);
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(rules.toUtf8());
        }
        const auto tidy = qScopeGuard([&] {
            QFile::remove(file);
            standin::dropOnBothSides(table);
        });
        const QString side = to == Side::Db2 ? u"db2"_s : u"oracle"_s;
        const Result types = cli({u"types"_s, u"--to"_s, side, u"--exact-types"_s, table});
        const Result copy = cli({u"copy"_s, u"--to"_s, side, u"--exact-types"_s, table});
        if (shown.isEmpty()) {
            for (const Result& r : {types, copy}) {
                QCOMPARE(r.status, 2);
                QVERIFY2(r.err.contains(created), qPrintable(r.err));
            }
            QVERIFY(!exists(to, table));
            return;
        }
        QVERIFY2(types.out.contains(shown), qPrintable(types.out));
        QCOMPARE(copy.status, 0);
        QStringList made;
        for (const standin::CatalogueColumn& c : standin::catalogueColumns(to, table))
            made << u"%1 %2 %3 %4"_s.arg(c.name.toLower(), c.typeName)
                        .arg(c.size)
                        .arg(c.decimalDigits);
        QVERIFY2(made.contains(created), qPrintable(made.join(u", "_s)));

        // A column rule for a column the table lacks is only a warning.
        QFile out(file);
        QVERIFY(out.open(QIODevice::Append));
        out.write(QStringLiteral("[to %1]\nCli_Rules.nope = INTEGER\n").arg(side).toUtf8());
        out.close();
        // The same from the copy, whose table is made all the same; and the
        // measure flags the column whose ruled type its values outgrow.
        for (const QStringList& command :
             {QStringList{u"types"_s, u"--to"_s, side, u"--measure"_s, table},
              QStringList{u"copy"_s, u"--to"_s, side, u"--replace"_s, table}}) {
            const Result warned = cli(command);
            QCOMPARE(warned.status, 0);
            QVERIFY2(warned.err.contains(u"names no column of \"Cli_Rules\""_s),
                     qPrintable(warned.err));
        }
        // A type of the user's that the values outgrow is flagged, where
        // the source measures its numbers (DB2 has no expression for a
        // value's scale).
        if (from != Side::Oracle)
            return;
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QStringLiteral("[to %1]\nCli_Rules.d = DECIMAL(2,1)\n").arg(side).toUtf8());
        out.close();
        const Result flagged = cli({u"types"_s, u"--to"_s, side, u"--measure"_s, table});
        QVERIFY2(flagged.out.contains(u"! some values would be refused: the largest has 2 digits "
                                      "before the point in DECIMAL(2,1)"_s),
                 qPrintable(flagged.out));
    }

    void dryRun() {
        const QString table = u"Cli_Dry"_s;
        standin::dropOnBothSides(table);
        standin::execute(Side::Db2, u"CREATE TABLE \"%1\" (k INT, t LONGTEXT)"_s.arg(table));
        standin::execute(Side::Db2,
                         u"INSERT INTO \"%1\" SELECT seq, CASE WHEN seq = 2 THEN "
                         "REPEAT('x', 70000) ELSE 'short' END FROM seq_1_to_3"_s.arg(table));
        const Result create = cli({u"copy"_s, u"--to"_s, u"oracle"_s, u"--dry-run"_s, table});
        QCOMPARE(create.status, 1);
        QCOMPARE(create.out,
                 u"would-create \"Cli_Dry\": 3 rows, 1 would be refused\n"
                 "  CREATE TABLE \"Cli_Dry\"(\"k\" NUMERIC,\"t\" VARCHAR(2000))\n"
                 "  column \"t\" (VARCHAR(2000)): 1 of 3 values would be refused; it is 70000 "
                 "characters long\n"
                 "  column \"t\" (VARCHAR(2000)): 1 of 3 values are too long for a literal and "
                 "would be bound; the longest is 70000 characters\n"_s);
        QVERIFY(!exists(Side::Oracle, table));

        createMix(Side::Oracle, table);
        const Result replace = cli({u"copy"_s, u"--to"_s, u"oracle"_s, u"--dry-run"_s,
                                    u"--replace"_s, u"--json"_s, table});
        const QJsonObject line = QJsonDocument::fromJson(replace.out.toUtf8())
                                     .object()[u"tables"_s]
                                     .toArray()[0]
                                     .toObject();
        QCOMPARE(line[u"outcome"_s].toString(), u"would-replace"_s);
        QCOMPARE(line[u"targetRows"_s].toInt(), 3);
        QCOMPARE(line[u"losses"_s].toArray().size(), 1);
        QCOMPARE(countRows(Side::Oracle, table), 3);
        QCOMPARE(contents(Side::Oracle, table)[1],
                 u"1|O'Brien|12.50|2024-01-02 03:04:05|Zürich ✓ 東京"_s);

        const Result drop = cli({u"drop"_s, u"--on"_s, u"oracle"_s, u"--dry-run"_s, table});
        QCOMPARE(drop.status, 0);
        QCOMPARE(drop.out, u"would drop \"Cli_Dry\" (3 rows)\n"_s);
        QVERIFY(exists(Side::Oracle, table));

        createMix(Side::Oracle, u"Cli_Dry_Taken"_s);
        const Result free =
            cli({u"rename"_s, u"--on"_s, u"oracle"_s, u"--dry-run"_s, table, u"Cli_Dry_New"_s});
        const Result taken =
            cli({u"rename"_s, u"--on"_s, u"oracle"_s, u"--dry-run"_s, table, u"Cli_Dry_Taken"_s});
        standin::dropIfExists(Side::Oracle, u"Cli_Dry_Taken"_s);
        standin::dropOnBothSides(table);
        QCOMPARE(free.status, 0);
        QCOMPARE(free.out, u"would rename \"Cli_Dry\" to \"Cli_Dry_New\"\n"_s);
        QCOMPARE(taken.status, 1);
        QVERIFY(taken.err.contains(u"\"Cli_Dry_Taken\" is a table on the Oracle side already"_s));
    }

    // A copy verified equal; the same table changed on the target differs,
    // and a server that changes a value as it stores it turns a verified
    // copy into "differs" with status 1.
    void compareAndVerify() {
        const QString table = u"Cli_Compare"_s;
        createMix(Side::Oracle, table);
        standin::dropIfExists(Side::Db2, table);
        const Result copied = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--verify"_s, table});
        QCOMPARE(copied.status, 0);
        QVERIFY2(copied.out.contains(u"\n  equal \"Cli_Compare\": source 3 rows, target 3 (rows "
                                     "matched by every column (it has no key))\n"_s),
                 qPrintable(copied.out));

        standin::execute(Side::Db2, u"UPDATE \"%1\" SET amount = 12.51 WHERE k = 1"_s.arg(table));
        const Result changed =
            cli({u"compare"_s, u"--to"_s, u"db2"_s, u"--json"_s, table, u"Cli_Not_There"_s});
        QCOMPARE(changed.status, 1);
        const QJsonArray tables =
            QJsonDocument::fromJson(changed.out.toUtf8()).object()[u"tables"_s].toArray();
        QCOMPARE(tables.size(), 2);
        QCOMPARE(tables[0][u"outcome"_s].toString(), u"differs"_s);
        QCOMPARE(tables[0][u"onlySource"_s].toInt(), 1);
        QCOMPARE(tables[0][u"onlyTarget"_s].toInt(), 1);
        // A table without a key is read whole, as its order says.
        QCOMPARE(tables[0][u"method"_s].toString(), u"rows"_s);
        QCOMPARE(tables[0][u"rowsRead"_s].toInt(), 6);
        QCOMPARE(tables[1][u"outcome"_s].toString(), u"missing"_s);

        // The Oracle side's server upper-cases every name the copy stores.
        QString output;
        QVERIFY2(standin::adminSql(
                     Side::Oracle,
                     u"CREATE OR REPLACE FUNCTION public.upper_name() RETURNS trigger AS $$ "
                     "BEGIN NEW.name := upper(NEW.name); RETURN NEW; END $$ LANGUAGE plpgsql;"
                     "CREATE OR REPLACE FUNCTION public.arm_upper() RETURNS event_trigger "
                     "AS $$ DECLARE c record; BEGIN FOR c IN SELECT * FROM "
                     "pg_event_trigger_ddl_commands() LOOP IF c.object_identity LIKE "
                     "'%\"Cli_Compare\"' THEN EXECUTE 'CREATE TRIGGER upper_name BEFORE INSERT "
                     "ON ' || c.object_identity || ' FOR EACH ROW EXECUTE FUNCTION "
                     "public.upper_name()'; END IF; END LOOP; END $$ LANGUAGE plpgsql;"
                     "DROP EVENT TRIGGER IF EXISTS arm_upper;"
                     "CREATE EVENT TRIGGER arm_upper ON ddl_command_end WHEN TAG IN "
                     "('CREATE TABLE') EXECUTE FUNCTION public.arm_upper();"_s,
                     &output),
                 qPrintable(output));
        const auto disarm = qScopeGuard([] {
            standin::adminSql(Side::Oracle, u"DROP EVENT TRIGGER IF EXISTS arm_upper"_s, nullptr);
        });
        standin::dropIfExists(Side::Oracle, table);
        const Result verified = cli({u"copy"_s, u"--to"_s, u"oracle"_s, u"--verify"_s, table});
        standin::dropOnBothSides(table);
        QCOMPARE(verified.status, 1);
        QVERIFY2(
            verified.out.startsWith(u"differs \"Cli_Compare\": 3 read, 3 inserted, 0 refused"_s),
            qPrintable(verified.out));
        QVERIFY2(verified.out.contains(u"  differs \"Cli_Compare\": source 3 rows, target 3; 1 "
                                       "only in the source, 1 only in the target, 0 differ"_s),
                 qPrintable(verified.out));
    }

    // --where copies only the rows that match, and --verify compares those
    // with the copy; a condition the server refuses is shown in the report
    // with its statement.
    void copyWhere() {
        const QString table = u"Cli_Where"_s;
        createMix(Side::Oracle, table);
        standin::dropIfExists(Side::Db2, table);
        const Result some =
            cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--verify"_s, u"--where"_s, u"k >= 2"_s, table});
        QCOMPARE(some.status, 0);
        QVERIFY2(some.out.startsWith(u"copied \"Cli_Where\": 2 read, 2 inserted, 0 refused"_s),
                 qPrintable(some.out));
        QVERIFY2(some.out.contains(u"  equal \"Cli_Where\": source 2 rows, target 2"_s),
                 qPrintable(some.out));
        QCOMPARE(countRows(Side::Db2, table), 2);

        const Result refused = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--replace"_s, u"--verbose"_s,
                                    u"--where"_s, u"no_such_column = 1"_s, table});
        standin::dropOnBothSides(table);
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.out.startsWith(u"failed \"Cli_Where\""_s), qPrintable(refused.out));
        QVERIFY2(refused.err.contains(
                     u"sql: SELECT COUNT(*) FROM \"Cli_Where\" WHERE no_such_column = 1"_s),
                 qPrintable(refused.err));
    }

    // --jobs: several tables at once in each mode, each copy equal to its
    // source, the summary in the order given.
    void parallelCopies_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("resume");
        QTest::newRow("row by row") << QStringList{} << false;
        QTest::newRow("bulk") << QStringList{u"--bulk"_s} << false;
        QTest::newRow("exact types, verified")
            << QStringList{u"--bulk"_s, u"--exact-types"_s, u"--verify"_s} << false;
        QTest::newRow("resumed") << QStringList{u"--bulk"_s} << true;
    }
    void parallelCopies() {
        QFETCH(QStringList, options);
        QFETCH(bool, resume);
        const QStringList tables{u"Cli_Job1"_s, u"Cli_Job2"_s, u"Cli_Job3"_s, u"Cli_Job4"_s};
        for (int i = 0; i < tables.size(); ++i)
            createKeyed(tables[i], 3000 - 700 * i);
        const auto drop = droppedAtEnd(tables);
        if (resume) {
            QCOMPARE(cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s} + tables).status, 0);
            for (const QString& table : tables)
                standin::execute(Side::Db2, u"DELETE FROM \"%1\" WHERE MOD(k, 3) = 0"_s.arg(table));
            options << u"--resume"_s;
        }
        const Result copied = cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--jobs"_s, u"3"_s} +
                                  options + tables);
        QCOMPARE(copied.status, 0);
        const QStringList lines =
            copied.out.split(u'\n', Qt::SkipEmptyParts).filter(QRegularExpression(u"^copied "_s));
        QCOMPARE(lines.size(), tables.size());
        for (int i = 0; i < tables.size(); ++i)
            QVERIFY2(
                lines[i].startsWith(u"copied \"%1\": %2 read"_s.arg(tables[i]).arg(3000 - 700 * i)),
                qPrintable(copied.out));
        const Result compared =
            cli(QStringList{u"compare"_s, u"--to"_s, u"db2"_s, u"--jobs"_s, u"4"_s, u"--json"_s} +
                tables);
        QCOMPARE(compared.status, 0);
        const QJsonArray results =
            QJsonDocument::fromJson(compared.out.toUtf8()).object()[u"tables"_s].toArray();
        QCOMPARE(results.size(), tables.size());
        for (int i = 0; i < tables.size(); ++i) {
            QCOMPARE(results[i][u"table"_s].toString(), tables[i]);
            QCOMPARE(results[i][u"outcome"_s].toString(), u"equal"_s);
        }
    }

    // A stop during a parallel run reaches every job: each table's figures
    // are what it holds, the tables not begun are named, and the stop is
    // told once.
    void parallelCopiesStopped() {
        const QStringList tables{u"Cli_Stop1"_s, u"Cli_Stop2"_s, u"Cli_Stop3"_s};
        for (const QString& table : tables)
            createKeyed(table, 60000);
        const auto drop = droppedAtEnd(tables);
        const Result result = run(QStringList{u"--config"_s, config_, u"copy"_s, u"--to"_s,
                                              u"db2"_s, u"--jobs"_s, u"2"_s} +
                                      tables,
                                  2500);
        QCOMPARE(result.status, 128 + SIGINT);
        for (const QString& table : tables.first(2)) {
            const QRegularExpressionMatch match =
                QRegularExpression(u"^interrupted \"%1\": \\d+ read, (\\d+) inserted"_s.arg(table),
                                   QRegularExpression::MultilineOption)
                    .match(result.out);
            QVERIFY2(match.hasMatch(), qPrintable(result.out));
            QCOMPARE(countRows(Side::Db2, table), match.captured(1).toLongLong());
        }
        QVERIFY2(result.out.contains(u"not-started \"Cli_Stop3\""_s), qPrintable(result.out));
        QCOMPARE(result.err.count(u"stopped by Ctrl-C"_s), 1);
    }

    // A target session that ends under one job ends that job's table, with
    // one report; the other jobs go on. The row or batch with the server
    // then is in doubt, in each mode.
    void parallelCopyLosesOneSession_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("rows");
        QTest::newRow("row by row") << QStringList{} << 60000;
        QTest::newRow("bulk") << QStringList{u"--bulk"_s} << 400000;
    }
    void parallelCopyLosesOneSession() {
        QFETCH(QStringList, options);
        QFETCH(int, rows);
        const QStringList tables{u"Cli_Lost1"_s, u"Cli_Lost2"_s};
        createKeyed(tables[0], rows);
        createKeyed(tables[1], 3000);
        const auto drop = droppedAtEnd(tables);
        QProcess process;
        process.start(QStringLiteral(DUSKFERRY_CLI),
                      QStringList{u"--config"_s, config_, u"copy"_s, u"--to"_s, u"db2"_s,
                                  u"--jobs"_s, u"2"_s} +
                          options + tables);
        QVERIFY(process.waitForStarted());
        // The session that inserts into the first table, once it has begun.
        QString session;
        for (int attempt = 0; attempt < 100 && session.isEmpty(); ++attempt) {
            QTest::qWait(100);
            QString output;
            standin::adminSql(Side::Db2,
                              u"SELECT id FROM information_schema.processlist WHERE info LIKE "
                              "'INSERT INTO \"Cli_Lost1\"%'"_s,
                              &output);
            session = output.trimmed().section(u'\n', -1).trimmed();
            if (!session.toInt())
                session.clear();
        }
        QVERIFY(!session.isEmpty());
        standin::adminSql(Side::Db2, u"KILL "_s + session, nullptr);
        QVERIFY(process.waitForFinished(120000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 1);
        const QRegularExpressionMatch lost =
            QRegularExpression(u"^connection-lost \"Cli_Lost1\": \\d+ read, (\\d+) inserted, 0 "
                               "refused, [\\d.]+ s(?:; (\\d+) in doubt)?"_s,
                               QRegularExpression::MultilineOption)
                .match(out);
        QVERIFY2(lost.hasMatch(), qPrintable(out));
        // The rows whose INSERT the session ended under may or may not be
        // there: they are in doubt, never refused, nor left out.
        const qint64 inserted = lost.captured(1).toLongLong();
        const qint64 inDoubt = lost.captured(2).toLongLong();
        const qint64 held = countRows(Side::Db2, tables[0]);
        QVERIFY2(inDoubt > 0 && held >= inserted && held <= inserted + inDoubt, qPrintable(out));
        QVERIFY2(out.contains(u"copied \"Cli_Lost2\": 3000 read, 3000 inserted"_s),
                 qPrintable(out));
        QCOMPARE(err.split(u'\n').filter(u"\"Cli_Lost1\""_s).size(), 1);
    }

    // --split: one table's key ranges copied at once into the one table,
    // which then holds every row once, in each mode.
    void splitCopies_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("resume");
        QTest::newRow("row by row") << QStringList{} << false;
        QTest::newRow("bulk, verified") << QStringList{u"--bulk"_s, u"--verify"_s} << false;
        QTest::newRow("exact types") << QStringList{u"--bulk"_s, u"--exact-types"_s} << false;
        QTest::newRow("resumed, verified")
            << QStringList{u"--bulk"_s, u"--resume"_s, u"--verify"_s} << true;
    }
    void splitCopies() {
        QFETCH(QStringList, options);
        QFETCH(bool, resume);
        const QString table = u"Cli_Split"_s;
        createKeyed(table, 10001);
        const auto drop = droppedAtEnd({table});
        if (resume) {
            QCOMPARE(cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--bulk"_s, table}).status, 0);
            standin::execute(Side::Db2,
                             u"DELETE FROM \"%1\" WHERE k > 9000 OR MOD(k, 7) = 0"_s.arg(table));
        }
        const Result copied =
            cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s, u"--split"_s, u"4"_s} + options +
                QStringList{table});
        QCOMPARE(copied.status, 0);
        QVERIFY2(copied.out.startsWith(u"copied \"Cli_Split\": 10001 read, "_s),
                 qPrintable(copied.out));
        QCOMPARE(countRows(Side::Db2, table), 10001);
        QCOMPARE(cli({u"compare"_s, u"--to"_s, u"db2"_s, table}).status, 0);
    }

    // Key sets at the ends of what a key holds, in both directions: each
    // copied by a split, then resumed after a third of its rows went from
    // the copy, then resumed by a split after another third went. Every
    // line that says copied holds, and the copy compares equal.
    void keySetsSplitAndResumed_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("keys"); // a SELECT of key and row number n
        QTest::addColumn<QStringList>("environment");
        const QString max = u"9223372036854775807"_s;
        const QString min = u"(-9223372036854775807 - 1)"_s;
        QTest::newRow("signed 64-bit ends, to DB2")
            << Side::Oracle << u"BIGINT"_s
            << u"SELECT g, g FROM generate_series(1, 1000) g UNION ALL SELECT %1, 1001 UNION "
               "ALL SELECT %2, 1002"_s.arg(max, min)
            << QStringList();
        QTest::newRow("spread over the whole range, to DB2")
            << Side::Oracle << u"BIGINT"_s
            << u"SELECT (g - 1000) * 5000000000000000, g FROM generate_series(1, 2000) g"_s
            << QStringList();
        QTest::newRow("from 1e18 to the maximum, to DB2")
            << Side::Oracle << u"BIGINT"_s
            << u"SELECT 1000000000000000000 + g, g FROM generate_series(1, 1000) g UNION ALL "
               "SELECT %1, 1001"_s.arg(max)
            << QStringList();
        QTest::newRow("decimal keys past 2^64, to DB2")
            << Side::Oracle << u"NUMERIC(28,0)"_s
            << u"SELECT g * 10000000000000000000000, g FROM generate_series(-500, 500) g"_s
            << QStringList();
        QTest::newRow("a single row, to DB2")
            << Side::Oracle << u"BIGINT"_s << u"SELECT 42, 1"_s << QStringList();
        QTest::newRow("no rows, to DB2")
            << Side::Oracle << u"BIGINT"_s << u"SELECT 42, 1 WHERE FALSE"_s << QStringList();
        QTest::newRow("timestamps across the fall-back hour, to DB2")
            << Side::Oracle << u"TIMESTAMP"_s
            << u"SELECT TIMESTAMP '2024-11-03 00:00:00' + g * INTERVAL '30 second', g FROM "
               "generate_series(0, 480) g"_s
            << QStringList{u"TZ=America/New_York"_s};
        QTest::newRow("signed 64-bit ends, to Oracle")
            << Side::Db2 << u"BIGINT"_s
            << u"SELECT seq, seq FROM seq_1_to_1000 UNION ALL SELECT %1, 1001 UNION ALL SELECT "
               "%2, 1002"_s.arg(max, min)
            << QStringList();
        QTest::newRow("negative keys, to Oracle")
            << Side::Db2 << u"BIGINT"_s << u"SELECT -seq, seq FROM seq_1_to_1000"_s
            << QStringList();
        QTest::newRow("unsigned above 2^63, to Oracle")
            << Side::Db2 << u"BIGINT UNSIGNED"_s
            << u"SELECT seq, seq FROM seq_1_to_500 UNION ALL SELECT 18446744073709551615 - seq, "
               "seq + 500 FROM seq_0_to_499"_s
            << QStringList();
        QTest::newRow("timestamps across the fall-back hour, to Oracle")
            << Side::Db2 << u"DATETIME(6)"_s
            << u"SELECT TIMESTAMP '2024-11-03 00:00:00' + INTERVAL seq * 30 SECOND, seq FROM "
               "seq_0_to_480"_s
            << QStringList{u"TZ=America/New_York"_s};
    }
    void keySetsSplitAndResumed() {
        QFETCH(Side, from);
        QFETCH(QString, type);
        QFETCH(QString, keys);
        QFETCH(QStringList, environment);
        const Side to = standin::otherSide(from);
        const QString table = u"Cli_Keys"_s;
        standin::dropOnBothSides(table);
        const auto drop = droppedAtEnd({table});
        standin::execute(from,
                         u"CREATE TABLE \"%1\" (k %2 PRIMARY KEY, n INTEGER)"_s.arg(table, type));
        standin::execute(from, u"INSERT INTO \"%1\" %2"_s.arg(table, keys));
        const qint64 rows = countRows(from, table);
        const QStringList copy{u"--config"_s, config_, u"copy"_s, u"--to"_s,
                               to == Side::Db2 ? u"db2"_s : u"oracle"_s};
        // What a step printed, and what then differs: nothing when it held.
        const auto step = [&](const QStringList& options) {
            const Result result = run(copy + options + QStringList{table}, -1, SIGINT, environment);
            const QString said = result.out + result.err;
            if (result.status != 0 ||
                !result.out.startsWith(u"copied \"%1\": %2 read"_s.arg(table).arg(rows)))
                return said;
            if (exists(to, table) && countRows(to, table) != rows)
                return said + u"but the target holds %1 rows"_s.arg(countRows(to, table));
            const Result compared = run({u"--config"_s, config_, u"compare"_s, u"--to"_s,
                                         to == Side::Db2 ? u"db2"_s : u"oracle"_s, table});
            return compared.status == 0 ? QString() : said + compared.out;
        };
        QCOMPARE(step({u"--split"_s, u"8"_s}), QString());
        standin::execute(to, u"DELETE FROM \"%1\" WHERE MOD(n, 3) = 0"_s.arg(table));
        QCOMPARE(step({u"--resume"_s}), QString());
        standin::execute(to, u"DELETE FROM \"%1\" WHERE MOD(n, 3) = 1"_s.arg(table));
        QCOMPARE(step({u"--resume"_s, u"--bulk"_s, u"--split"_s, u"3"_s}), QString());
    }

    // A target table made before, its columns in another order: the rows a
    // resume or a split adds go into their columns by name.
    void addsIntoColumnsByName_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("resume") << QStringList{u"--resume"_s};
        QTest::newRow("resume in bulk") << QStringList{u"--resume"_s, u"--bulk"_s};
        QTest::newRow("split resume") << QStringList{u"--resume"_s, u"--split"_s, u"2"_s};
    }
    void addsIntoColumnsByName() {
        QFETCH(QStringList, options);
        const QString table = u"Cli_Names"_s;
        standin::dropOnBothSides(table);
        const auto drop = droppedAtEnd({table});
        standin::execute(Side::Oracle,
                         u"CREATE TABLE \"%1\" (\"ID\" INTEGER PRIMARY KEY, "
                         "\"FIRST_NAME\" VARCHAR(20), \"LAST_NAME\" VARCHAR(20))"_s.arg(table));
        standin::execute(Side::Oracle, u"INSERT INTO \"%1\" SELECT g, 'first ' || g, 'last ' || "
                                       "g FROM generate_series(1, 300) g"_s.arg(table));
        standin::execute(Side::Db2,
                         u"CREATE TABLE \"%1\" (\"ID\" INTEGER PRIMARY KEY, "
                         "\"LAST_NAME\" VARCHAR(20), \"FIRST_NAME\" VARCHAR(20))"_s.arg(table));
        standin::execute(Side::Db2,
                         u"INSERT INTO \"%1\" VALUES (1, 'last 1', 'first 1')"_s.arg(table));
        const Result result =
            cli(QStringList{u"copy"_s, u"--to"_s, u"db2"_s} + options + QStringList{table});
        QVERIFY2(result.status == 0, qPrintable(result.out + result.err));
        QCOMPARE(countRows(Side::Db2, table), 300);
        const QStringList rows = contents(Side::Db2, table);
        QCOMPARE(rows.filter(QRegularExpression(u"^(\\d+)\\|last \\1\\|first \\1$"_s)).size(), 300);
    }

    // A table named twice is copied once, also by jobs that would run at
    // once. A split replaces the target's table of another spelling with
    // one of the source's, which its parts fill, and its condition reaches
    // the comparison of --verify.
    void tableNamedTwiceAndSplitWhere() {
        const QString table = u"Cli_Twice_Jobs"_s;
        createKeyed(table, 3000);
        const auto drop = droppedAtEnd({table, table.toUpper()});
        const Result twice =
            cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--jobs"_s, u"2"_s, table, table});
        QCOMPARE(twice.status, 0);
        QCOMPARE(twice.out.count(u"copied \"Cli_Twice_Jobs\": 3000 read, 3000 inserted"_s), 1);
        QCOMPARE(countRows(Side::Db2, table), 3000);
        standin::execute(Side::Db2, u"RENAME TABLE \"%1\" TO \"%2\""_s.arg(table, table.toUpper()));
        const Result where = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--replace"_s, u"--split"_s,
                                  u"2"_s, u"--where"_s, u"k <= 500"_s, u"--verify"_s, table});
        QVERIFY2(where.status == 0 &&
                     where.out.startsWith(u"copied \"Cli_Twice_Jobs\": 500 read, 500 inserted"_s) &&
                     where.out.contains(u"equal \"Cli_Twice_Jobs\": source 500 rows, target 500"_s),
                 qPrintable(where.out + where.err));
        QVERIFY(!exists(Side::Db2, table.toUpper()));
    }

    // A key of dates or timestamps is cut by time: every row arrives once,
    // the fractions of a second between two parts' bounds included.
    void splitsByATimeKey_data() {
        QTest::addColumn<Side>("from");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::newRow("dates, to DB2") << Side::Oracle << u"DATE"_s << u"DATE '2000-01-01' + g"_s;
        QTest::newRow("timestamps, to DB2")
            << Side::Oracle << u"TIMESTAMP"_s
            << u"TIMESTAMP '2024-01-01 08:00:00' + g * INTERVAL '1.25 second'"_s;
        QTest::newRow("timestamps, to Oracle")
            << Side::Db2 << u"DATETIME(6)"_s
            << u"TIMESTAMP '2024-01-01 08:00:00' + INTERVAL g * 1250 MICROSECOND"_s;
    }
    void splitsByATimeKey() {
        QFETCH(Side, from);
        QFETCH(QString, type);
        QFETCH(QString, value);
        const QString table = u"Cli_Split_Time"_s;
        const Side to = standin::otherSide(from);
        standin::dropOnBothSides(table);
        const auto drop = droppedAtEnd({table});
        standin::execute(
            from, u"CREATE TABLE \"%1\" (t %2 PRIMARY KEY, note VARCHAR(20))"_s.arg(table, type));
        const QString series = from == Side::Oracle
                                   ? u"generate_series(1, 3001) AS s(g)"_s
                                   : u"(SELECT seq AS g FROM seq_1_to_3001) AS s"_s;
        standin::execute(
            from, u"INSERT INTO \"%1\" SELECT %2, 'row' FROM %3"_s.arg(table, value, series));
        const Result copied = cli({u"copy"_s, u"--to"_s, to == Side::Db2 ? u"db2"_s : u"oracle"_s,
                                   u"--bulk"_s, u"--split"_s, u"4"_s, u"--verify"_s, table});
        QCOMPARE(copied.status, 0);
        QVERIFY2(copied.out.startsWith(u"copied \"Cli_Split_Time\": 3001 read, 3001 inserted"_s),
                 qPrintable(copied.out));
        QCOMPARE(countRows(to, table), 3001);
    }

    // A table is split by its key: one without a key to cut by, or whose
    // key the servers cannot cut exactly, is refused with the reason, and
    // nothing is made on the target.
    void splitNeedsAKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no key") << u"g AS k"_s
                                << u"has no key of one whole-number, date or timestamp column"_s;
        QTest::newRow("keys past 10^30")
            << u"CAST(g * 100000000000000000000000000000000000 AS NUMERIC(38, 0)) AS k"_s
            << u"whole numbers beyond 10^30 either way are not cut"_s;
    }
    void splitNeedsAKey() {
        QFETCH(QString, key);
        QFETCH(QString, reason);
        const QString table = u"Cli_Split_Unkeyed"_s;
        standin::dropOnBothSides(table);
        standin::execute(Side::Oracle, u"CREATE TABLE \"%1\" AS SELECT %2 FROM "
                                       "generate_series(1, 10) g"_s.arg(table, key));
        if (key.contains(u"NUMERIC"_s))
            standin::execute(Side::Oracle, u"ALTER TABLE \"%1\" ADD PRIMARY KEY (k)"_s.arg(table));
        const Result result = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--split"_s, u"2"_s, table});
        standin::dropIfExists(Side::Oracle, table);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(reason), qPrintable(result.err));
        QVERIFY2(result.out.startsWith(u"failed \"Cli_Split_Unkeyed\""_s), qPrintable(result.out));
        QVERIFY(!exists(Side::Db2, table));
    }

    // A table the target has already is skipped as a whole copy of it
    // would be, its rows counted on both sides.
    void splitSkipsATableThere() {
        const QString table = u"Cli_Split_There"_s;
        createKeyed(table, 100);
        const auto drop = droppedAtEnd({table});
        QCOMPARE(cli({u"copy"_s, u"--to"_s, u"db2"_s, table}).status, 0);
        const Result result = cli({u"copy"_s, u"--to"_s, u"db2"_s, u"--split"_s, u"2"_s, table});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.startsWith(u"skipped \"Cli_Split_There\""_s), qPrintable(result.out));
        QVERIFY2(!result.out.contains(u"the target holds"_s), qPrintable(result.out));
    }

    // A stop during a split copy: its one line adds up what the parts
    // inserted, which is what the table holds.
    void splitCopyStopped() {
        const QString table = u"Cli_Split_Stop"_s;
        createKeyed(table, 120000);
        const auto drop = droppedAtEnd({table});
        const Result result = run(QStringList{u"--config"_s, config_, u"copy"_s, u"--to"_s,
                                              u"db2"_s, u"--split"_s, u"3"_s, table},
                                  3000);
        QCOMPARE(result.status, 128 + SIGINT);
        const QRegularExpressionMatch match =
            QRegularExpression(u"^interrupted \"Cli_Split_Stop\": \\d+ read, (\\d+) inserted"_s)
                .match(result.out);
        QVERIFY2(match.hasMatch(), qPrintable(result.out));
        QCOMPARE(countRows(Side::Db2, table), match.captured(1).toLongLong());
        QCOMPARE(result.err.count(u"stopped by Ctrl-C"_s), 1);
    }

    void dropATableNamedTwice() {
        createMix(Side::Db2, u"Cli_Twice"_s);
        const Result result = cli({u"drop"_s, u"--on"_s, u"db2"_s, u"Cli_Twice"_s, u"Cli_Twice"_s});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, u"dropped \"Cli_Twice\"\n"_s);
    }
};

QTEST_MAIN(CliTest)
#include "cli_test.moc"
