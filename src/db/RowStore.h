#pragma once
// The rows of a client-side row set, read at open. They are kept in memory up
// to a fixed budget and beyond it in a temporary file that only the user can
// read and that the system removes when the file is closed, however the
// program ends (it is unlinked as soon as it is created).
#include "ColumnReader.h"

#include <QByteArray>
#include <cstdint>

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
    // False after the last row.
    bool next(std::vector<Cell>& row);
    qint64 rowCount() const { return rows_; }
    bool spilled() const { return file_ >= 0; }

    // Bytes kept in memory before rows go to the temporary file.
    static void setMemoryBudget(qint64 bytes);
    static qint64 memoryBudget();

private:
    void spill();
    void flushWrites();
    bool fill(qsizetype needed);
    void take(void* target, qsizetype size);

    QByteArray encoded_;
    QByteArray buffer_; // all rows while in memory; the write or read window once spilled
    qsizetype readPosition_ = 0;
    int file_ = -1;
    qint64 rows_ = 0;
    qint64 rowsRead_ = 0;
};

} // namespace db::detail
