#pragma once
// The skin engine of the connection window. A skin is a Qt style sheet file;
// the engine is driven as a component: load a skin, set its options, then
// apply it to a window named by its native handle.
#include <QString>
#include <QtGui/qwindowdefs.h>

namespace ui {

class SkinFramework {
public:
    // Bits of ApplyOptions().
    enum ApplyOption : int {
        // Apply the skin's rules to the window; without it ApplyWindow does nothing.
        ApplyStyle = 1,
    };

    // Reads and checks the skin. The variant names one skin inside the file;
    // a style sheet file holds just one, so only the empty text is accepted.
    // Throws Failure when the file cannot be read, is not UTF-8 text or is
    // not a style sheet.
    void LoadSkin(const QString& skinPath, const QString& variant);

    int ApplyOptions() const { return applyOptions_; }
    void SetApplyOptions(int options) { applyOptions_ = options; }

    // Add the skin after the window's own style sheet instead of replacing it.
    void SetKeepWindowStyleSheet(bool keep) { keepWindowStyleSheet_ = keep; }
    // Polish the window and its controls at once, so that sizes taken before
    // the window is first shown already follow the skin.
    void SetPolishAtOnce(bool polish) { polishAtOnce_ = polish; }

    // Throws Failure when no skin is loaded or no window has that handle.
    void ApplyWindow(WId windowHandle);

    const QString& styleSheet() const { return styleSheet_; }

private:
    QString styleSheet_;
    bool loaded_ = false;
    int applyOptions_ = 0;
    bool keepWindowStyleSheet_ = false;
    bool polishAtOnce_ = false;
};

} // namespace ui
