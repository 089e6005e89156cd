#pragma once
#include "shell/Failure.h"

namespace db {

// Every failure of the session layer. The description is the driver's whole
// diagnostic text: every record, as the driver worded it.
class Error : public shell::Failure {
public:
    explicit Error(QString description, QString sqlState = {})
        : shell::Failure(std::move(description)), sqlState_(std::move(sqlState)) {}
    // SQLSTATE of the first diagnostic record, empty when the failure is our own.
    const QString& sqlState() const noexcept { return sqlState_; }

private:
    QString sqlState_;
};

} // namespace db
