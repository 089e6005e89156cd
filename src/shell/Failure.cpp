#include "Failure.h"

namespace shell {

Failure::Failure(QString description)
    : description_(std::move(description)), utf8_(description_.toUtf8()) {}

} // namespace shell
