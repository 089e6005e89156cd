#pragma once
#include "shell/Failure.h"

namespace db {

// Every failure of the session layer. The description is the driver's whole
// diagnostic text: every record, as the driver worded it.
class Error : public shell::Failure {
public:
    explicit Error(QString description, QString sqlState = {}, bool connectionLost = false)
        : shell::Failure(std::move(description)), sqlState_(std::move(sqlState)),
          connectionLost_(connectionLost) {}
    // SQLSTATE of the first diagnostic record, empty when the failure is our own.
    const QString& sqlState() const noexcept { return sqlState_; }
    // The connection is gone (server down, session killed, network cut), as
    // the SQLSTATE (class 08) or the driver's own answer tells.
    bool connectionLost() const noexcept override { return connectionLost_; }

private:
    QString sqlState_;
    bool connectionLost_;
};

} // namespace db
