#include "CliRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <utility>

namespace bench {

namespace {

QString variable(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

qint64 residentKiB(const QString& pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return 0;
}

// The program's resident memory and its jobs', which are its children.
qint64 treeKiB(qint64 pid) {
    qint64 total = residentKiB(QString::number(pid));
    const QByteArray parent = QByteArray::number(pid);
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (!entry.front().isDigit()) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (name) state ppid ...: the name may hold blanks, not ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == parent) {
            total += residentKiB(entry);
        }
    }
    return total;
}

// The machine's processor time so far, busy and in all, in ticks.
std::pair<qint64, qint64> processorTicks() {
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return {0, 0};
    }
    // cpu user nice system idle iowait irq softirq steal ...
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    qint64 all = 0;
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
        all += fields[i].toLongLong();
    }
    const qint64 idle = fields.value(4).toLongLong() + fields.value(5).toLongLong();
    return {all - idle, all};
}

} // namespace

CliRun RunCli(const QStringList& arguments) {
    QTemporaryFile config;
    config.open();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DUSKFERRY_ORACLE_SERVER"), variable("STANDIN_ORA_SID"));
    environment.insert(QStringLiteral("DUSKFERRY_ORACLE_USER"), variable("STANDIN_ORA_USER"));
    environment.insert(QStringLiteral("DUSKFERRY_ORACLE_PASSWORD"), variable("STANDIN_ORA_PWD"));
    environment.insert(QStringLiteral("DUSKFERRY_DB2_SERVER"), variable("STANDIN_DB2_HOST"));
    environment.insert(QStringLiteral("DUSKFERRY_DB2_PORT"), variable("STANDIN_DB2_PORT"));
    environment.insert(QStringLiteral("DUSKFERRY_DB2_USER"), variable("STANDIN_DB2_USER"));
    environment.insert(QStringLiteral("DUSKFERRY_DB2_PASSWORD"), variable("STANDIN_DB2_PWD"));
    environment.insert(QStringLiteral("DUSKFERRY_DB2_DATABASE"), variable("STANDIN_DB2_DATABASE"));
    process.setProcessEnvironment(environment);
    CliRun run;
    const auto [busyBefore, allBefore] = processorTicks();
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(DUSKFERRY_CLI),
                  QStringList{QStringLiteral("--config"), config.fileName()} + arguments);
    if (!process.waitForStarted()) {
        return run;
    }
    while (!process.waitForFinished(20)) {
        run.peakKiB = std::max(run.peakKiB, treeKiB(process.processId()));
    }
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    const auto [busyAfter, allAfter] = processorTicks();
    run.busy =
        allAfter > allBefore ? double(busyAfter - busyBefore) / double(allAfter - allBefore) : 0;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace bench
