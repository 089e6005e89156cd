#pragma once
// The floor of the copy figures: one connection straight to the driver
// manager, one statement handle, no helper thread, no event loop. What the
// program does beyond this costs its copy throughput.
#include <QString>
#include <sql.h>

namespace bench {

class BareConnection {
public:
    explicit BareConnection(const QString& connectionString);
    ~BareConnection();
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;

    // Exits the benchmark when the driver refuses the statement.
    void execute(const QString& sql);

private:
    SQLHENV environment_ = SQL_NULL_HENV;
    SQLHDBC connection_ = SQL_NULL_HDBC;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
};

} // namespace bench
