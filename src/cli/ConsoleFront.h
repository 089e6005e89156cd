#pragma once
// What the runs ask of a front end, answered on a console: boxes become
// lines on standard error that wait for nobody, the overwrite question is
// answered by --replace, the new name of a rename comes from the command
// line, and each copied table's figures are kept for the summary.
#include "Console.h"
#include "shell/Dialogs.h"
#include "transfer/Workspace.h"

#include <QElapsedTimer>
#include <QList>

namespace cli {

class ConsoleDialogs final : public shell::Dialogs {
public:
    explicit ConsoleDialogs(Console& console) : console_(console) {}

    void setOverwriteAnswer(bool replace) { replace_ = replace; }
    void setNewName(const QString& name) { newName_ = name; }

    void notice(const QString& text) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    QString inputText(const QString& prompt, const QString& initialText) override;
    void errorReport(const QString& text) override;

private:
    Console& console_;
    bool replace_ = false;
    QString newName_;
};

class ConsoleActivity final : public transfer::Activity {
public:
    explicit ConsoleActivity(Console& console) : console_(console) {}

    void beginOperation() override {}
    void endOperation() override {}
    void setPointer(shell::PointerState) override {}
    void tableStarted(const QString& table, qint64 sourceRows) override;
    void showProgress(qint64 done, qint64 total) override;
    void resetProgress() override {}
    void tableFinished(const transfer::TableCopy& copy) override;

    const QList<transfer::TableCopy>& copies() const { return copies_; }

private:
    Console& console_;
    QString table_;
    QElapsedTimer tableTime_;
    qint64 lastShownMs_ = -1;
    QList<transfer::TableCopy> copies_;
};

} // namespace cli
