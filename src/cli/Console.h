#pragma once
// Where the command line writes: the summary to standard output, reports and
// messages to standard error, and a progress line that only a terminal gets.
#include <QString>

namespace cli {

class Console {
public:
    virtual ~Console() = default;
    virtual void out(const QString& text) = 0;
    // Clears a progress line first, so that a report never shares a line.
    virtual void err(const QString& text) = 0;
    // Replaces the progress line; nothing when standard error is no terminal.
    virtual void progress(const QString& line) = 0;
    virtual void clearProgress() = 0;
};

// The process's own streams, UTF-8.
class StandardConsole final : public Console {
public:
    StandardConsole();
    void out(const QString& text) override;
    void err(const QString& text) override;
    void progress(const QString& line) override;
    void clearProgress() override;

private:
    bool terminal_;
    bool progressShown_ = false;
};

} // namespace cli
