#include "RowStore.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace db::detail {

namespace {
std::atomic<qint64> budget{64LL * 1024 * 1024};
constexpr qsizetype fileWindow = 1 << 20;
constexpr unsigned char errorMarker = 0xff;

template <class T> void put(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putText(QByteArray& out, const QString& text) {
    put<qint64>(out, text.size());
    out.append(reinterpret_cast<const char*>(text.constData()),
               text.size() * qsizetype(sizeof(QChar)));
}

[[noreturn]] void fail(const char* what) {
    throw Error(QStringLiteral("Temporary row file: %1: %2")
                    .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))));
}
} // namespace

RowStore::RowStore() = default;

RowStore::~RowStore() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

void RowStore::setMemoryBudget(qint64 bytes) {
    budget = bytes;
}
qint64 RowStore::memoryBudget() {
    return budget;
}

void RowStore::append(const std::vector<Cell>& row) {
    // The row is encoded apart first, so the in-memory buffer never grows past
    // the budget (its growth would double the memory it holds).
    QByteArray& encoded = encoded_;
    encoded.clear();
    put<quint32>(encoded, quint32(row.size()));
    for (const Cell& cell : row) {
        if (cell.failed) {
            put<unsigned char>(encoded, errorMarker);
            putText(encoded, cell.error);
        } else {
            put<unsigned char>(encoded, static_cast<unsigned char>(cell.value.kind()));
            if (!cell.value.isNull()) {
                putText(encoded, cell.value.text());
            }
        }
    }
    if (file_ < 0 && buffer_.size() + encoded.size() > budget) {
        spill();
    }
    buffer_.append(encoded);
    ++rows_;
    if (file_ >= 0 && buffer_.size() >= fileWindow) {
        flushWrites();
    }
}

void RowStore::spill() {
    QByteArray pattern =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/duskferry-rows-XXXXXX"));
    file_ = ::mkstemp(pattern.data()); // created 0600
    if (file_ < 0) {
        fail("create");
    }
    ::unlink(pattern.constData());
    flushWrites();
}

void RowStore::flushWrites() {
    const char* data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(file_, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("write");
        }
        data += written;
        left -= written;
    }
    buffer_.clear();
}

void RowStore::startReading() {
    rowsRead_ = 0;
    readPosition_ = 0;
    if (file_ >= 0) {
        flushWrites();
        buffer_.squeeze();
        if (::lseek(file_, 0, SEEK_SET) < 0) {
            fail("seek");
        }
    }
}

bool RowStore::fill(qsizetype needed) {
    if (buffer_.size() - readPosition_ >= needed) {
        return true;
    }
    if (file_ < 0) {
        return false;
    }
    buffer_.remove(0, readPosition_);
    readPosition_ = 0;
    while (buffer_.size() < needed) {
        const qsizetype old = buffer_.size();
        const qsizetype chunk = std::max(fileWindow, needed - old);
        buffer_.resize(old + chunk);
        const ssize_t got = ::read(file_, buffer_.data() + old, std::size_t(chunk));
        if (got < 0) {
            buffer_.resize(old);
            if (errno == EINTR) {
                continue;
            }
            fail("read");
        }
        buffer_.resize(old + got);
        if (got == 0) {
            return false;
        }
    }
    return true;
}

void RowStore::take(void* target, qsizetype size) {
    if (!fill(size)) {
        throw Error(QStringLiteral("Temporary row file: unexpected end"));
    }
    std::memcpy(target, buffer_.constData() + readPosition_, std::size_t(size));
    readPosition_ += size;
}

bool RowStore::next(std::vector<Cell>& row) {
    if (rowsRead_ >= rows_) {
        return false;
    }
    quint32 count = 0;
    take(&count, sizeof count);
    row.resize(count);
    for (Cell& cell : row) {
        unsigned char kind = 0;
        take(&kind, sizeof kind);
        QString text;
        if (kind != static_cast<unsigned char>(Value::Kind::Null)) {
            qint64 length = 0;
            take(&length, sizeof length);
            text.resize(qsizetype(length));
            take(text.data(), qsizetype(length) * qsizetype(sizeof(QChar)));
        }
        cell.failed = kind == errorMarker;
        if (cell.failed) {
            cell.value = Value();
            cell.error = text;
        } else {
            cell.value = Value(static_cast<Value::Kind>(kind), text);
            cell.error.clear();
        }
    }
    ++rowsRead_;
    return true;
}

} // namespace db::detail
