#pragma once
// The rows of a client-side row set, read at open. They are kept in memory as
// values up to a fixed budget, and beyond it encoded in a temporary file that
// only the user can read and that the system removes however the program
// ends (it is unlinked as soon as it is created).
#include "ColumnReader.h"

#include <QByteArray>
#include <deque>
#include <vector>

namespace db::detail {

class RowStore {
public:
    RowStore();
    ~RowStore();
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    void append(const std::vector<Cell>& row);
    // Switches from writing to reading, from the first row.
    void startReading();
    // Moves the next row out of the store; false after the last row.
    bool next(std::vector<Cell>& row);
    qint64 rowCount() const { return rows_; }
    bool spilled() const { return file_ >= 0; }

    // Bytes of values kept in memory before rows go to the temporary file.
    static void setMemoryBudget(qint64 bytes);
    static qint64 memoryBudget();

private:
    void spill();
    void encode(const Cell* cells, std::size_t count);
    void flushWrites();
    bool fill(qsizetype needed);
    void take(void* target, qsizetype size);

    // Rows one after the other while they fit the budget; a deque, so that
    // growing never moves what is already there.
    std::deque<Cell> memory_;
    std::size_t columns_ = 0;
    qint64 memoryBytes_ = 0;
    std::size_t readIndex_ = 0;
    QByteArray buffer_; // the file's write or read window once spilled
    qsizetype readPosition_ = 0;
    int file_ = -1;
    qint64 rows_ = 0;
    qint64 rowsRead_ = 0;
};

} // namespace db::detail
