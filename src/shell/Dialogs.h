#pragma once
// Every box the program shows goes through this interface, so that the
// operations can run under tests with scripted answers and no modal box ever
// blocks a test.
#include <QString>

namespace shell {

// One failure as an error trap reports it: the pieces of the report's text,
// and what the failing step worked on where the operation says.
struct Report {
    QString description;
    QString location;
    int line = 0;
    bool hasStatement = false;
    QString statement;
    QString table;  // the table being worked on, or empty
    qint64 row = 0; // its row (from 1) that did not arrive, or 0
};

// Where an error trap's reports go: a box in the window, a line on the
// console. A table operation reports through this alone: it asks nothing.
class Reports {
public:
    virtual ~Reports() = default;
    virtual void failureReport(const Report& report) = 0;
};

class Dialogs : public Reports {
public:
    // OK only, no icon, the application title as caption.
    virtual void notice(const QString& text) = 0;
    // Yes and No, no icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption) = 0;
    // Modal text input with the application title as caption; Cancel gives empty text.
    virtual QString inputText(const QString& prompt, const QString& initialText) = 0;
    // Caption "Application Error", warning icon, OK only.
    virtual void errorReport(const QString& text) = 0;
    // A trapped failure; a box shows its whole report text (errorReport).
    void failureReport(const Report& report) override;
};

// The program's texts break their lines with CR or CR LF, as they are
// composed; a box's label and a console both want LF.
inline QString WithLineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace shell
