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
std::atomic<qint64> fileLimitBytes{64LL * 1024 * 1024};
constexpr qsizetype fileWindow = 1 << 20;
constexpr unsigned char errorMarker = 0xff;
constexpr unsigned char longMarker = 0xfe;
// What a value costs in memory beyond its characters (string header, cell).
constexpr qint64 cellOverhead = 64;

[[noreturn]] void fail(const char* what) {
    throw Error(QStringLiteral("Temporary row file: %1: %2")
                    .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 memoryCost(const std::vector<Cell>& row) {
    qint64 cost = 0;
    for (const Cell& cell : row) {
        // A long value's bytes are in a file of their own, which counts
        // against the budget all the same: the rows read ahead are bounded
        // on disk too.
        const LongValue* body = cell.value.longValue();
        cost += cellOverhead + (body ? body->size() : 0) +
                (cell.value.text().size() + cell.error.size()) * qint64(sizeof(QChar));
    }
    return cost;
}
} // namespace

RowStore::RowStore(bool bounded) : bounded_(bounded) {}

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
void RowStore::setFileLimit(qint64 bytes) {
    fileLimitBytes = bytes;
}
qint64 RowStore::fileLimit() {
    return fileLimitBytes;
}

void RowStore::abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

void RowStore::removeBound() {
    {
        std::lock_guard lock(mutex_);
        bounded_ = false;
    }
    changed_.notify_all();
}

void RowStore::append(const std::vector<Cell>& row) {
    if (broken_) {
        throw Error(QStringLiteral("Temporary row file: an earlier write failed"));
    }
    if (file_ < 0) {
        const qint64 cost = memoryCost(row);
        if (memoryBytes_ + cost <= budget) {
            memoryBytes_ += cost;
            bool wake = false;
            {
                std::lock_guard lock(mutex_);
                memory_.push_back(row);
                ++rows_;
                wake = takersWaiting_ > 0 && memory_.size() >= wakeRows;
            }
            // A wake-up per row costs the two threads more than the row: a
            // taker that sleeps is woken for a handful of rows, or finds
            // them when its wait times out.
            if (wake) {
                changed_.notify_all();
            }
            return;
        }
        // From here on every row goes to the file; the rows in memory stay
        // there, to be taken first.
        const int file = OpenUnlinkedTemporaryFile("rows");
        std::lock_guard lock(mutex_);
        file_ = file;
    }
    encode(row);
    {
        std::lock_guard lock(mutex_);
        ++rows_;
    }
    // A long value's row is written at once: the wait for room is there.
    if (writeBuffer_.size() >= fileWindow || parkedInBuffer_) {
        flushWrites();
    }
}

// Row layout in the file: per cell a kind byte (or the error marker), then for
// anything but Null the length in characters and the UTF-16 text; a long
// value is its marker, its kind byte and the number it is parked under.
void RowStore::encode(const std::vector<Cell>& row) {
    for (const Cell& cell : row) {
        const unsigned char kind =
            cell.failed ? errorMarker : static_cast<unsigned char>(cell.value.kind());
        if (const std::shared_ptr<const LongValue>& body = cell.value.sharedLongValue()) {
            // Its bytes are in a file of their own already: the row file
            // holds the number it is parked under.
            const qint64 number = parkedNumber_++;
            {
                std::lock_guard lock(mutex_);
                parked_.emplace(number, body);
                parkedBytes_ += body->size();
            }
            parkedInBuffer_ = true;
            writeBuffer_.append(static_cast<char>(longMarker));
            writeBuffer_.append(static_cast<char>(kind));
            writeBuffer_.append(reinterpret_cast<const char*>(&number), sizeof number);
            continue;
        }
        writeBuffer_.append(static_cast<char>(kind));
        if (kind != static_cast<unsigned char>(Value::Kind::Null)) {
            const QString& text = cell.failed ? cell.error : cell.value.text();
            const qint64 length = text.size();
            writeBuffer_.append(reinterpret_cast<const char*>(&length), sizeof length);
            writeBuffer_.append(reinterpret_cast<const char*>(text.constData()),
                                text.size() * qsizetype(sizeof(QChar)));
        }
    }
    ++written_;
}

// Only whole rows reach the file at once, so the taking side never sees half
// of one. A write that fails, even after part of the buffer went out, leaves
// the store broken: the rows of the buffer are dropped (and no longer
// counted), and nothing is ever written after the partial bytes, which would
// put every later row out of step.
void RowStore::flushWrites() {
    const qint64 size = writeBuffer_.size();
    qint64 at = 0;
    {
        std::unique_lock lock(mutex_);
        const qint64 limit = fileLimitBytes;
        changed_.wait(lock, [&] {
            return abandoned_ || !bounded_ || fileBytes_ + parkedBytes_ + size <= limit ||
                   fileRead_ == fileBytes_;
        });
        if (abandoned_) {
            throw Error(QStringLiteral("The row set was closed while its rows were read"));
        }
        if (bounded_ && fileBytes_ + parkedBytes_ + size > limit && fileRead_ == fileBytes_) {
            // Everything in the file has been read: its space is free again.
            fileBytes_ = fileRead_ = 0;
        }
        at = fileBytes_;
    }
    const char* data = writeBuffer_.constData();
    qsizetype left = writeBuffer_.size();
    while (left > 0) {
        const ssize_t n =
            ::pwrite(file_, data, std::size_t(left), at + (data - writeBuffer_.constData()));
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0) {
                errno = ENOSPC;
            }
            const int cause = errno;
            broken_ = true;
            writeBuffer_.clear();
            {
                std::lock_guard lock(mutex_);
                rows_ -= written_ - fileRows_;
            }
            written_ = fileRows_;
            errno = cause;
            fail("write");
        }
        data += n;
        left -= n;
    }
    {
        std::lock_guard lock(mutex_);
        fileBytes_ = at + size;
        fileRows_ = written_;
    }
    writeBuffer_.resize(0);
    parkedInBuffer_ = false;
    changed_.notify_all();
}

void RowStore::finish(std::optional<Error> failure) noexcept {
    if (file_ >= 0 && !writeBuffer_.isEmpty() && !broken_) {
        try {
            flushWrites();
        } catch (const Error& error) {
            if (!failure) {
                failure = error;
            }
        } catch (...) {
            if (!failure) {
                failure = Error(QStringLiteral("Temporary row file: write failed"));
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        failure_ = std::move(failure);
    }
    changed_.notify_all();
}

bool RowStore::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

qint64 RowStore::rowCount() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

std::optional<Error> RowStore::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

bool RowStore::waitForMore(std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    ++takersWaiting_;
    const bool more = changed_.wait_for(
        lock, most, [this] { return finished_ || !memory_.empty() || fileRows_ > fileRowsTaken_; });
    --takersWaiting_;
    return more;
}

bool RowStore::waitForEnd(std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    ++takersWaiting_;
    const bool ended = changed_.wait_for(lock, most, [this] { return finished_; });
    --takersWaiting_;
    return ended;
}

RowStore::Take RowStore::take(std::vector<Cell>& row) {
    std::unique_lock lock(mutex_);
    if (!memory_.empty()) {
        row = std::move(memory_.front());
        memory_.pop_front();
        return Take::Row;
    }
    if (fileRows_ > fileRowsTaken_) {
        lock.unlock();
        decodeRow(row);
        ++fileRowsTaken_;
        return Take::Row;
    }
    return finished_ ? Take::End : Take::NotYet;
}

bool RowStore::fillFromFile(qsizetype needed) {
    if (readBuffer_.size() - readPosition_ >= needed) {
        return true;
    }
    qint64 available = 0;
    qint64 from = 0;
    {
        std::lock_guard lock(mutex_);
        available = fileBytes_ - fileRead_;
        from = fileRead_;
    }
    readBuffer_.remove(0, readPosition_);
    readPosition_ = 0;
    while (readBuffer_.size() < needed && available > 0) {
        const qsizetype old = readBuffer_.size();
        const qsizetype chunk =
            qsizetype(std::min<qint64>(available, std::max<qint64>(fileWindow, needed - old)));
        readBuffer_.resize(old + chunk);
        const ssize_t got = ::pread(file_, readBuffer_.data() + old, std::size_t(chunk), from);
        if (got <= 0) {
            readBuffer_.resize(old);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            fail("read");
        }
        readBuffer_.resize(old + got);
        from += got;
        available -= got;
        {
            std::lock_guard lock(mutex_);
            fileRead_ = from;
        }
        changed_.notify_all();
    }
    return readBuffer_.size() - readPosition_ >= needed;
}

void RowStore::takeBytes(void* target, qsizetype size) {
    if (!fillFromFile(size)) {
        throw Error(QStringLiteral("Temporary row file: unexpected end"));
    }
    std::memcpy(target, readBuffer_.constData() + readPosition_, std::size_t(size));
    readPosition_ += size;
}

void RowStore::decodeRow(std::vector<Cell>& row) {
    for (Cell& cell : row) {
        unsigned char kind = 0;
        takeBytes(&kind, sizeof kind);
        if (kind == longMarker) {
            takeBytes(&kind, sizeof kind);
            qint64 number = 0;
            takeBytes(&number, sizeof number);
            std::lock_guard lock(mutex_);
            const auto parked = parked_.find(number);
            parkedBytes_ -= parked->second->size();
            cell.value = Value(static_cast<Value::Kind>(kind), std::move(parked->second));
            parked_.erase(parked);
            cell.failed = false;
            cell.error.clear();
            changed_.notify_all(); // its bytes no longer count against the bound
            continue;
        }
        QString text;
        if (kind != static_cast<unsigned char>(Value::Kind::Null)) {
            qint64 length = 0;
            takeBytes(&length, sizeof length);
            text.resize(qsizetype(length));
            takeBytes(text.data(), qsizetype(length) * qsizetype(sizeof(QChar)));
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
}

} // namespace db::detail
