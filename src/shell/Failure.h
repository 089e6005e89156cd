#pragma once
#include <QString>
#include <exception>

namespace shell {

// Base of every failure the program raises itself. The description is what
// the error report shows, so it is kept as the user-visible text, not as a
// narrow what() string that would lose non-ASCII driver messages.
class Failure : public std::exception {
public:
    explicit Failure(QString description);
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }
    // True when the failure is that the connection to a server is gone: no
    // later step of an operation can work without it.
    virtual bool connectionLost() const noexcept { return false; }

private:
    QString description_;
    QByteArray utf8_;
};

// Thrown at an operation's next pause once the program has been asked to
// end, so that a running operation unwinds (closing its connections) instead
// of going on with windows that are gone. Not a Failure: no error trap may
// swallow it.
struct Cancelled {};

// Thrown by an error trap after it has reported a lost connection once: the
// operation goes straight to its closing steps instead of failing every
// further step against a server that is gone. Not a Failure either.
struct RunEnded {};

} // namespace shell
