#include "ScriptedDialogs.h"

#include <QtDebug>

namespace {

QString line(const ScriptedDialogs::Box& box) {
    switch (box.kind) {
    case ScriptedDialogs::Kind::Notice:
        return QStringLiteral("notice: ") + box.text;
    case ScriptedDialogs::Kind::Question:
        return QStringLiteral("question [") + box.caption + QStringLiteral("]: ") + box.text;
    case ScriptedDialogs::Kind::Input:
        return QStringLiteral("input [") + box.initialText + QStringLiteral("]: ") + box.text;
    case ScriptedDialogs::Kind::ErrorReport:
        return QStringLiteral("error: ") + box.text;
    }
    return {};
}

} // namespace

void ScriptedDialogs::queueYesNo(bool answer) {
    yesNoAnswers_.enqueue(answer);
}

void ScriptedDialogs::queueInput(const QString& text) {
    inputAnswers_.enqueue(text);
}

QStringList ScriptedDialogs::shown() const {
    QStringList lines;
    for (const Box& box : boxes_)
        lines.append(line(box));
    return lines;
}

QStringList ScriptedDialogs::texts(Kind kind) const {
    QStringList found;
    for (const Box& box : boxes_) {
        if (box.kind == kind)
            found.append(box.text);
    }
    return found;
}

bool ScriptedDialogs::allExpected() const {
    return unexpectedSummary().isEmpty();
}

QString ScriptedDialogs::unexpectedSummary() const {
    QStringList problems;
    for (const Box& box : boxes_) {
        if (!box.expected)
            problems.append(QStringLiteral("unexpected ") + line(box));
    }
    for (bool answer : yesNoAnswers_) {
        problems.append(QStringLiteral("queued answer never asked for: ") +
                        (answer ? QStringLiteral("Yes") : QStringLiteral("No")));
    }
    for (const QString& answer : inputAnswers_)
        problems.append(QStringLiteral("queued input never asked for: ") + answer);
    return problems.join(u'\n');
}

void ScriptedDialogs::clear() {
    boxes_.clear();
    yesNoAnswers_.clear();
    inputAnswers_.clear();
}

void ScriptedDialogs::record(Box box) {
    if (!box.expected)
        qWarning().noquote() << "Unexpected dialog:" << line(box);
    boxes_.append(std::move(box));
    if (onShow)
        onShow(boxes_.last());
}

void ScriptedDialogs::notice(const QString& text) {
    record({Kind::Notice, text, {}, {}, {}, true});
}

bool ScriptedDialogs::askYesNo(const QString& text, const QString& caption) {
    const bool expected = !yesNoAnswers_.isEmpty();
    const bool yes = expected && yesNoAnswers_.dequeue();
    record({Kind::Question,
            text,
            caption,
            {},
            yes ? QStringLiteral("Yes") : QStringLiteral("No"),
            expected});
    return yes;
}

QString ScriptedDialogs::inputText(const QString& prompt, const QString& initialText) {
    const bool expected = !inputAnswers_.isEmpty();
    const QString answer = expected ? inputAnswers_.dequeue() : QString();
    record({Kind::Input, prompt, {}, initialText, answer, expected});
    return answer;
}

void ScriptedDialogs::errorReport(const QString& text) {
    record({Kind::ErrorReport, text, {}, {}, {}, !failOnErrorReport});
}
