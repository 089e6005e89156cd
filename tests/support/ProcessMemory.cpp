#include "ProcessMemory.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <sys/stat.h>

qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

qint64 rowFileBytes() {
    qint64 bytes = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(descriptors.filePath(fd));
        if (!target.contains(u"/duskferry-rows-") && !target.contains(u"/duskferry-value-")) {
            continue;
        }
        struct stat file {};
        if (::fstat(fd.toInt(), &file) == 0) {
            bytes += qint64(file.st_blocks) * 512;
        }
    }
    return bytes;
}
