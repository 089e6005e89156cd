#pragma once
// Dialogs for tests: records every box in the order shown and answers the
// questions and input boxes from answers queued in advance. A box the test
// did not expect (a question or input with no answer queued, an error report
// while failOnErrorReport is set) gets a harmless answer (No, empty text) so
// the code under test runs to its end, and is recorded so the test fails:
//
//     ScriptedDialogs dialogs;
//     dialogs.queueYesNo(true);
//     runTheOperation(dialogs);
//     QCOMPARE(dialogs.shown(), QStringList{u"question [Overwrite?]: Would you like ..."_s});
//     QVERIFY2(dialogs.allExpected(), qPrintable(dialogs.unexpectedSummary()));
#include "shell/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

class ScriptedDialogs final : public shell::Dialogs {
public:
    enum class Kind { Notice, Question, Input, ErrorReport };

    struct Box {
        Kind kind;
        QString text;        // the message, or the prompt of an input box
        QString caption;     // questions only
        QString initialText; // input boxes only
        QString answer;      // "Yes"/"No" or the text given back; empty otherwise
        bool expected = true;
    };

    // Answers, each kind used in the order queued.
    void queueYesNo(bool answer);
    void queueInput(const QString& text);

    // Count every error report as unexpected (for runs that must go cleanly).
    bool failOnErrorReport = false;
    // Called while each box is "open", to look at the state of the world at
    // that moment (for example what a run has done before it asks).
    std::function<void(const Box&)> onShow;

    // Every box in order, one line each:
    //   "notice: <text>", "question [<caption>]: <text>",
    //   "input [<initial text>]: <prompt>", "error: <text>".
    QStringList shown() const;
    const QList<Box>& boxes() const { return boxes_; }
    QStringList notices() const { return texts(Kind::Notice); }
    QStringList questions() const { return texts(Kind::Question); }
    QStringList inputs() const { return texts(Kind::Input); }
    QStringList errorReports() const { return texts(Kind::ErrorReport); }

    // False when a box came unexpected or a queued answer was never asked for.
    bool allExpected() const;
    // What went wrong, one line per box or left-over answer; empty when all was expected.
    QString unexpectedSummary() const;

    // Forget the boxes and the answers not used, for the next case.
    void clear();

    void notice(const QString& text) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    QString inputText(const QString& prompt, const QString& initialText) override;
    void errorReport(const QString& text) override;

private:
    QStringList texts(Kind kind) const;
    void record(Box box);

    QList<Box> boxes_;
    QQueue<bool> yesNoAnswers_;
    QQueue<QString> inputAnswers_;
};
