#pragma once
// The rows of a client-side row set. One side appends the rows as the driver
// delivers them, the other takes them in order; the two may be different
// threads (a row set that reads ahead). Rows are kept in memory as values up
// to a fixed budget; the rows after that go, encoded, to a temporary file that
// only the user can read and that the system removes however the program ends
// (it is unlinked as soon as it is created).
//
// A bounded store (one that is taken from while it is filled) lets the file
// hold at most fileLimit() bytes that have not been taken: past that the
// appending side waits, and once the taking side has read everything in the
// file, writing starts again at its beginning. So the temporary space of a
// copy stays the same whatever the table's size.
#include "ColumnReader.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace db::detail {

class RowStore {
public:
    explicit RowStore(bool bounded);
    ~RowStore();
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    // -- the side that reads from the driver
    void append(const std::vector<Cell>& row);
    // No more rows; a failure is what stopped the reading early. Rows that
    // could not be stored whole are never handed on.
    void finish(std::optional<Error> failure = {}) noexcept;

    // Wakes an appending side that waits for room; appending throws from now
    // on. For a reader that is told to stop.
    void abandon();

    // -- the side that takes the rows
    enum class Take { Row, End, NotYet };
    // Moves the next row out when it is there; never blocks.
    Take take(std::vector<Cell>& row);
    // Waits at most the given time for the next row or the end; true when
    // either is there.
    bool waitForMore(std::chrono::milliseconds most);
    // Waits at most the given time for the end; true when it is there.
    bool waitForEnd(std::chrono::milliseconds most);
    bool finished() const;
    // Rows appended so far; the row count once finished().
    qint64 rowCount() const;
    // Why the reading stopped early; nothing when it reached the end.
    std::optional<Error> failure() const;

    // Lets the appending side fill the file without a bound: for a caller
    // that waits for every row before it takes one.
    void removeBound();

    // Bytes of values kept in memory before rows go to the temporary file.
    static void setMemoryBudget(qint64 bytes);
    static qint64 memoryBudget();
    // Rows in memory that wake a taker waiting for more.
    static constexpr std::size_t wakeRows = 64;

    // Bytes not yet taken that a bounded store's file may hold.
    static void setFileLimit(qint64 bytes);
    static qint64 fileLimit();

private:
    void encode(const std::vector<Cell>& row);
    void flushWrites();
    bool fillFromFile(qsizetype needed);
    void takeBytes(void* target, qsizetype size);
    void decodeRow(std::vector<Cell>& row);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // Shared, under the mutex.
    std::deque<std::vector<Cell>> memory_; // the rows before the spill
    qint64 fileBytes_ = 0;                 // end of the whole rows in the file
    qint64 fileRead_ = 0;                  // end of what the taking side has read
    bool bounded_;
    bool abandoned_ = false;
    qint64 rows_ = 0;
    qint64 fileRows_ = 0;
    bool finished_ = false;
    int takersWaiting_ = 0; // in waitForMore or waitForEnd
    std::optional<Error> failure_;
    int file_ = -1;
    // The long values of the rows in the file, by the number the file holds.
    std::unordered_map<qint64, std::shared_ptr<const LongValue>> parked_;
    qint64 parkedBytes_ = 0;

    // The appending side only.
    qint64 memoryBytes_ = 0;
    QByteArray writeBuffer_;
    qint64 written_ = 0;
    qint64 parkedNumber_ = 0;
    bool parkedInBuffer_ = false; // a long value's row waits in the buffer
    // A write to the file failed: what is in the file past fileBytes_ is not
    // to be trusted, and nothing more is written.
    bool broken_ = false;

    // The taking side only.
    QByteArray readBuffer_;
    qsizetype readPosition_ = 0;
    qint64 fileRowsTaken_ = 0;
};

} // namespace db::detail
