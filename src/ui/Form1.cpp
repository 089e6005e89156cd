#include "Form1.h"

#include "ApplicationIcon.h"
#include "CursorFile.h"
#include "DisabledButtons.h"
#include "Form2.h"
#include "HelpTexts.h"
#include "Look.h"
#include "Pointer.h"
#include "Program.h"
#include "db/Session.h"
#include "front/KeepLive.h"
#include "shell/Dialogs.h"
#include "shell/ErrorTrap.h"
#include "shell/Interrupt.h"
#include "shell/SettingsStore.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <optional>

namespace ui {

namespace {

constexpr char16_t windowName[] = u"Form1";

KindFonts form1Fonts() {
    const QFont bold = ArialFont(9, true);
    return {bold, bold, bold, ArialFont(11.25, true), bold, bold};
}

} // namespace

Form1::Form1(shell::Dialogs& dialogs, shell::SettingsStore& store)
    : dialogs_(dialogs), store_(store) {
    // A window stays live while an operation waits for a server.
    front::KeepLive();
    MakeFixedWindow(this, form1WidthTwips, form1HeightTwips);
    setFont(ArialFont(9, false));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    controls_ = BuildControls(this, form1Controls, form1Fonts());

    for (const LoginBox& login : loginBoxes) {
        QLineEdit* edit = box(login.box);
        auto* label = static_cast<QLabel*>(controls_.value(QString::fromUtf16(login.label)));
        label->setBuddy(edit);
        QString name = label->text();
        if (name.endsWith(u':')) {
            name.chop(1);
        }
        edit->setAccessibleName(name);
        edit->setAccessibleDescription(edit->parentWidget()->property("title").toString());
        const QString key = QString::fromUtf16(login.settingsKey);
        connect(edit, &QLineEdit::textChanged, this,
                [this, key](const QString& value) { store_.write(key, value); });
    }
    controls_.value(QStringLiteral("PushButton6"))->setAccessibleName(QStringLiteral("SID help"));
    store_.setWriteFailureHandler([this](const QString& message) { dialogs_.notice(message); });

    OnClick(controls_.value(QStringLiteral("PushButton1")), [this] { PushButton1_Click(); });
    OnClick(controls_.value(QStringLiteral("PushButton2")), [this] { PushButton2_Click(); });
    OnClick(controls_.value(QStringLiteral("PushButton3")), [this] { PushButton3_Click(); });
    OnClick(controls_.value(QStringLiteral("PushButton4")), [this] { PushButton4_Click(); });
    OnClick(controls_.value(QStringLiteral("PushButton5")), [this] { PushButton5_Click(); });
    OnClick(controls_.value(QStringLiteral("PushButton6")), [this] { PushButton6_Click(); });

    QList<QWidget*> buttons;
    for (int n = 1; n <= 6; ++n) {
        buttons << controls_.value(QStringLiteral("PushButton%1").arg(n));
    }
    QList<QWidget*> plainAreas;
    for (const LoginBox& login : loginBoxes) {
        plainAreas << box(login.box);
    }
    plainAreas << controls_.value(QStringLiteral("Frame1"))
               << controls_.value(QStringLiteral("Frame2"));
    InstallHoverPointer(this, buttons, plainAreas);

    box(u"Text1")->setFocus();
}

Form1::~Form1() = default;

QLineEdit* Form1::box(const char16_t* name) const {
    return static_cast<QLineEdit*>(controls_.value(QString::fromUtf16(name)));
}

QString Form1::text(const char16_t* name) const {
    return box(name)->text();
}

db::OracleLogin Form1::oracleLogin() const {
    return {text(u"Text6"), text(u"Text7"), text(u"Text8")};
}

db::Db2Login Form1::db2Login() const {
    return {text(u"Text1"), text(u"Text2"), text(u"Text3"), text(u"Text4"), text(u"Text5")};
}

void Form1::start() {
    RunHandler([this] { Form_Load(); });
    if (shell::quitRequested()) {
        return;
    }
    // Also when the hand-over failed half-way: the user is never left with no window.
    if (form2_ == nullptr || !form2_->isVisible()) {
        show();
    }
}

bool Form1::ensureTableManager() {
    if (form2_ != nullptr) {
        return false;
    }
    form2_ = std::make_unique<Form2>(*this, dialogs_, store_);
    form2_->Form_Load();
    return true;
}

void Form1::Form_Load() {
    shell::ErrorTrap trap(dialogs_, windowName, u"Form_Load");
    trap.step(100, [&] { ApplySkin(this); });
    trap.step(104, [&] { setWindowTitle(QString::fromUtf16(productName)); });
    trap.step(104, [&] { setWindowIcon(ApplicationIcon()); });
    trap.step(104, [&] { SetApplicationTitle(); });
    if (trap.check(124, [&] { return FileExists(CursorFilePath()); })) {
        trap.step(126, [&] { LoadCustomPointerImage(this, CursorFilePath()); });
    }

    // ApplyLogin. Each assignment that changes a box writes its value straight
    // back, so the port's default reaches the store on the first start.
    int line = 128;
    for (const LoginBox& login : loginBoxes) {
        trap.step(line, [&] {
            box(login.box)->setText(store_.read(QString::fromUtf16(login.settingsKey)));
        });
        line += 2;
    }

    // A check that raises (no connection object to be had) is reported and
    // the sequence goes on as though it had answered yes.
    bool connects = true;
    trap.step(144, [&] { connects = db::CanConnectDb2(db2Login()); });
    if (!connects) {
        return;
    }
    trap.step(146, [&] { connects = db::CanConnectOracle(oracleLogin()); });
    if (!connects) {
        return;
    }
    trap.step(148, [&] {
        ensureTableManager();
        form2_->show();
    });
    trap.step(150, [&] { hide(); });
}

void Form1::testConnection(const char16_t* handler,
                           const std::function<QString()>& connectionString) {
    shell::ErrorTrap trap(dialogs_, windowName, handler);
    std::optional<db::Connection> connection;
    trap.step(100, [&] { connection.emplace(); });
    // From here on a failure means the database could not be reached: the
    // user gets the one plain answer instead of the report.
    bool failed = false;
    try {
        setWindowPointer(this, shell::PointerState::Busy);
        if (!connection) {
            throw shell::Failure(QStringLiteral("No connection object"));
        }
        connection->Open(connectionString());
        dialogs_.notice(QStringLiteral("Connection successful."));
        setWindowPointer(this, shell::PointerState::Default);
    } catch (const shell::Cancelled&) {
        throw;
    } catch (...) {
        failed = true;
    }
    // The test only asks whether a connection opens; none may stay open
    // behind it, also when the driver kept one half-made.
    connection.reset();
    if (failed) {
        trap.step(112, [&] {
            dialogs_.notice(
                QStringLiteral("Could not connect. Please check with your administrator."));
        });
        trap.step(114, [&] { setWindowPointer(this, shell::PointerState::Default); });
    }
}

void Form1::PushButton1_Click() {
    testConnection(u"PushButton1_Click",
                   [this] { return db::OracleConnectionString(oracleLogin()); });
}

void Form1::PushButton3_Click() {
    testConnection(u"PushButton3_Click", [this] { return db::Db2ConnectionString(db2Login()); });
}

void Form1::PushButton2_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton2_Click");
    // The table manager's load serves the event loop while it reads the
    // catalogues: a second press would load the lists inside the first load
    // and list every name twice.
    DisabledButtons buttonsOff(this);
    trap.step(100, [&] { setWindowPointer(this, shell::PointerState::Busy); });
    // As at start-up: a check that raises counts as passed, and the table
    // manager's own load reports what then fails.
    bool connects = true;
    trap.step(102, [&] { connects = db::CanConnectDb2(db2Login()); });
    if (connects) {
        trap.step(104, [&] { connects = db::CanConnectOracle(oracleLogin()); });
    }
    if (connects) {
        // Loading the window the first time runs its load; afterwards the
        // load runs again so the lists show the databases of the current logins.
        trap.step(106, [&] {
            if (!ensureTableManager()) {
                form2_->Form_Load();
            }
        });
        trap.step(108, [&] { form2_->show(); });
        trap.step(110, [&] { hide(); });
    }
    trap.step(112, [&] { setWindowPointer(this, shell::PointerState::Default); });
}

void Form1::PushButton4_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton4_Click");
    QString sidHelp;
    trap.step(100, [&] { sidHelp = SidHelpText(); });
    trap.step(126, [&] { dialogs_.notice(sidHelp); });
    trap.step(128, [&] { dialogs_.notice(LobNoteText()); });
}

void Form1::PushButton5_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton5_Click");
    QString clientHelp;
    trap.step(104, [&] { clientHelp = Db2ClientHelpText(); });
    trap.step(124, [&] { dialogs_.notice(clientHelp); });
    trap.step(126, [&] { dialogs_.notice(LobNoteText()); });
}

void Form1::PushButton6_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton6_Click");
    QString sidHelp;
    trap.step(100, [&] { sidHelp = SidHelpText(); });
    trap.step(126, [&] { dialogs_.notice(sidHelp); });
}

} // namespace ui
