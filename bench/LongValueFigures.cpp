// Figures 10 and 11: values of megabytes, which go through a file of their
// own in pieces: the memory of such a copy, and its pace beside a table of
// the same bytes in ordinary rows and beside the servers' own tools.
#include "BenchData.h"
#include "CliRun.h"
#include "Harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace bench {

namespace {

const QString lobTable = QStringLiteral("Bench_Lob");
const QString smallTable = QStringLiteral("Bench_Lob_Small");
const QString rowsTable = QStringLiteral("Bench_Lob_Rows");
const QString nativeTable = QStringLiteral("Bench_Lob_Native");

// Each row a text and bytes of valueBytes, different in every row.
void createLobTable(const QString& table, int rows, qint64 valueBytes) {
    standin::dropIfExists(Side::Oracle, table);
    executeLarge(Side::Oracle,
                 QStringLiteral("CREATE TABLE \"%1\" (\"ID\" integer PRIMARY KEY, \"T\" text, "
                                "\"B\" bytea)")
                     .arg(table));
    executeLarge(Side::Oracle,
                 QStringLiteral("INSERT INTO \"%1\" SELECT g, REPEAT(md5(g::text), %2), "
                                "decode(REPEAT(md5((g + 1)::text), %3), 'hex') "
                                "FROM generate_series(1, %4) g")
                     .arg(table)
                     .arg(valueBytes / 32)
                     .arg(valueBytes / 16)
                     .arg(rows));
}

// Each row's key and the MD5 of its values, as the server computes them.
QString serverDigests(Side side, const QString& table) {
    QString output;
    standin::adminSql(
        side,
        QStringLiteral("SELECT \"ID\", MD5(\"T\"), MD5(\"B\") FROM \"%1\" ORDER BY 1").arg(table),
        &output);
    return output;
}

// psqlODBC reads a thousand rows ahead, each whole; the vendors' drivers
// hand a LOB over as a locator and read it as it is asked for. So that the
// figure measures the program rather than the stand-in's prefetch, the
// copies run with psqlODBC fetching one row at a time.
class OneRowAtATime {
public:
    OneRowAtATime() : before_(qgetenv("ODBCSYSINI")) {
        QFile in(QDir(QString::fromLocal8Bit(before_)).filePath(QStringLiteral("odbcinst.ini")));
        QFile out(dir_.filePath(QStringLiteral("odbcinst.ini")));
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
            fail(QStringLiteral("cannot copy odbcinst.ini"));
        }
        out.write(in.readAll().replace("\nFetch=1000", "\nFetch=1"));
        out.close();
        qputenv("ODBCSYSINI", QFile::encodeName(dir_.path()));
    }
    ~OneRowAtATime() { qputenv("ODBCSYSINI", before_); }
    OneRowAtATime(const OneRowAtATime&) = delete;
    OneRowAtATime& operator=(const OneRowAtATime&) = delete;

private:
    QByteArray before_;
    QTemporaryDir dir_;
};

CliRun copyToDb2(const QString& table, bool bulk, bool dryRun = false) {
    QStringList arguments{QStringLiteral("copy"), QStringLiteral("--to"), QStringLiteral("db2"),
                          QStringLiteral("--exact-types"), QStringLiteral("--replace")};
    if (bulk) {
        arguments << QStringLiteral("--bulk");
    }
    if (dryRun) {
        arguments << QStringLiteral("--dry-run");
    }
    CliRun run = RunCli(arguments << table);
    if (run.status != 0) {
        fail(QStringLiteral("the copy of %1 failed: %2").arg(table, run.out + run.err));
    }
    return run;
}

double mib(qint64 kib) {
    return double(kib) / 1024.0;
}

// psql's \copy into mariadb's LOAD DATA, the bytes as hex on the way.
double nativeSeconds() {
    standin::dropIfExists(Side::Db2, nativeTable);
    executeLarge(Side::Db2, QStringLiteral("CREATE TABLE \"%1\" (\"ID\" integer PRIMARY KEY, "
                                           "\"T\" LONGTEXT, \"B\" LONGBLOB)")
                                .arg(nativeTable));
    const QString script =
        QStringLiteral(
            "PGPASSWORD=\"$STANDIN_ORA_PWD\" psql -h 127.0.0.1 -U \"$STANDIN_ORA_USER\" -d "
            "\"$STANDIN_ORA_USER\" -qc '\\copy (SELECT \"ID\", \"T\", encode(\"B\", '\\''hex'\\'') "
            "FROM \"%1\") TO STDOUT' | mariadb -S \"$STANDIN_MY_SOCKET\" -u root "
            "--local-infile=1 --max-allowed-packet=1G \"$STANDIN_DB2_DATABASE\" -e "
            "\"LOAD DATA LOCAL INFILE '/dev/stdin' INTO TABLE %2 (ID, T, @b) SET B = UNHEX(@b)\"")
            .arg(lobTable, nativeTable);
    QProcess shell;
    shell.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0) {
        fail(QStringLiteral("the native pipeline failed"));
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    standin::dropIfExists(Side::Db2, nativeTable);
    return seconds;
}

} // namespace

void measureLongValues(const Sizes& sizes) {
    const qint64 valueBytes = qint64(sizes.longValueMiB) << 20;
    const qint64 bytes = 2 * valueBytes * sizes.longValueRows;
    createLobTable(lobTable, sizes.longValueRows, valueBytes);
    createLobTable(smallTable, sizes.longValueRows, 8 * 1024);
    {
        const OneRowAtATime oneRow;
        for (const bool bulk : {false, true}) {
            const CliRun small = copyToDb2(smallTable, bulk);
            const CliRun large = copyToDb2(lobTable, bulk);
            const bool equal =
                serverDigests(Side::Db2, lobTable) == serverDigests(Side::Oracle, lobTable);
            const double above = mib(large.peakKiB - small.peakKiB);
            report(QStringLiteral("10. %1 x 2 x %2 MiB O->DB2 %3: MiB above 8 KiB")
                       .arg(sizes.longValueRows)
                       .arg(sizes.longValueMiB)
                       .arg(bulk ? QStringLiteral("bulk") : QStringLiteral("row")),
                   QString::number(above, 'f', 1) +
                       (equal ? QString() : QStringLiteral(" UNEQUAL")),
                   QStringLiteral("<= 64, MD5 equal"), above <= 64 && equal);
        }
        // What reading alone costs: the driver holds each row whole.
        const double reading = mib(copyToDb2(lobTable, false, true).peakKiB -
                                   copyToDb2(smallTable, false, true).peakKiB);
        report(QStringLiteral("    of which reading the source (a dry run)"),
               QString::number(reading, 'f', 1), {}, true);
    }
    // The same bytes in rows of 2 KiB of text.
    standin::dropIfExists(Side::Oracle, rowsTable);
    executeLarge(Side::Oracle,
                 QStringLiteral("CREATE TABLE \"%1\" (\"ID\" integer PRIMARY KEY, \"T\" text)")
                     .arg(rowsTable));
    executeLarge(Side::Oracle, QStringLiteral("INSERT INTO \"%1\" SELECT g, REPEAT(md5(g::text), "
                                              "64) FROM generate_series(1, %2) g")
                                   .arg(rowsTable)
                                   .arg(bytes / 2048));
    const double lobRate = double(bytes) / copyToDb2(lobTable, true).seconds / 1e6;
    const double rowsRate = double(bytes) / copyToDb2(rowsTable, true).seconds / 1e6;
    const double nativeRate = double(bytes) / nativeSeconds() / 1e6;
    report(QStringLiteral("11. bulk MB/s LOB / 2 KiB rows (native %1)")
               .arg(QString::number(nativeRate, 'f', 1)),
           QStringLiteral("%1 / %2 = %3")
               .arg(QString::number(lobRate, 'f', 1), QString::number(rowsRate, 'f', 1),
                    QString::number(lobRate / rowsRate, 'f', 2)),
           QStringLiteral(">= 0.5"), lobRate >= 0.5 * rowsRate);
    for (const QString& table : {lobTable, smallTable, rowsTable}) {
        standin::dropOnBothSides(table);
    }
}

// Figure 12: the types preview of a large table, with and without fitting
// its unbounded numbers and texts to the data, beside one scan of it that
// reads each of the columns the fitting measures.
void measureTypePreview(const Sizes& sizes) {
    const QString table = QStringLiteral("Bench_Fit");
    const int rows = sizes.largeCompareRows;
    standin::dropIfExists(Side::Oracle, table);
    executeLarge(Side::Oracle, QStringLiteral("CREATE TABLE \"%1\" AS SELECT g AS k, "
                                              "CAST(g * 1.25 AS numeric) AS amount, md5(g::text) "
                                              "AS note FROM generate_series(1, %2) g")
                                   .arg(table)
                                   .arg(rows));
    const auto preview = [&](bool fit) {
        QStringList arguments{QStringLiteral("types"), QStringLiteral("--to"),
                              QStringLiteral("db2"), QStringLiteral("--exact-types")};
        if (fit) {
            arguments << QStringLiteral("--fit-types");
        }
        const CliRun run = RunCli(arguments << table);
        if (run.status != 0 || (fit && !run.out.contains(QStringLiteral("fitted")))) {
            fail(QStringLiteral("the types preview failed: ") + run.out + run.err);
        }
        return run.seconds;
    };
    // The best of three of each, so that none pays for a cold cache alone.
    db::Connection connection = standin::openAsOwner(Side::Oracle);
    double plain = 1e9;
    double fitted = 1e9;
    double scan = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        connection.Execute(QStringLiteral("SELECT MAX(amount), MAX(note) FROM \"%1\"").arg(table));
        scan = std::min(scan, double(clock.nsecsElapsed()) / 1e9);
        plain = std::min(plain, preview(false));
        fitted = std::min(fitted, preview(true));
    }
    report(QStringLiteral("12. types of %1 rows: plain / fitted / one scan, s").arg(rows),
           QStringLiteral("%1 / %2 / %3")
               .arg(plain, 0, 'f', 2)
               .arg(fitted, 0, 'f', 2)
               .arg(scan, 0, 'f', 2),
           {}, true);
    report(QStringLiteral("    fitting's cost in scans"),
           QString::number((fitted - plain) / scan, 'f', 2), QStringLiteral("<= 1"),
           fitted - plain <= scan);
    standin::dropIfExists(Side::Oracle, table);
}

} // namespace bench
