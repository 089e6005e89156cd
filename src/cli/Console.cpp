#include "Console.h"

#include <QtGlobal>
#include <cstdio>
#include <unistd.h>

namespace cli {

namespace {
void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

// A terminal that cannot move its cursor (TERM=dumb: an editor's shell, a
// log collector) gets no progress line either.
StandardConsole::StandardConsole()
    : terminal_(isatty(STDERR_FILENO) == 1 && qEnvironmentVariable("TERM") != u"dumb") {}

void StandardConsole::out(const QString& text) {
    write(stdout, text);
}

void StandardConsole::err(const QString& text) {
    clearProgress();
    write(stderr, text);
}

void StandardConsole::progress(const QString& line) {
    if (!terminal_) {
        return;
    }
    // Carriage return, the line, then erase whatever a longer line left.
    write(stderr, u'\r' + line + QStringLiteral("\x1b[K"));
    progressShown_ = true;
}

void StandardConsole::clearProgress() {
    if (progressShown_) {
        write(stderr, QStringLiteral("\r\x1b[K"));
        progressShown_ = false;
    }
}

} // namespace cli
