#include "BareConnection.h"
#include "CliRun.h"
#include "Harness.h"
#include "compare/Comparison.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/Statements.h"
#include "support/ProcessMemory.h"
#include "transfer/Datatype.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace bench {

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
Peaks childPeaks(const QString& table, bool bulk, bool compare, bool readDb2) {
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

} // namespace bench
