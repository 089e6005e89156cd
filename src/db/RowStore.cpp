#include "RowStore.h"

#include "shell/Yield.h"

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
// What a value costs in memory beyond its characters (string header, cell).
constexpr qint64 cellOverhead = 64;

[[noreturn]] void fail(const char* what) {
    throw Error(QStringLiteral("Temporary row file: %1: %2")
                    .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 memoryCost(const Cell& cell) {
    return cellOverhead + (cell.value.text().size() + cell.error.size()) * qint64(sizeof(QChar));
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
    columns_ = row.size();
    ++rows_;
    if (file_ < 0) {
        qint64 cost = 0;
        for (const Cell& cell : row) {
            cost += memoryCost(cell);
        }
        if (memoryBytes_ + cost <= budget) {
            memory_.insert(memory_.end(), row.begin(), row.end());
            memoryBytes_ += cost;
            return;
        }
        spill();
    }
    encode(row.data(), row.size());
    if (buffer_.size() >= fileWindow) {
        flushWrites();
    }
}

// Row layout in the file: per cell a kind byte (or the error marker), then for
// anything but Null the length in characters and the UTF-16 text.
void RowStore::encode(const Cell* cells, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const Cell& cell = cells[i];
        const unsigned char kind =
            cell.failed ? errorMarker : static_cast<unsigned char>(cell.value.kind());
        buffer_.append(static_cast<char>(kind));
        if (kind != static_cast<unsigned char>(Value::Kind::Null)) {
            const QString& text = cell.failed ? cell.error : cell.value.text();
            const qint64 length = text.size();
            buffer_.append(reinterpret_cast<const char*>(&length), sizeof length);
            buffer_.append(reinterpret_cast<const char*>(text.constData()),
                           text.size() * qsizetype(sizeof(QChar)));
        }
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
    // Everything read so far goes to the file now: tens of megabytes, encoded
    // and freed value by value, so the window gets its turns meanwhile.
    for (std::size_t written = 1; !memory_.empty(); ++written) {
        encode(&memory_.front(), 1);
        memory_.pop_front();
        if (buffer_.size() >= fileWindow) {
            flushWrites();
        }
        if (written % 1024 == 0) {
            shell::yieldToEventLoop();
        }
    }
    memoryBytes_ = 0;
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
    buffer_.resize(0);
}

void RowStore::startReading() {
    rowsRead_ = 0;
    readIndex_ = 0;
    readPosition_ = 0;
    if (file_ >= 0) {
        flushWrites();
        if (::lseek(file_, 0, SEEK_SET) < 0) {
            fail("seek");
        }
    }
}

bool RowStore::fill(qsizetype needed) {
    if (buffer_.size() - readPosition_ >= needed) {
        return true;
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
    ++rowsRead_;
    row.resize(columns_);
    if (file_ < 0) {
        // Forward only: each row is read once, so its values can move out.
        for (Cell& cell : row) {
            cell = std::move(memory_[readIndex_++]);
        }
        return true;
    }
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
            cell.error = std::move(text);
        } else {
            cell.value = Value(static_cast<Value::Kind>(kind), std::move(text));
            cell.error.clear();
        }
    }
    return true;
}

} // namespace db::detail
