#pragma once
// Every box the program shows goes through this interface, so that the
// operations can run under tests with scripted answers and no modal box ever
// blocks a test.
#include <QString>

namespace shell {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // OK only, no icon, the application title as caption.
    virtual void notice(const QString& text) = 0;
    // Yes and No, no icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption) = 0;
    // Modal text input with the application title as caption; Cancel gives empty text.
    virtual QString inputText(const QString& prompt, const QString& initialText) = 0;
    // Caption "Application Error", warning icon, OK only.
    virtual void errorReport(const QString& text) = 0;
};

// The program's texts break their lines with CR or CR LF, as they are
// composed; a box's label and a console both want LF.
inline QString WithLineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace shell
