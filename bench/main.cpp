// The performance harness. Prints one table of figures with their targets:
//
//     bash bench/run.sh            full size (starts and stops the stand-ins)
//     duskferry_bench --tiny       smoke size; the figures are printed, not judged
#include "BareConnection.h"
#include "BenchData.h"
#include "CliRun.h"
#include "Probes.h"
#include "compare/Comparison.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "front/KeepLive.h"
#include "kernel/Statements.h"
#include "support/ProcessMemory.h"
#include "support/TableManagerControls.h"
#include "transfer/Datatype.h"
#include "transfer/TransferRun.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace {

using bench::Side;

struct Sizes {
    int copyRows = 100'000;
    int copyRepeats = 3;
    int buildRows = 200'000;
    int smallWideRows = 5'000; // x 10 KB = 50 MB
    int largeWideRows = 50'000;
    int catalogueTables = 5'000;
    int lanRows = 20'000;
    int compareRows = 100'000;
    int largeCompareRows = 1'000'000;
    int resumeRows = 1'000'000;
    int rowByRowSample = 50'000;
    int jobsRows = 100'000; // per table, four tables
    int jobsRowByRowRows = 10'000;
    int splitRows = 400'000;
    int splitRowByRowRows = 40'000;
};

const Sizes tinySizes{300,   1,     20'000, 100, 500, 50,    200, 300,
                      3'000, 3'000, 300,    500, 100, 2'000, 400};

struct Figure {
    QString name;
    QString measured;
    QString target;
    bool pass;
};

QList<Figure> figures;

void report(const QString& name, const QString& measured, const QString& target, bool pass) {
    figures.append({name, measured, target, pass});
    std::printf("  %-48s %14s   %s\n", qPrintable(name), qPrintable(measured), qPrintable(target));
    std::fflush(stdout);
}

// The table manager's controls, offscreen and shown.
struct Window : TableManagerControls {
    bench::CountingDialogs dialogs;

    Window() { window.show(); }

    // Copies one table from `from`; the target list starts empty.
    void copy(Side from, const QString& table) {
        list(Side::Oracle).clear();
        list(Side::Db2).clear();
        copyTable(from, table, dialogs);
    }
};

[[noreturn]] void fail(const QString& why) {
    std::fprintf(stderr, "duskferry_bench: %s\n", qPrintable(why));
    std::exit(2);
}

// The floor's statements for a table: its CREATE TABLE and one INSERT per
// row, built before any clock starts.
struct FloorStatements {
    QString create;
    QList<QString> inserts;
};

FloorStatements floorStatements(Side from, const QString& table) {
    const db::Side target = db::OtherSide(from);
    FloorStatements statements;
    db::Connection source;
    source.setCursorLocation(db::CursorLocation::Client);
    source.Open(bench::connectionString(from));
    db::RowSet rows;
    rows.Open(kernel::SelectAllStatement(table), source);
    QList<std::pair<QString, int>> fields;
    for (int f = 0; f < rows.Fields().count(); ++f) {
        fields.append({rows.Fields().item(f).Name(), rows.Fields().item(f).Type()});
    }
    statements.create = transfer::CreateTableStatement(target, table, fields);
    QList<db::Value> values(fields.size());
    for (; !rows.Eof(); rows.MoveNext()) {
        for (int f = 0; f < fields.size(); ++f) {
            values[f] = rows.Fields().item(f).Value();
        }
        statements.inserts.append(kernel::InsertStatement(target, table, values));
    }
    return statements;
}

// The per-row floor: the very same INSERT texts the run sends, in a bare
// loop straight to the driver on this thread, no session layer.
double floorRate(Side to, const QString& table, const FloorStatements& statements) {
    standin::dropIfExists(to, table);
    bench::BareConnection connection(bench::connectionString(to));
    connection.execute(statements.create);
    QElapsedTimer clock;
    clock.start();
    for (const QString& insert : statements.inserts) {
        connection.execute(insert);
    }
    return statements.inserts.size() / (clock.nsecsElapsed() / 1e9);
}

// One copy through the table manager's run, rows/s; every row must arrive.
double copyRate(Side from, const QString& table, int rows, const kernel::CopyOptions& options,
                bench::GapMeter& gaps) {
    const Side to = db::OtherSide(from);
    standin::dropIfExists(to, table);
    Window window;
    window.options = options;
    // A window's first paint (fonts, style) is no part of a copy.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QApplication::processEvents();
    }
    QElapsedTimer clock;
    gaps.arm();
    clock.start();
    window.copy(from, table);
    const double seconds = clock.nsecsElapsed() / 1e9;
    gaps.disarm();
    if (window.dialogs.errorReports != 0) {
        fail(QStringLiteral("the copy reported: ") + window.dialogs.lastText);
    }
    const qint64 copied = bench::rowCount(to, table);
    if (copied != rows) {
        fail(QStringLiteral("%1 rows arrived of %2").arg(copied).arg(rows));
    }
    return copied / seconds;
}

QString directionName(Side from) {
    return from == Side::Oracle ? QStringLiteral("Oracle -> DB2") : QStringLiteral("DB2 -> Oracle");
}

QString rate(double rowsPerSecond) {
    return QString::number(rowsPerSecond, 'f', 0);
}

// Figures 1, 4 and 6: the copy through the transfer run, row by row and in
// bulk, against the floor of the same table in the same run.
void measureThroughput(Side from, const Sizes& sizes, bench::GapMeter& rowGaps,
                       bench::GapMeter& bulkGaps) {
    const Side to = db::OtherSide(from);
    const QString table = QStringLiteral("BenchMixed");
    const QString direction = directionName(from);
    bench::createMixedTable(from, table, sizes.copyRows);
    const FloorStatements statements = floorStatements(from, table);

    double bestCopy = 0, bestFloor = 0, bestBulk = 0;
    for (int repeat = 0; repeat < sizes.copyRepeats; ++repeat) {
        bestFloor = std::max(bestFloor, floorRate(to, table, statements));
        bestCopy = std::max(bestCopy, copyRate(from, table, sizes.copyRows, {}, rowGaps));
        bestBulk = std::max(bestBulk, copyRate(from, table, sizes.copyRows,
                                               kernel::CopyOptions{true, 1000}, bulkGaps));
    }
    standin::dropIfExists(to, table);
    standin::dropIfExists(from, table);

    const double ratio = bestCopy / bestFloor;
    const double bulkRatio = bestBulk / bestFloor;
    report(QStringLiteral("1. copy %1, rows/s").arg(direction), rate(bestCopy), QString(), true);
    report(QStringLiteral("   floor %1 (bare INSERT loop), rows/s").arg(direction), rate(bestFloor),
           QString(), true);
    report(QStringLiteral("   copy / floor %1").arg(direction), QString::number(ratio, 'f', 3),
           QStringLiteral(">= 0.90"), ratio >= 0.90);
    report(QStringLiteral("   bulk copy %1, rows/s").arg(direction), rate(bestBulk), QString(),
           true);
    report(QStringLiteral("   bulk / floor %1").arg(direction), QString::number(bulkRatio, 'f', 1),
           QStringLiteral(">= 5"), bulkRatio >= 5);
}

// Points the stand-ins' ports of this process at relays that add `delay`
// each way, while it lives.
class Lan {
public:
    explicit Lan(std::chrono::microseconds delay) {
        for (const char* variable : {"PGPORT", "STANDIN_DB2_PORT"}) {
            auto* relay = new QProcess;
            relay->start(QStringLiteral(DUSKFERRY_RELAY),
                         {QString::fromLatin1(qgetenv(variable)), QString::number(delay.count())});
            if (!relay->waitForReadyRead(5000)) {
                fail(QStringLiteral("the relay did not start"));
            }
            saved_.append({variable, qgetenv(variable)});
            qputenv(variable, relay->readLine().trimmed());
            relays_.append(relay);
        }
    }
    ~Lan() {
        for (const auto& [variable, value] : saved_) {
            qputenv(variable, value);
        }
        for (QProcess* relay : relays_) {
            relay->kill();
            relay->waitForFinished();
            delete relay;
        }
    }

private:
    QList<QProcess*> relays_;
    QList<std::pair<const char*, QByteArray>> saved_;
};

// Figure 6: the same copies with 0.25 ms added each way between the program
// and both servers, as on a LAN.
void measureLan(Side from, const Sizes& sizes) {
    const Side to = db::OtherSide(from);
    const QString table = QStringLiteral("BenchLan");
    const QString direction = directionName(from);
    bench::createMixedTable(from, table, sizes.lanRows);
    bench::GapMeter unused;
    double floor = 0, copy = 0, bulk = 0;
    {
        const Lan lan(std::chrono::microseconds(250));
        const FloorStatements statements = floorStatements(from, table);
        floor = floorRate(to, table, statements);
        copy = copyRate(from, table, sizes.lanRows, {}, unused);
        bulk = copyRate(from, table, sizes.lanRows, kernel::CopyOptions{true, 1000}, unused);
    }
    standin::dropIfExists(to, table);
    standin::dropIfExists(from, table);
    report(QStringLiteral("6. LAN floor %1, rows/s").arg(direction), rate(floor), QString(), true);
    report(QStringLiteral("   LAN copy %1, rows/s").arg(direction), rate(copy), QString(), true);
    report(QStringLiteral("   LAN copy / floor %1").arg(direction),
           QString::number(copy / floor, 'f', 3), QStringLiteral(">= 0.90"), copy / floor >= 0.90);
    report(QStringLiteral("   LAN bulk copy %1, rows/s").arg(direction), rate(bulk), QString(),
           true);
    report(QStringLiteral("   LAN bulk / floor %1").arg(direction),
           QString::number(bulk / floor, 'f', 1), QStringLiteral(">= 20"), bulk / floor >= 20);
}

// Figure 2: one INSERT for a row of 20 mixed values.
void measureStatementBuilding(const Sizes& sizes) {
    using Kind = db::Value::Kind;
    QList<db::Value> row;
    for (int i = 0; i < 4; ++i) {
        row << db::Value(Kind::Integer, QString::number(123456 + i))
            << db::Value(Kind::Text, QStringLiteral("O'Brien \u00e9t\u00e9 %1").arg(i))
            << db::Value(Kind::Decimal, QStringLiteral("1234.56")) << db::Value()
            << db::Value::boolean(i % 2 == 0);
    }
    row[7] = db::Value(Kind::Timestamp, QStringLiteral("2024-02-29 13:45:07.25"));
    row[12] = db::Value(Kind::Date, QStringLiteral("2024-02-29"));
    row[17] = db::Value(Kind::Text, QString(60, u'x'));
    QString statement;
    qsizetype checksum = 0;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < sizes.buildRows; ++r) {
        kernel::BeginInsert(statement, u"PEOPLE");
        for (const db::Value& value : row) {
            kernel::AppendValue(statement, kernel::ValueOrDefault(value, {}),
                                r % 2 ? db::Side::Db2 : db::Side::Oracle);
        }
        kernel::EndInsert(statement);
        checksum += statement.size();
    }
    const double micros = clock.nsecsElapsed() / 1e3 / sizes.buildRows;
    if (checksum == 0) {
        fail(QStringLiteral("no statement built"));
    }
    report(QStringLiteral("2. build one INSERT of 20 values, us/row"),
           QString::number(micros, 'f', 2), QStringLiteral("< 5"), micros < 5);
}

// Rows/s reading every value of a table through the session layer, read
// ahead as each side of a comparison is read.
double readRate(Side side, const QString& table) {
    db::Connection connection;
    connection.setCursorLocation(db::CursorLocation::Client);
    connection.setReadAhead(true);
    connection.Open(bench::connectionString(side));
    QElapsedTimer clock;
    clock.start();
    db::RowSet rows;
    rows.Open(kernel::SelectAllStatement(table), connection);
    qint64 read = 0;
    for (; !rows.Eof(); rows.MoveNext(), ++read) {
        for (int f = 0; f < rows.Fields().count(); ++f) {
            rows.Fields().item(f).Value();
        }
    }
    return double(read) / (clock.nsecsElapsed() / 1e9);
}

// Figure 3, in a child process so each copy has its own peaks: resident
// memory and the disk space of the temporary row file, in KiB.
struct Peaks {
    qint64 residentKiB = 0;
    qint64 rowFileKiB = 0;
};

Peaks childPeaks(const QString& table, bool bulk, bool compare = false, bool readDb2 = false) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--memory-child"), table};
    if (bulk) {
        arguments << QStringLiteral("--bulk");
    }
    if (compare) {
        arguments << QStringLiteral("--compare");
    }
    if (readDb2) {
        arguments << QStringLiteral("--read-db2");
    }
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        fail(QStringLiteral("the memory child failed for ") + table);
    }
    const QStringList figures =
        QString::fromLatin1(child.readAllStandardOutput()).simplified().split(u' ');
    return {figures.value(0).toLongLong(), figures.value(1).toLongLong()};
}

int memoryChild(const QString& table, bool bulk, bool compare, bool readDb2) {
    if (readDb2) {
        readRate(Side::Db2, table);
        std::printf("%lld 0\n", static_cast<long long>(peakResidentKiB()));
        return 0;
    }
    if (compare) {
        QStringList reports;
        CompareWithCopy(Side::Oracle, table, &reports);
        if (!reports.isEmpty()) {
            fail(QStringLiteral("the comparison reported: ") + reports.join(u'\n'));
        }
        std::printf("%lld 0\n", static_cast<long long>(peakResidentKiB()));
        return 0;
    }
    Window window;
    window.options.bulk = bulk;
    qint64 rowFilePeak = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { rowFilePeak = std::max(rowFilePeak, rowFileBytes()); });
    sampler.start(10);
    window.copy(Side::Oracle, table);
    if (window.dialogs.errorReports != 0) {
        fail(QStringLiteral("the copy reported: ") + window.dialogs.lastText);
    }
    standin::dropIfExists(Side::Db2, table);
    std::printf("%lld %lld\n", static_cast<long long>(peakResidentKiB()),
                static_cast<long long>(rowFilePeak / 1024));
    return 0;
}

void measureMemory(const Sizes& sizes, bool bulk) {
    constexpr int rowBytes = 10'000;
    const QString small = QStringLiteral("BenchWideSmall");
    const QString large = QStringLiteral("BenchWideLarge");
    bench::createWideTable(Side::Oracle, small, sizes.smallWideRows, rowBytes);
    bench::createWideTable(Side::Oracle, large, sizes.largeWideRows, rowBytes);
    standin::dropIfExists(Side::Db2, small);
    standin::dropIfExists(Side::Db2, large);
    const Peaks smallPeaks = childPeaks(small, bulk);
    const Peaks largePeaks = childPeaks(large, bulk);
    standin::dropIfExists(Side::Oracle, small);
    standin::dropIfExists(Side::Oracle, large);
    const auto mib = [](qint64 kib) { return QString::number(kib / 1024.0, 'f', 1); };
    const double smallMB = sizes.smallWideRows * rowBytes / 1e6;
    const double largeMB = sizes.largeWideRows * rowBytes / 1e6;
    const QString mode = bulk ? QStringLiteral(", bulk") : QString();
    report(QStringLiteral("3. peak RSS, copy of %1 MB%2, MiB").arg(smallMB).arg(mode),
           mib(smallPeaks.residentKiB), QString(), true);
    report(QStringLiteral("   peak RSS, copy of %1 MB%2, MiB").arg(largeMB).arg(mode),
           mib(largePeaks.residentKiB), QString(), true);
    const double extraMiB = (largePeaks.residentKiB - smallPeaks.residentKiB) / 1024.0;
    report(QStringLiteral("   larger minus smaller%1, MiB").arg(mode),
           QString::number(extraMiB, 'f', 1), QStringLiteral("< 64"), extraMiB < 64);
    report(QStringLiteral("   peak row file, copy of %1 MB%2, MiB").arg(smallMB).arg(mode),
           mib(smallPeaks.rowFileKiB), QString(), true);
    report(QStringLiteral("   peak row file, copy of %1 MB%2, MiB").arg(largeMB).arg(mode),
           mib(largePeaks.rowFileKiB), QString(), true);
    const double extraFileMiB = (largePeaks.rowFileKiB - smallPeaks.rowFileKiB) / 1024.0;
    report(QStringLiteral("   row file, larger minus smaller%1, MiB").arg(mode),
           QString::number(extraFileMiB, 'f', 1), QStringLiteral("<= 64"), extraFileMiB <= 64);
}

void measureCatalogue(const Sizes& sizes) {
    const QString prefix = QStringLiteral("BenchCat");
    for (Side side : {Side::Oracle, Side::Db2}) {
        bench::createManyTables(side, prefix, sizes.catalogueTables);
        // The window's list view, with the model that keeps the names in order.
        QListView view;
        view.setModel(new shell::TableListModel(&view));
        const shell::TableList list(view.selectionModel());
        QElapsedTimer clock;
        clock.start();
        if (side == Side::Oracle) {
            db::LoadOracleTables(list, bench::connectionString(side));
        } else {
            db::LoadDb2Tables(list, bench::connectionString(side));
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        bench::dropManyTables(side, prefix, sizes.catalogueTables);
        if (list.count() < sizes.catalogueTables) {
            fail(QStringLiteral("only %1 tables listed").arg(list.count()));
        }
        report(QStringLiteral("5. list %1 %2 tables, s")
                   .arg(sizes.catalogueTables)
                   .arg(side == Side::Oracle ? QStringLiteral("Oracle") : QStringLiteral("DB2")),
               QString::number(seconds, 'f', 3), QStringLiteral("< 2"), seconds < 2);
    }
}

// Rows/s reading both sides at once, a row of each in turn, each read ahead
// on its own thread as a comparison reads them, and nothing compared: what
// two cores give for the reading alone while both servers work.
double bothReadRate(const QString& table) {
    db::Connection oracle;
    db::Connection db2;
    for (auto [connection, side] : {std::pair{&oracle, Side::Oracle}, std::pair{&db2, Side::Db2}}) {
        connection->setCursorLocation(db::CursorLocation::Client);
        connection->setReadAhead(true);
        connection->Open(bench::connectionString(side));
    }
    QElapsedTimer clock;
    clock.start();
    db::RowSet oracleRows;
    db::RowSet db2Rows;
    oracleRows.Open(kernel::SelectAllStatement(table), oracle);
    db2Rows.Open(kernel::SelectAllStatement(table), db2);
    qint64 read = 0;
    while (!oracleRows.Eof() || !db2Rows.Eof()) {
        for (db::RowSet* rows : {&oracleRows, &db2Rows}) {
            if (!rows->Eof()) {
                for (int f = 0; f < rows->Fields().count(); ++f) {
                    rows->Fields().item(f).Value();
                }
                rows->MoveNext();
            }
        }
        ++read;
    }
    return double(read) / (clock.nsecsElapsed() / 1e9);
}

// A keyed table of the mixed columns on the Oracle side and its copy (exact
// types, bulk) on the DB2 side.
void createComparedPair(const QString& table, int rows) {
    bench::createMixedTable(Side::Oracle, table, rows);
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    Window window;
    window.options = kernel::CopyOptions{true, 1000, true};
    window.copy(Side::Oracle, table);
    if (window.dialogs.errorReports != 0 || bench::rowCount(Side::Db2, table) != rows) {
        fail(QStringLiteral("the copy to compare did not arrive whole: ") +
             window.dialogs.lastText);
    }
}

// Figure 7: a comparison against the rate each side is read at alone, and
// the one changed value of a million-row pair, in flat memory.
void measureCompare(const Sizes& sizes) {
    const QString table = QStringLiteral("BenchCompare");
    createComparedPair(table, sizes.compareRows);
    const double oracleRead = readRate(Side::Oracle, table);
    const double db2Read = readRate(Side::Db2, table);
    const double bothRead = bothReadRate(table);
    QElapsedTimer clock;
    clock.start();
    const compare::TableComparison equal = CompareWithCopy(Side::Oracle, table);
    const double compareRate = sizes.compareRows / (clock.nsecsElapsed() / 1e9);
    if (equal.outcome != compare::TableComparison::Outcome::Equal) {
        fail(QStringLiteral("the copy compared: ") + compare::ComparisonText(equal));
    }
    const qint64 peak = childPeaks(table, false, true).residentKiB;
    const qint64 readPeak = childPeaks(table, false, false, true).residentKiB;
    standin::dropIfExists(Side::Db2, table);
    standin::dropIfExists(Side::Oracle, table);
    const double slower = std::min(oracleRead, db2Read);
    report(QStringLiteral("7. read alone, Oracle side, rows/s"), rate(oracleRead), QString(), true);
    report(QStringLiteral("   read alone, DB2 side, rows/s"), rate(db2Read), QString(), true);
    report(QStringLiteral("   both sides read at once, nothing compared, rows/s"), rate(bothRead),
           QString(), true);
    report(QStringLiteral("   compare, rows/s"), rate(compareRate), QString(), true);
    report(QStringLiteral("   compare / slower read"),
           QString::number(compareRate / slower, 'f', 2), QStringLiteral(">= 1.0"),
           compareRate >= slower);

    const QString large = QStringLiteral("BenchCompareLarge");
    createComparedPair(large, sizes.largeCompareRows);
    const int changed = sizes.largeCompareRows / 2 + 1;
    bench::executeLarge(
        Side::Db2, QStringLiteral("UPDATE \"%1\" SET \"ratio\" = \"ratio\" + 1e-9 WHERE \"k\" = %2")
                       .arg(large)
                       .arg(changed));
    clock.start();
    const compare::TableComparison one = CompareWithCopy(Side::Oracle, large);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 largePeak = childPeaks(large, false, true).residentKiB;
    const qint64 largeReadPeak = childPeaks(large, false, false, true).residentKiB;
    standin::dropIfExists(Side::Db2, large);
    standin::dropIfExists(Side::Oracle, large);
    const bool found = one.onlySource == 0 && one.onlyTarget == 0 && one.differing == 1 &&
                       one.differences.size() == 1 &&
                       one.differences[0].key == QStringLiteral("\"k\" = '%1'").arg(changed) &&
                       one.differences[0].columns.size() == 1;
    report(QStringLiteral("   %1-row pair, one value changed, s").arg(sizes.largeCompareRows),
           QString::number(seconds, 'f', 1), QString(), true);
    report(QStringLiteral("   ... rows/s"), rate(sizes.largeCompareRows / seconds), QString(),
           true);
    report(QStringLiteral("   ... found exactly that row"),
           found ? QStringLiteral("yes") : compare::ComparisonText(one).left(60),
           QStringLiteral("yes"), found);
    // MariaDB Connector/ODBC 3.1.15 keeps a whole result in memory (it
    // streams from 3.1.17 on, with NO_CACHE): what the DB2 side's read alone
    // grows by is the driver's; the comparison may add nothing that grows.
    const qint64 growth = largePeak - peak;
    const qint64 driverGrowth = largeReadPeak - readPeak;
    report(QStringLiteral("   peak memory comparing %1 / %2 rows, MiB")
               .arg(sizes.compareRows)
               .arg(sizes.largeCompareRows),
           QStringLiteral("%1 / %2").arg(peak / 1024).arg(largePeak / 1024), QString(), true);
    report(QStringLiteral("   peak reading the DB2 side alone, MiB"),
           QStringLiteral("%1 / %2").arg(readPeak / 1024).arg(largeReadPeak / 1024), QString(),
           true);
    report(QStringLiteral("   compare's growth beyond the driver's, MiB"),
           QString::number((growth - driverGrowth) / 1024), QStringLiteral("< 16"),
           growth - driverGrowth < 16 * 1024);
}

// Seconds for a copy of the table from the Oracle side into the DB2 side:
// afresh, or (resume) adding to the table there what it lacks.
double copySeconds(const QString& table, kernel::CopyOptions options, bool resume) {
    Window window;
    options.resume = resume;
    window.options = options;
    if (resume) {
        window.list(Side::Db2).insertName(table);
    } else {
        standin::dropIfExists(Side::Db2, table);
    }
    QElapsedTimer clock;
    clock.start();
    window.copyTable(Side::Oracle, table, window.dialogs);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (window.dialogs.errorReports != 0) {
        fail(QStringLiteral("the copy reported: ") + window.dialogs.lastText);
    }
    return seconds;
}

// A resume of the table after only the first nine tenths arrived, in the
// mode given; it must leave every row there once.
double resumeSeconds(const QString& table, int rows, const kernel::CopyOptions& options) {
    bench::executeLarge(
        Side::Db2,
        QStringLiteral("DELETE FROM \"%1\" WHERE \"k\" > %2").arg(table).arg(rows / 10 * 9));
    const double seconds = copySeconds(table, options, true);
    if (bench::rowCount(Side::Db2, table) != rows) {
        fail(QStringLiteral("the resume left %1 rows of %2")
                 .arg(bench::rowCount(Side::Db2, table))
                 .arg(rows));
    }
    return seconds;
}

// Figure 8: resuming a table of which 90 % arrived, against copying it
// afresh in the same mode, on loopback and through the relay.
void measureResume(const Sizes& sizes) {
    const QString table = QStringLiteral("BenchResume");
    const int rows = sizes.resumeRows;
    bench::createMixedTable(Side::Oracle, table, rows);
    bench::executeLarge(Side::Oracle,
                        QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    const kernel::CopyOptions bulk{true, 1000};
    const auto judge = [&](const QString& name, const QString& mode, double fresh, double resumed,
                           const QString& how) {
        report(QStringLiteral("%1 fresh copy, s%2").arg(name, how), QString::number(fresh, 'f', 1),
               QString(), true);
        report(QStringLiteral("   resume of the last 10 %, s"), QString::number(resumed, 'f', 1),
               QString(), true);
        report(QStringLiteral("   resume / fresh, %1").arg(mode),
               QString::number(resumed / fresh, 'f', 2), QStringLiteral("<= 0.25"),
               resumed / fresh <= 0.25);
    };
    const double freshBulk = copySeconds(table, bulk, false);
    judge(QStringLiteral("8. %1 rows, bulk,").arg(rows), QStringLiteral("bulk"), freshBulk,
          resumeSeconds(table, rows, bulk), QString());
    // A fresh row-by-row copy of the whole table would take minutes: its
    // time is the rate of a copy of its first rows, times the table.
    kernel::CopyOptions sample;
    sample.where = QStringLiteral("k <= %1").arg(sizes.rowByRowSample);
    const double sampleSeconds = copySeconds(table, sample, false);
    bench::executeLarge(Side::Db2, QStringLiteral("DROP TABLE \"%1\"").arg(table));
    copySeconds(table, bulk, false);
    judge(QStringLiteral("   row by row,"), QStringLiteral("row by row"),
          sampleSeconds * rows / sizes.rowByRowSample, resumeSeconds(table, rows, {}),
          QStringLiteral(" (from %1 rows)").arg(sizes.rowByRowSample));
    {
        const Lan lan(std::chrono::microseconds(250));
        const double freshLan = copySeconds(table, bulk, false);
        judge(QStringLiteral("8. LAN, bulk,"), QStringLiteral("LAN bulk"), freshLan,
              resumeSeconds(table, rows, bulk), QString());
    }
    const compare::TableComparison after = CompareWithCopy(Side::Oracle, table);
    report(QStringLiteral("   the resumed table compares equal"),
           compare::OutcomeWord(after.outcome), QStringLiteral("equal"),
           after.outcome == compare::TableComparison::Outcome::Equal);
    standin::dropIfExists(Side::Db2, table);
    standin::dropIfExists(Side::Oracle, table);
}

// Rows a second of one command-line copy of these tables to the DB2 side.
double cliRate(const QStringList& tables, qint64 rows, const QStringList& options,
               qint64* peakKiB = nullptr, double* busy = nullptr) {
    const bench::CliRun run = bench::RunCli(
        QStringList{QStringLiteral("copy"), QStringLiteral("--to"), QStringLiteral("db2"),
                    QStringLiteral("--replace"), QStringLiteral("--no-progress")} +
        options + tables);
    if (run.status != 0) {
        fail(QStringLiteral("the command line's copy ended with %1: %2%3")
                 .arg(run.status)
                 .arg(run.out, run.err));
    }
    if (peakKiB != nullptr) {
        *peakKiB = run.peakKiB;
    }
    if (busy != nullptr) {
        *busy = run.busy;
    }
    return double(rows) / run.seconds;
}

// Figure 9: the command line's parallel jobs, several tables or one table's
// key ranges at once, through the relay and on loopback; the memory of the
// program and its jobs together.
void measureJobs(const Sizes& sizes) {
    QStringList bulkTables;
    QStringList rowTables;
    for (int i = 1; i <= 4; ++i) {
        bulkTables << QStringLiteral("BenchJobs%1").arg(i);
        bench::createMixedTable(Side::Oracle, bulkTables.last(), sizes.jobsRows);
        rowTables << QStringLiteral("BenchJobsRow%1").arg(i);
        bench::createMixedTable(Side::Oracle, rowTables.last(), sizes.jobsRowByRowRows);
    }
    const QString split = QStringLiteral("BenchSplit");
    const QString rowSplit = QStringLiteral("BenchSplitRow");
    for (const auto& [table, rows] :
         {std::pair{split, sizes.splitRows}, std::pair{rowSplit, sizes.splitRowByRowRows}}) {
        bench::createMixedTable(Side::Oracle, table, rows);
        bench::executeLarge(Side::Oracle,
                            QStringLiteral("ALTER TABLE \"%1\" ADD PRIMARY KEY (k)").arg(table));
    }
    const QStringList bulk{QStringLiteral("--bulk")};
    const QStringList one{QStringLiteral("--jobs"), QStringLiteral("1")};
    const QStringList four{QStringLiteral("--jobs"), QStringLiteral("4")};
    const QStringList split4{QStringLiteral("--split"), QStringLiteral("4")};
    const qint64 bulkRows = 4LL * sizes.jobsRows;
    const qint64 rowRows = 4LL * sizes.jobsRowByRowRows;
    const auto judge = [](const QString& name, double single, double parallel, double least) {
        report(name, QStringLiteral("%1 / %2").arg(qint64(single)).arg(qint64(parallel)), QString(),
               true);
        report(QStringLiteral("   ratio"), QString::number(parallel / single, 'f', 2),
               QStringLiteral(">= %1").arg(least), parallel / single >= least);
    };
    {
        const Lan lan(std::chrono::microseconds(250));
        judge(QStringLiteral("9. LAN, 4 tables row by row, rows/s 1 / 4 jobs"),
              cliRate(rowTables, rowRows, one), cliRate(rowTables, rowRows, four), 3.5);
        double busy = 0;
        const double single = cliRate(bulkTables, bulkRows, bulk + one, nullptr, &busy);
        judge(QStringLiteral("   LAN, 4 tables bulk, rows/s 1 / 4 jobs"), single,
              cliRate(bulkTables, bulkRows, bulk + four), 1.6);
        // A bulk copy keeps the program and both servers busy: jobs can add
        // no more than the processors left idle by one.
        report(QStringLiteral("   processors busy during one bulk job, %"),
               QString::number(qRound(busy * 100)), QString(), true);
        judge(QStringLiteral("   LAN, one table row by row, rows/s 1 / split 4"),
              cliRate({rowSplit}, sizes.splitRowByRowRows, {}),
              cliRate({rowSplit}, sizes.splitRowByRowRows, split4), 3.0);
        judge(QStringLiteral("   LAN, one table bulk, rows/s 1 / split 4"),
              cliRate({split}, sizes.splitRows, bulk),
              cliRate({split}, sizes.splitRows, bulk + split4), 1.5);
    }
    report(QStringLiteral("   loopback, row by row, rows/s 1 / 4 jobs"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate(rowTables, rowRows, one)))
               .arg(qint64(cliRate(rowTables, rowRows, four))),
           QString(), true);
    report(QStringLiteral("   loopback, bulk, rows/s 1 / 4 jobs"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate(bulkTables, bulkRows, bulk + one)))
               .arg(qint64(cliRate(bulkTables, bulkRows, bulk + four))),
           QString(), true);
    report(QStringLiteral("   loopback, one table bulk, rows/s 1 / split 4"),
           QStringLiteral("%1 / %2")
               .arg(qint64(cliRate({split}, sizes.splitRows, bulk)))
               .arg(qint64(cliRate({split}, sizes.splitRows, bulk + split4))),
           QString(), true);
    // Eight tables, bulk: the program and its jobs, each with its own
    // connections and buffers.
    const QStringList eight = bulkTables + rowTables;
    const qint64 eightRows = bulkRows + rowRows;
    qint64 peak[3] = {};
    const int jobs[3] = {1, 4, 8};
    for (int i = 0; i < 3; ++i) {
        cliRate(eight, eightRows,
                bulk + QStringList{QStringLiteral("--jobs"), QString::number(jobs[i])}, &peak[i]);
    }
    report(
        QStringLiteral("   peak memory with 1 / 4 / 8 jobs, MiB"),
        QStringLiteral("%1 / %2 / %3").arg(peak[0] / 1024).arg(peak[1] / 1024).arg(peak[2] / 1024),
        QString(), true);
    // Linear: no more than a one-job run's memory per job, and one more for
    // the program that runs them.
    const bool linear = peak[1] <= 5 * peak[0] && peak[2] <= 9 * peak[0];
    report(QStringLiteral("   memory per job beyond one job's, MiB"),
           QString::number((peak[2] - peak[0]) / 8 / 1024), QStringLiteral("linear in jobs"),
           linear);
    for (const QString& table : eight + QStringList{split, rowSplit}) {
        standin::dropIfExists(Side::Db2, table);
        standin::dropIfExists(Side::Oracle, table);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // As the program does: its windows are served while a copy waits.
    front::KeepLive();
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("tiny"), QStringLiteral("Smoke size; figures not judged.")});
    parser.addOption({QStringLiteral("only"),
                      QStringLiteral("Measure only these figures (comma-separated numbers)."),
                      QStringLiteral("figures")});
    parser.addOption(
        {QStringLiteral("memory-child"), QStringLiteral("(internal)"), QStringLiteral("table")});
    parser.addOption({QStringLiteral("bulk"), QStringLiteral("(internal)")});
    parser.addOption({QStringLiteral("compare"), QStringLiteral("(internal)")});
    parser.addOption({QStringLiteral("read-db2"), QStringLiteral("(internal)")});
    parser.process(app);

    QString why;
    if (!standin::load(&why)) {
        fail(why);
    }
    if (parser.isSet(QStringLiteral("memory-child"))) {
        return memoryChild(
            parser.value(QStringLiteral("memory-child")), parser.isSet(QStringLiteral("bulk")),
            parser.isSet(QStringLiteral("compare")), parser.isSet(QStringLiteral("read-db2")));
    }
    const bool tiny = parser.isSet(QStringLiteral("tiny"));
    const Sizes sizes = tiny ? tinySizes : Sizes{};

    std::printf("Duskferry benchmark%s\n", tiny ? " (tiny: figures not judged)" : "");
    std::printf("  %-48s %14s   %s\n", "figure", "measured", "target");
    const QStringList only = parser.value(QStringLiteral("only")).split(u',', Qt::SkipEmptyParts);
    const auto wanted = [&](const char* figure) {
        return only.isEmpty() || only.contains(QLatin1String(figure));
    };
    bench::GapMeter rowGaps;
    bench::GapMeter bulkGaps;
    if (wanted("1") || wanted("4")) {
        measureThroughput(Side::Oracle, sizes, rowGaps, bulkGaps);
        measureThroughput(Side::Db2, sizes, rowGaps, bulkGaps);
    }
    if (wanted("2")) {
        measureStatementBuilding(sizes);
    }
    if (wanted("3")) {
        measureMemory(sizes, false);
        measureMemory(sizes, true);
    }
    if (wanted("1") || wanted("4")) {
        report(QStringLiteral("4. longest event-loop gap during the copies, ms"),
               QString::number(rowGaps.longestGapMs(), 'f', 1), QStringLiteral("< 50"),
               rowGaps.longestGapMs() < 50);
        report(QStringLiteral("   longest gap during the bulk copies, ms"),
               QString::number(bulkGaps.longestGapMs(), 'f', 1), QStringLiteral("< 50"),
               bulkGaps.longestGapMs() < 50);
    }
    if (wanted("5")) {
        measureCatalogue(sizes);
    }
    if (wanted("6")) {
        measureLan(Side::Oracle, sizes);
        measureLan(Side::Db2, sizes);
    }
    if (wanted("7")) {
        measureCompare(sizes);
    }
    if (wanted("8")) {
        measureResume(sizes);
    }
    if (wanted("9")) {
        measureJobs(sizes);
    }

    bool allPass = true;
    std::printf("\n");
    for (const Figure& figure : figures) {
        if (!figure.target.isEmpty()) {
            std::printf("  %-4s %s\n", figure.pass ? "PASS" : "FAIL", qPrintable(figure.name));
            allPass = allPass && figure.pass;
        }
    }
    return tiny || allPass ? 0 : 1;
}
