#include "CursorFile.h"

#include "Pointer.h"
#include "shell/Failure.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace ui {

namespace {

// ICONDIR: reserved (0), type (1 icon, 2 cursor), entry count; then one
// 16-byte ICONDIRENTRY per image. In a cursor the entry's colour-plane and
// bit-count fields hold the hot spot instead.
constexpr qsizetype directorySize = 6;
constexpr qsizetype entrySize = 16;
constexpr quint16 iconType = 1;
constexpr quint16 cursorType = 2;
// Far above any real pointer; keeps a wrong file from being read whole.
constexpr qint64 largestCursorFile = 4 * 1024 * 1024;
constexpr int standardCursorSize = 32;

struct Entry {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    quint32 size = 0;
    quint32 offset = 0;
};

quint16 word(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 doubleWord(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

Entry readEntry(const QByteArray& data, int index) {
    const qsizetype at = directorySize + index * entrySize;
    Entry entry;
    // A size byte of 0 stands for 256.
    entry.width = static_cast<quint8>(data.at(at)) == 0 ? 256 : static_cast<quint8>(data.at(at));
    entry.height =
        static_cast<quint8>(data.at(at + 1)) == 0 ? 256 : static_cast<quint8>(data.at(at + 1));
    entry.hotX = word(data, at + 4);
    entry.hotY = word(data, at + 6);
    entry.size = doubleWord(data, at + 8);
    entry.offset = doubleWord(data, at + 12);
    return entry;
}

[[noreturn]] void notACursor(const QString& path, const QString& why) {
    throw shell::Failure(
        QStringLiteral("The pointer file %1 cannot be read as a cursor: %2.").arg(path, why));
}

} // namespace

QString CursorFilePath(const QString& programFolder) {
    return programFolder + u'/' + QString::fromUtf16(cursorFileName);
}

QCursor LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        notACursor(path, file.errorString());
    }
    if (file.size() > largestCursorFile) {
        notACursor(path, QStringLiteral("the file is far too large"));
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        notACursor(path, file.errorString());
    }

    if (data.size() < directorySize) {
        notACursor(path, QStringLiteral("the file is too short"));
    }
    const quint16 type = word(data, 2);
    const int count = word(data, 4);
    if (word(data, 0) != 0 || (type != cursorType && type != iconType)) {
        notACursor(path, QStringLiteral("the file does not start like a cursor"));
    }
    if (count == 0) {
        notACursor(path, QStringLiteral("the file holds no image"));
    }
    const qsizetype imagesStart = directorySize + count * entrySize;
    if (data.size() < imagesStart) {
        notACursor(path, QStringLiteral("the file is cut short"));
    }

    // The platform takes the image made for its pointer size when there is one.
    int chosen = 0;
    for (int index = 0; index < count; ++index) {
        const Entry entry = readEntry(data, index);
        if (entry.width == standardCursorSize && entry.height == standardCursorSize) {
            chosen = index;
            break;
        }
    }
    const Entry entry = readEntry(data, chosen);
    if (entry.offset < imagesStart || entry.size == 0 || entry.offset > data.size() ||
        entry.size > data.size() - entry.offset) {
        notACursor(path, QStringLiteral("the image lies outside the file"));
    }

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, type == cursorType ? "cur" : "ico");
    QImage image;
    if (!reader.jumpToImage(chosen) || !reader.read(&image) || image.isNull()) {
        notACursor(path, reader.errorString());
    }

    int hotX = entry.hotX;
    int hotY = entry.hotY;
    if (type == iconType) {
        hotX = image.width() / 2;
        hotY = image.height() / 2;
    }
    if (hotX >= image.width() || hotY >= image.height()) {
        notACursor(path, QStringLiteral("the hot spot lies outside the image"));
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

void LoadCustomPointerImage(QWidget* window, const QString& path) {
    setCustomPointerImage(window, LoadCursorFile(path));
}

} // namespace ui
