#pragma once
#include "shell/Failure.h"

namespace db {

// Every failure of the session layer. The description is the driver's whole
// diagnostic text: every record, as the driver worded it.
class Error : public shell::Failure {
public:
    explicit Error(QString description, QString sqlState = {}, bool connectionLost = false,
                   int nativeError = 0)
        : shell::Failure(std::move(description)), sqlState_(std::move(sqlState)),
          connectionLost_(connectionLost), nativeError_(nativeError) {}
    // SQLSTATE of the first diagnostic record, empty when the failure is our own.
    const QString& sqlState() const noexcept { return sqlState_; }
    // The server's or driver's own code of the first record (ORA-00942 is
    // 942, SQL0204N is -204); 0 when there is none.
    int nativeError() const noexcept { return nativeError_; }
    // The connection is gone (server down, session killed, network cut), as
    // the SQLSTATE (class 08) or the driver's own answer tells.
    bool connectionLost() const noexcept override { return connectionLost_; }

private:
    QString sqlState_;
    bool connectionLost_;
    int nativeError_;
};

} // namespace db
