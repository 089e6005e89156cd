#pragma once
// The table manager window: both sides' tables next to each other and every
// table operation. The operations read the logins from the connection window's
// boxes each time they open a connection.
#include "Controls.h"
#include "ProgramWindow.h"
#include "WindowActivity.h"
#include "kernel/Statements.h"
#include "kernel/Workspace.h"

#include <optional>

class QAction;

namespace shell {
class Dialogs;
class SettingsStore;
} // namespace shell

namespace ui {

class Form1;

// clang-format off
inline constexpr ControlRow form2Controls[] = {
    // name            kind                      container  caption                       left   top  width height tab
    {u"Frame1",        ControlKind::Frame,       nullptr,   u"Oracle Tables",              120,  120, 3840, 4215,  0},
    {u"List1",         ControlKind::List,        u"Frame1", u"",                           240,  360, 3330, 1635,  1},
    {u"Frame2",        ControlKind::Frame,       nullptr,   u"IBM DB2 Tables",            4080,  120, 3840, 4215,  2},
    {u"List2",         ControlKind::List,        u"Frame2", u"",                           240,  360, 3330, 1635,  3},
    {u"PushButton10",  ControlKind::PushButton,  u"Frame1", u"Select All",                 240, 2100, 1600,  405,  4},
    {u"PushButton11",  ControlKind::PushButton,  u"Frame1", u"Deselect All",              1960, 2100, 1600,  405,  5},
    {u"PushButton3",   ControlKind::PushButton,  u"Frame1", u"Send Table/s To IBM DB2",    240, 2600, 3330,  405,  6},
    {u"PushButton1",   ControlKind::PushButton,  u"Frame1", u"Delete Table/s",             240, 3100, 3330,  405,  7},
    {u"PushButton6",   ControlKind::PushButton,  u"Frame1", u"Rename Table",               240, 3600, 3330,  405,  8},
    {u"PushButton8",   ControlKind::PushButton,  u"Frame2", u"Select All",                 240, 2100, 1600,  405,  9},
    {u"PushButton9",   ControlKind::PushButton,  u"Frame2", u"Deselect All",              1960, 2100, 1600,  405, 10},
    {u"PushButton4",   ControlKind::PushButton,  u"Frame2", u"Send Table/s To Oracle",     240, 2600, 3330,  405, 11},
    {u"PushButton5",   ControlKind::PushButton,  u"Frame2", u"Delete Table/s",             240, 3100, 3330,  405, 12},
    {u"PushButton7",   ControlKind::PushButton,  u"Frame2", u"Rename Table",               240, 3600, 3330,  405, 13},
    {u"ProgressBar1",  ControlKind::ProgressBar, nullptr,   u"Progress Bar",               120, 4460, 7800,  405, 14},
    {u"PushButton2",   ControlKind::PushButton,  nullptr,   u"< Back",                     120, 4980, 3840,  405, 15},
    {u"PushButton12",  ControlKind::PushButton,  nullptr,   u"Help",                      4080, 4980, 3840,  405, 16},
};
// clang-format on

inline constexpr int form2WidthTwips = 8040;
inline constexpr int form2HeightTwips = 5505;

class Form2 final : public ProgramWindow {
public:
    // The store keeps the copy options of the lists' context menu.
    Form2(Form1& connectionWindow, shell::Dialogs& dialogs, shell::SettingsStore& store);

    void Form_Load();
    void PushButton1_Click();  // "Delete Table/s", Oracle
    void PushButton2_Click();  // "< Back"
    void PushButton3_Click();  // "Send Table/s To IBM DB2"
    void PushButton4_Click();  // "Send Table/s To Oracle"
    void PushButton5_Click();  // "Delete Table/s", IBM DB2
    void PushButton6_Click();  // "Rename Table", Oracle
    void PushButton7_Click();  // "Rename Table", IBM DB2
    void PushButton8_Click();  // "Select All", IBM DB2
    void PushButton9_Click();  // "Deselect All", IBM DB2
    void PushButton10_Click(); // "Select All", Oracle
    void PushButton11_Click(); // "Deselect All", Oracle
    void PushButton12_Click(); // "Help"
    // "Compare with the other side" of a list's context menu: the selected
    // tables with their copies on `target`, the result in a window of its
    // own.
    void CompareWithOtherSide(db::Side target);
    // "Column types…": the target types of a copy of the list's current
    // table toward `target`, for the user to see and keep as rules.
    void ColumnTypes(db::Side target);

    // What the table operations work on, with the logins read live from the
    // connection window.
    kernel::Workspace workspace();

private:
    // The user's column type rules for a copy; false, with the report,
    // where the file has a line that is not a rule.
    bool withTypeRules(kernel::Workspace& copy);
    void showWarnings();
    shell::TableList list(const char16_t* name) const;
    void selectEvery(const shell::TableList& list, bool selected, const char16_t* handler);

    QAction* copyOption(const char16_t* text, const char16_t* settingsKey);

    Form1& form1_;
    shell::Dialogs& dialogs_;
    shell::SettingsStore& store_;
    QAction* fastCopy_ = nullptr;
    QAction* exactTypes_ = nullptr;
    QAction* addMissingRows_ = nullptr;
    QAction* bringUpToDate_ = nullptr;
    QAction* copyStructure_ = nullptr;
    QHash<QString, QWidget*> controls_;
    std::optional<WindowActivity> activity_;
};

} // namespace ui
