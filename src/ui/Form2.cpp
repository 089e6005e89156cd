#include "Form2.h"

#include "ApplicationIcon.h"
#include "ColumnTypesDialog.h"
#include "ComparisonWindow.h"
#include "CursorFile.h"
#include "Form1.h"
#include "HelpTexts.h"
#include "Look.h"
#include "Pointer.h"
#include "Program.h"
#include "compare/CompareRun.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "front/KeepLive.h"
#include "maintenance/DeleteTables.h"
#include "maintenance/RenameTable.h"
#include "shell/Dialogs.h"
#include "shell/ErrorTrap.h"
#include "shell/SettingsStore.h"
#include "transfer/TransferRun.h"

#include <QAction>
#include <QCloseEvent>
#include <QProgressBar>

namespace ui {

namespace {

constexpr char16_t windowName[] = u"Form2";

// The outer height the window was laid out for is the bottom of "< Back" plus
// 580 twips; 460 of them are the caption and borders, which the window
// manager adds around the client area here.
constexpr int bottomAllowanceTwips = 580;
constexpr int captionAndBordersTwips = 460;

KindFonts form2Fonts() {
    const QFont bold = ArialFont(9, true);
    return {bold, bold, bold, ArialFont(11.25, true), bold, bold};
}

const ControlRow& row(const char16_t* name) {
    for (const ControlRow& control : form2Controls) {
        if (QStringView(control.name) == QStringView(name)) {
            return control;
        }
    }
    Q_UNREACHABLE();
}

} // namespace

Form2::Form2(Form1& connectionWindow, shell::Dialogs& dialogs, shell::SettingsStore& store)
    : form1_(connectionWindow), dialogs_(dialogs), store_(store) {
    front::KeepLive();
    MakeFixedWindow(this, form2WidthTwips, form2HeightTwips);
    setFont(ArialFont(9, true));
    controls_ = BuildControls(this, form2Controls, form2Fonts());
    activity_.emplace(this,
                      static_cast<QProgressBar*>(controls_.value(QStringLiteral("ProgressBar1"))));

    // How copies send their rows, for either list: a right click on it.
    fastCopy_ = copyOption(u"Fast copy (bulk insert)", u"FastCopy");
    exactTypes_ = copyOption(u"Exact column types", u"ExactTypes");
    addMissingRows_ = copyOption(u"Add missing rows to existing tables", u"AddMissingRows");
    bringUpToDate_ = copyOption(u"Bring existing tables up to date", u"BringUpToDate");
    copyStructure_ = copyOption(u"Copy keys, indexes and comments", u"CopyStructure");
    // And the comparison of its selected tables with their copies.
    for (const auto& [name, target] :
         {std::pair{u"List1", db::Side::Db2}, std::pair{u"List2", db::Side::Oracle}}) {
        QWidget* tables = controls_.value(QString::fromUtf16(name));
        tables->setAccessibleName(tables->parentWidget()->property("title").toString());
        tables->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto* compare = new QAction(QStringLiteral("Compare with the other side"), this);
        QObject::connect(compare, &QAction::triggered, this, [this, target = target] {
            RunHandler([&] { CompareWithOtherSide(target); });
        });
        auto* types = new QAction(QStringLiteral("Column types…"), this);
        QObject::connect(types, &QAction::triggered, this,
                         [this, target = target] { RunHandler([&] { ColumnTypes(target); }); });
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        tables->addActions({compare, types, separator, fastCopy_, exactTypes_, addMissingRows_,
                            bringUpToDate_, copyStructure_});
    }

    const struct {
        const char16_t* button;
        void (Form2::*handler)();
    } clicks[] = {
        {u"PushButton1", &Form2::PushButton1_Click},
        {u"PushButton2", &Form2::PushButton2_Click},
        {u"PushButton3", &Form2::PushButton3_Click},
        {u"PushButton4", &Form2::PushButton4_Click},
        {u"PushButton5", &Form2::PushButton5_Click},
        {u"PushButton6", &Form2::PushButton6_Click},
        {u"PushButton7", &Form2::PushButton7_Click},
        {u"PushButton8", &Form2::PushButton8_Click},
        {u"PushButton9", &Form2::PushButton9_Click},
        {u"PushButton10", &Form2::PushButton10_Click},
        {u"PushButton11", &Form2::PushButton11_Click},
        {u"PushButton12", &Form2::PushButton12_Click},
    };
    QList<QWidget*> buttons;
    for (const auto& click : clicks) {
        QWidget* button = controls_.value(QString::fromUtf16(click.button));
        OnClick(button, [this, handler = click.handler] { (this->*handler)(); });
        buttons << button;
    }
    InstallHoverPointer(
        this, buttons,
        {controls_.value(QStringLiteral("List1")), controls_.value(QStringLiteral("List2")),
         controls_.value(QStringLiteral("Frame1")), controls_.value(QStringLiteral("Frame2"))});
}

// A checkable entry whose state lives in the store, so that it outlasts the
// program.
QAction* Form2::copyOption(const char16_t* text, const char16_t* settingsKey) {
    auto* option = new QAction(QString::fromUtf16(text), this);
    option->setCheckable(true);
    const QString key = QString::fromUtf16(settingsKey);
    option->setChecked(store_.read(key) == u"1");
    QObject::connect(option, &QAction::toggled, this, [this, key](bool on) {
        store_.write(key, on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    return option;
}

shell::TableList Form2::list(const char16_t* name) const {
    return TableListOf(controls_.value(QString::fromUtf16(name)));
}

kernel::Workspace Form2::workspace() {
    kernel::Workspace workspace;
    workspace.activity = &*activity_;
    workspace.options.bulk = fastCopy_->isChecked();
    workspace.options.exactTypes = exactTypes_->isChecked();
    workspace.options.resume = addMissingRows_->isChecked();
    // Brought up to date, a table gets its missing rows too, and loses the
    // rows its source no longer has.
    workspace.options.sync = bringUpToDate_->isChecked();
    workspace.options.deleteExtra = bringUpToDate_->isChecked();
    workspace.options.structure = copyStructure_->isChecked();
    // A run of the window is one job: its foreign keys come with the keys.
    workspace.options.foreignKeys = copyStructure_->isChecked();
    workspace.oracleList = list(u"List1");
    workspace.db2List = list(u"List2");
    workspace.dialogs = &dialogs_;
    Form1* logins = &form1_;
    workspace.oracleLogin = [logins] { return logins->oracleLogin(); };
    workspace.db2Login = [logins] { return logins->db2Login(); };
    return workspace;
}

void Form2::Form_Load() {
    shell::ErrorTrap trap(dialogs_, windowName, u"Form_Load");
    trap.step(100, [&] { ApplyWindowColours(this); });
    trap.step(102, [&] { setWindowIcon(ApplicationIcon()); });
    if (trap.check(106, [&] { return FileExists(CursorFilePath()); })) {
        trap.step(108, [&] { LoadCustomPointerImage(this, CursorFilePath()); });
    }
    trap.step(110, [&] { setWindowTitle(QString::fromUtf16(productName)); });
    trap.step(112, [&] { list(u"List1").clear(); });
    trap.step(114, [&] { list(u"List2").clear(); });
    trap.step(116, [&] {
        db::LoadOracleTables(list(u"List1"), db::OracleConnectionString(form1_.oracleLogin()));
    });
    trap.step(118, [&] {
        db::LoadDb2Tables(list(u"List2"), db::Db2ConnectionString(form1_.db2Login()));
    });
    trap.step(120, [&] {
        const ControlRow& back = row(u"PushButton2");
        const int outerHeight = back.top + back.height + bottomAllowanceTwips;
        setFixedHeight(pixels(outerHeight - captionAndBordersTwips));
    });
}

void Form2::selectEvery(const shell::TableList& tables, bool selected, const char16_t* handler) {
    shell::ErrorTrap trap(dialogs_, windowName, handler);
    int count = 0;
    trap.step(100, [&] { count = tables.count(); });
    for (int i = 0; i < count; ++i) {
        trap.step(102, [&] { tables.setSelected(i, selected); });
    }
}

void Form2::PushButton10_Click() {
    selectEvery(list(u"List1"), true, u"PushButton10_Click");
}

void Form2::PushButton11_Click() {
    selectEvery(list(u"List1"), false, u"PushButton11_Click");
}

void Form2::PushButton8_Click() {
    selectEvery(list(u"List2"), true, u"PushButton8_Click");
}

void Form2::PushButton9_Click() {
    selectEvery(list(u"List2"), false, u"PushButton9_Click");
}

void Form2::PushButton2_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton2_Click");
    trap.step(100, [&] { form1_.show(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton12_Click() {
    shell::ErrorTrap trap(dialogs_, windowName, u"PushButton12_Click");
    trap.step(100, [&] { dialogs_.notice(ContactHelpText()); });
}

// The table operations arm their own traps, with their own step numbers.
void Form2::PushButton3_Click() {
    kernel::Workspace copy = workspace();
    if (withTypeRules(copy)) {
        transfer::CopyOracleToDb2(copy);
        showWarnings();
    }
}

void Form2::PushButton4_Click() {
    kernel::Workspace copy = workspace();
    if (withTypeRules(copy)) {
        transfer::CopyDb2ToOracle(copy);
        showWarnings();
    }
}

// What the copy's tables warned of, in one box after the run.
void Form2::showWarnings() {
    const QStringList warnings = activity_->takeWarnings();
    if (!warnings.isEmpty()) {
        dialogs_.notice(warnings.join(u"\r\n"));
    }
}

// The user's column type rules, as the command line reads them; a line that
// is not a rule is reported and no table is copied.
bool Form2::withTypeRules(kernel::Workspace& copy) {
    std::variant<kernel::TypeRules, QString> rules =
        kernel::TypeRules::Read(shell::TypeRulesPath(store_.filePath()));
    if (const QString* why = std::get_if<QString>(&rules)) {
        dialogs_.errorReport(*why);
        return false;
    }
    copy.options.typeRules =
        std::make_shared<const kernel::TypeRules>(std::get<kernel::TypeRules>(rules));
    return true;
}

void Form2::CompareWithOtherSide(db::Side target) {
    QList<compare::TableComparison> tables;
    compare::CompareTables(workspace(), target,
                           [&](const compare::TableComparison& table) { tables.append(table); });
    if (tables.isEmpty()) {
        return;
    }
    const QString title = target == db::Side::Db2
                              ? QStringLiteral("Oracle tables compared with IBM DB2")
                              : QStringLiteral("IBM DB2 tables compared with Oracle");
    auto* result = new ComparisonWindow(title, tables, this);
    result->show();
}

void Form2::ColumnTypes(db::Side target) {
    const shell::TableList tables = list(target == db::Side::Db2 ? u"List1" : u"List2");
    const int current = tables.currentRow();
    if (current < 0) {
        dialogs_.notice(QStringLiteral("Choose a table in the list first."));
        return;
    }
    const QString table = tables.name(current);
    const QString rulesFile = shell::TypeRulesPath(store_.filePath());
    std::variant<kernel::TypeRules, QString> rules = kernel::TypeRules::Read(rulesFile);
    if (const QString* why = std::get_if<QString>(&rules)) {
        dialogs_.errorReport(*why);
        return;
    }
    // The source's description and values; the target's server spells the
    // types and names the ones it has.
    transfer::TablePreview preview;
    QStringList typeNames;
    try {
        db::Connection oracle;
        db::Connection db2;
        oracle.Open(db::OracleConnectionString(form1_.oracleLogin()));
        db2.Open(db::Db2ConnectionString(form1_.db2Login()));
        db::Connection& source = target == db::Side::Db2 ? oracle : db2;
        db::Connection& onTarget = target == db::Side::Db2 ? db2 : oracle;
        preview = transfer::PreviewColumnTypes(
            source, target, onTarget.profile().serverKind, table,
            {.exactTypes = exactTypes_->isChecked(), .fitTypes = false, .measureAll = true},
            &std::get<kernel::TypeRules>(rules));
        db::RowSet types = onTarget.OpenTypeInfo();
        for (; !types.Eof(); types.MoveNext()) {
            typeNames << types.Fields().item(0).Value().text();
        }
    } catch (const db::Error& failure) {
        dialogs_.errorReport(QStringLiteral("\"%1\": %2").arg(table, failure.description()));
        return;
    }
    ColumnTypesDialog dialog(table, target, std::move(preview), typeNames, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (const std::optional<QString> why =
            kernel::TypeRules::SaveColumnRules(rulesFile, target, table, dialog.choices())) {
        dialogs_.errorReport(*why);
    }
}

void Form2::PushButton1_Click() {
    maintenance::DeleteOracleTables(workspace());
}

void Form2::PushButton5_Click() {
    maintenance::DeleteDb2Tables(workspace());
}

void Form2::PushButton6_Click() {
    maintenance::RenameOracleTable(workspace());
}

void Form2::PushButton7_Click() {
    maintenance::RenameDb2Table(workspace());
}

} // namespace ui
