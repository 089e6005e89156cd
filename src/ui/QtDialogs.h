#pragma once
// The real boxes of the windows, parented to whatever window is active when
// they open.
#include "shell/Dialogs.h"

namespace ui {

class QtDialogs final : public shell::Dialogs {
public:
    void notice(const QString& text) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    QString inputText(const QString& prompt, const QString& initialText) override;
    void errorReport(const QString& text) override;
};

} // namespace ui
