#pragma once
// The connection window: the start-up window, the two logins and their tests,
// the help texts and the way on to the table manager. Its text boxes are the
// one live copy of the logins for the whole run: every operation reads them
// when it opens a connection, and every edit goes to the settings store at once.
#include "Controls.h"
#include "ProgramWindow.h"
#include "db/Profiles.h"

#include <functional>
#include <memory>

class QLineEdit;

namespace shell {
class Dialogs;
class SettingsStore;
} // namespace shell

namespace ui {

class Form2;

// clang-format off
inline constexpr ControlRow form1Controls[] = {
    // name           kind                       container  caption              left   top  width height tab
    {u"Frame1",       ControlKind::Frame,        nullptr,   u"IBM DB2 Login",     120,  120, 7800, 2895, -1},
    {u"Label2",       ControlKind::Label,        u"Frame1", u"Server:",           240,  405,  975,  255, -1},
    {u"Text1",        ControlKind::TextBox,      u"Frame1", u"",                 1320,  360, 4575,  345,  0},
    {u"Label6",       ControlKind::Label,        u"Frame1", u"Port:",            6000,  405,  495,  255, -1},
    {u"Text2",        ControlKind::TextBox,      u"Frame1", u"",                 6480,  360, 1095,  345,  1},
    {u"Label1",       ControlKind::Label,        u"Frame1", u"Username:",         240,  885, 1095,  255, -1},
    {u"Text3",        ControlKind::TextBox,      u"Frame1", u"",                 1320,  840, 6255,  345,  2},
    {u"Label4",       ControlKind::Label,        u"Frame1", u"Password:",         240, 1365, 1095,  255, -1},
    {u"Text4",        ControlKind::PasswordBox,  u"Frame1", u"",                 1320, 1320, 6255,  345,  3},
    {u"Label3",       ControlKind::Label,        u"Frame1", u"Database:",         240, 1800,  975,  255, -1},
    {u"Text5",        ControlKind::TextBox,      u"Frame1", u"",                 1320, 1800, 6255,  345,  4},
    {u"PushButton3",  ControlKind::PushButton,   u"Frame1", u"Test Connection",   240, 2280, 3600,  405,  5},
    {u"PushButton5",  ControlKind::PushButton,   u"Frame1", u"Help",             3960, 2280, 3600,  405,  6},
    {u"Frame2",       ControlKind::Frame,        nullptr,   u"Oracle Login",      120, 3120, 7800, 2415, -1},
    {u"Label7",       ControlKind::Label,        u"Frame2", u"SID:",              240,  405, 1095,  255, -1},
    {u"Text6",        ControlKind::TextBox,      u"Frame2", u"",                 1320,  360, 5535,  345,  7},
    {u"PushButton6",  ControlKind::PushButton,   u"Frame2", u"?",                6960,  360,  615,  345,  8},
    {u"Label5",       ControlKind::Label,        u"Frame2", u"Username:",         240,  885, 1095,  255, -1},
    {u"Text7",        ControlKind::TextBox,      u"Frame2", u"",                 1320,  840, 6255,  345,  9},
    {u"Label9",       ControlKind::Label,        u"Frame2", u"Password:",         240, 1365, 1095,  255, -1},
    {u"Text8",        ControlKind::PasswordBox,  u"Frame2", u"",                 1320, 1320, 6255,  345, 10},
    {u"PushButton1",  ControlKind::PushButton,   u"Frame2", u"Test Connection",   240, 1800, 3600,  405, 11},
    {u"PushButton4",  ControlKind::PushButton,   u"Frame2", u"Help",             3960, 1800, 3600,  405, 12},
    {u"PushButton2",  ControlKind::PushButton,   nullptr,   u"Next >",            120, 5660, 7800,  405, 13},
};
// clang-format on

inline constexpr int form1WidthTwips = 8040;
inline constexpr int form1HeightTwips = 6180;

// The login boxes in the order the start-up restores them, with the label
// that names each box and the settings key it is stored under.
struct LoginBox {
    const char16_t* box;
    const char16_t* label;
    const char16_t* settingsKey;
};

// clang-format off
inline constexpr LoginBox loginBoxes[] = {
    {u"Text1", u"Label2", db::loginKeys[0].key},
    {u"Text2", u"Label6", db::loginKeys[1].key},
    {u"Text3", u"Label1", db::loginKeys[2].key},
    {u"Text4", u"Label4", db::loginKeys[3].key},
    {u"Text5", u"Label3", db::loginKeys[4].key},
    {u"Text6", u"Label7", db::loginKeys[5].key},
    {u"Text7", u"Label5", db::loginKeys[6].key},
    {u"Text8", u"Label9", db::loginKeys[7].key},
};
// clang-format on
static_assert(std::size(loginBoxes) == std::size(db::loginKeys));

class Form1 final : public ProgramWindow {
public:
    Form1(shell::Dialogs& dialogs, shell::SettingsStore& store);
    ~Form1() override;

    // The program's start: the load handler, then this window on screen
    // unless the load went straight on to the table manager.
    void start();

    void Form_Load();
    void PushButton1_Click(); // "Test Connection", Oracle
    void PushButton2_Click(); // "Next >"
    void PushButton3_Click(); // "Test Connection", IBM DB2
    void PushButton4_Click(); // "Help", Oracle
    void PushButton5_Click(); // "Help", IBM DB2
    void PushButton6_Click(); // "?" beside the SID

    // The logins as the boxes hold them at this moment.
    db::OracleLogin oracleLogin() const;
    db::Db2Login db2Login() const;

    // The table manager window once it has been loaded, otherwise nullptr.
    Form2* tableManager() const { return form2_.get(); }

private:
    QLineEdit* box(const char16_t* name) const;
    QString text(const char16_t* name) const;
    // Loads the table manager the first time; true when this call loaded it.
    bool ensureTableManager();
    void testConnection(const char16_t* handler, const std::function<QString()>& connectionString);

    shell::Dialogs& dialogs_;
    shell::SettingsStore& store_;
    QHash<QString, QWidget*> controls_;
    std::unique_ptr<Form2> form2_;
};

} // namespace ui
