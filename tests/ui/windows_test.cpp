// The two windows without a database: every control where its table row puts
// it, focus order, fonts that fit, masked passwords, names for assistive
// tools, the hover pointer, the help texts, list selection, going back, and
// closing. Each case gets its own settings folder.
#include "shell/Failure.h"
#include "shell/Interrupt.h"
#include "shell/SettingsStore.h"
#include "support/ScriptedDialogs.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Pointer.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using shell::PointerState;
using ui::ControlKind;
using ui::ControlRow;

namespace {

// Twips to pixels as a check, kept apart from the program's own conversion:
// 15 twips a pixel, each edge rounded to the nearest pixel.
QRect expectedRect(int left, int top, int width, int height) {
    const auto px = [](int twips) { return qRound(twips / 15.0); };
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

// Where each control must stand, written down from the windows' control
// lists on their own, not taken from the tables the windows are built from:
// a wrong number there must fail here. Twips, relative to the container.
struct ExpectedPlace {
    const char16_t* window;
    const char16_t* name;
    const char16_t* container; // nullptr: the window
    const char16_t* caption;   // empty for boxes and lists
    int left, top, width, height;
};
// clang-format off
constexpr ExpectedPlace expectedPlaces[] = {
    {u"Form1", u"Frame1",       nullptr,   u"IBM DB2 Login",    120,  120, 7800, 2895},
    {u"Form1", u"Label2",       u"Frame1", u"Server:",          240,  405,  975,  255},
    {u"Form1", u"Text1",        u"Frame1", u"",                1320,  360, 4575,  345},
    {u"Form1", u"Label6",       u"Frame1", u"Port:",           6000,  405,  495,  255},
    {u"Form1", u"Text2",        u"Frame1", u"",                6480,  360, 1095,  345},
    {u"Form1", u"Label1",       u"Frame1", u"Username:",        240,  885, 1095,  255},
    {u"Form1", u"Text3",        u"Frame1", u"",                1320,  840, 6255,  345},
    {u"Form1", u"Label4",       u"Frame1", u"Password:",        240, 1365, 1095,  255},
    {u"Form1", u"Text4",        u"Frame1", u"",                1320, 1320, 6255,  345},
    {u"Form1", u"Label3",       u"Frame1", u"Database:",        240, 1800,  975,  255},
    {u"Form1", u"Text5",        u"Frame1", u"",                1320, 1800, 6255,  345},
    {u"Form1", u"PushButton3",  u"Frame1", u"Test Connection",  240, 2280, 3600,  405},
    {u"Form1", u"PushButton5",  u"Frame1", u"Help",            3960, 2280, 3600,  405},
    {u"Form1", u"Frame2",       nullptr,   u"Oracle Login",     120, 3120, 7800, 2415},
    {u"Form1", u"Label7",       u"Frame2", u"SID:",             240,  405, 1095,  255},
    {u"Form1", u"Text6",        u"Frame2", u"",                1320,  360, 5535,  345},
    {u"Form1", u"PushButton6",  u"Frame2", u"?",               6960,  360,  615,  345},
    {u"Form1", u"Label5",       u"Frame2", u"Username:",        240,  885, 1095,  255},
    {u"Form1", u"Text7",        u"Frame2", u"",                1320,  840, 6255,  345},
    {u"Form1", u"Label9",       u"Frame2", u"Password:",        240, 1365, 1095,  255},
    {u"Form1", u"Text8",        u"Frame2", u"",                1320, 1320, 6255,  345},
    {u"Form1", u"PushButton1",  u"Frame2", u"Test Connection",  240, 1800, 3600,  405},
    {u"Form1", u"PushButton4",  u"Frame2", u"Help",            3960, 1800, 3600,  405},
    {u"Form1", u"PushButton2",  nullptr,   u"Next >",           120, 5660, 7800,  405},
    {u"Form2", u"Frame1",       nullptr,   u"Oracle Tables",    120,  120, 3840, 4215},
    {u"Form2", u"List1",        u"Frame1", u"",                 240,  360, 3330, 1635},
    {u"Form2", u"Frame2",       nullptr,   u"IBM DB2 Tables",  4080,  120, 3840, 4215},
    {u"Form2", u"List2",        u"Frame2", u"",                 240,  360, 3330, 1635},
    {u"Form2", u"PushButton10", u"Frame1", u"Select All",       240, 2100, 1600,  405},
    {u"Form2", u"PushButton11", u"Frame1", u"Deselect All",    1960, 2100, 1600,  405},
    {u"Form2", u"PushButton3",  u"Frame1", u"Send Table/s To IBM DB2", 240, 2600, 3330, 405},
    {u"Form2", u"PushButton1",  u"Frame1", u"Delete Table/s",   240, 3100, 3330,  405},
    {u"Form2", u"PushButton6",  u"Frame1", u"Rename Table",     240, 3600, 3330,  405},
    {u"Form2", u"PushButton8",  u"Frame2", u"Select All",       240, 2100, 1600,  405},
    {u"Form2", u"PushButton9",  u"Frame2", u"Deselect All",    1960, 2100, 1600,  405},
    {u"Form2", u"PushButton4",  u"Frame2", u"Send Table/s To Oracle", 240, 2600, 3330, 405},
    {u"Form2", u"PushButton5",  u"Frame2", u"Delete Table/s",   240, 3100, 3330,  405},
    {u"Form2", u"PushButton7",  u"Frame2", u"Rename Table",     240, 3600, 3330,  405},
    {u"Form2", u"ProgressBar1", nullptr,   u"Progress Bar",     120, 4460, 7800,  405},
    {u"Form2", u"PushButton2",  nullptr,   u"< Back",           120, 4980, 3840,  405},
    {u"Form2", u"PushButton12", nullptr,   u"Help",            4080, 4980, 3840,  405},
};
// clang-format on

std::span<const ControlRow> rowsOf(const QString& window) {
    if (window == u"Form1")
        return ui::form1Controls;
    return ui::form2Controls;
}

QString captionOf(const QWidget* control) {
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return button->text();
    if (const auto* bar = qobject_cast<const QProgressBar*>(control))
        return bar->text();
    return {};
}

bool takesFocus(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::PasswordBox ||
           kind == ControlKind::PushButton || kind == ControlKind::List;
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<shell::SettingsStore> store_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<ui::Form1> form1_;
    std::unique_ptr<ui::Form2> form2_;

    QWidget* window(const QString& name) const {
        return name == u"Form1" ? static_cast<QWidget*>(form1_.get()) : form2_.get();
    }
    template <class T = QWidget> T* control(const QString& window, const QString& name) const {
        T* found = this->window(window)->findChild<T*>(name);
        if (found == nullptr)
            qFatal("%s has no control %s", qPrintable(window), qPrintable(name));
        return found;
    }
    void showActive(QWidget* window) {
        window->show();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    QString stored(const QString& key) const {
        QSettings file(store_->filePath(), QSettings::IniFormat);
        return file.value(u"Duskferry/"_s + key).toString();
    }

private slots:
    void init() {
        config_ = std::make_unique<QTemporaryDir>();
        QVERIFY(config_->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_->path()));
        store_ = std::make_unique<shell::SettingsStore>();
        dialogs_.clear();
        dialogs_.failOnErrorReport = true;
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);
        form2_ = std::make_unique<ui::Form2>(*form1_, dialogs_, *store_);
    }
    void cleanup() {
        QVERIFY2(dialogs_.allExpected(), qPrintable(dialogs_.unexpectedSummary()));
        form2_.reset();
        form1_.reset();
        shell::clearQuitRequest();
    }

    void controlsStandWhereTheirRowsSay_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("rect");
        for (const ExpectedPlace& place : expectedPlaces) {
            const QString window = QString::fromUtf16(place.window);
            const QString name = QString::fromUtf16(place.name);
            QTest::addRow("%s.%s", qPrintable(window), qPrintable(name))
                << window << name
                << (place.container ? QString::fromUtf16(place.container) : window)
                << QString::fromUtf16(place.caption)
                << expectedRect(place.left, place.top, place.width, place.height);
        }
    }
    // Every control the windows build is one of the places above.
    void everyControlHasItsPlace() {
        for (const QString& window : {u"Form1"_s, u"Form2"_s}) {
            int expected = 0;
            for (const ExpectedPlace& place : expectedPlaces) {
                expected += QStringView(place.window) == window ? 1 : 0;
            }
            QCOMPARE(int(rowsOf(window).size()), expected);
        }
    }
    void controlsStandWhereTheirRowsSay() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, rect);
        QWidget* shown = this->window(window);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));

        QWidget* widget = control(window, name);
        QCOMPARE(widget->geometry(), rect);
        const QWidget* parent = widget->parentWidget();
        QCOMPARE(parent == shown ? window : parent->objectName(), container);
        QCOMPARE(captionOf(widget), caption);
        // Within its container, so nothing is clipped.
        QVERIFY2(parent->rect().contains(widget->geometry()),
                 qPrintable(u"%1 leaves its container"_s.arg(name)));
    }

    // Controls that take input or show a caption must not cover one another
    // (labels may touch the box beside them by a pixel, as laid out), and
    // every caption must fit its control in the font it is drawn with.
    void captionsFitAndControlsDoNotOverlap_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << u"Form1"_s;
        QTest::newRow("Form2") << u"Form2"_s;
    }
    void captionsFitAndControlsDoNotOverlap() {
        QFETCH(QString, window);
        const auto rows = rowsOf(window);
        for (const ControlRow& row : rows) {
            QWidget* widget = control(window, QString::fromUtf16(row.name));
            const QFontInfo resolved(widget->font());
            QVERIFY2(
                resolved.family() == u"Arial" || resolved.family() == u"Liberation Sans",
                qPrintable(u"%1 is drawn in %2"_s.arg(widget->objectName(), resolved.family())));
            const int textWidth =
                QFontMetrics(widget->font()).horizontalAdvance(QString::fromUtf16(row.caption));
            const int room = row.kind == ControlKind::PushButton ? widget->width() - 8
                             : row.kind == ControlKind::Frame    ? widget->width() - 16
                                                                 : widget->width();
            QVERIFY2(textWidth <= room,
                     qPrintable(u"%1: caption needs %2 px, has %3"_s.arg(widget->objectName())
                                    .arg(textWidth)
                                    .arg(room)));
            if (row.kind == ControlKind::Label)
                continue;
            for (const ControlRow& other : rows) {
                if (&other == &row || other.kind == ControlKind::Label ||
                    QStringView(other.container ? other.container : u"") !=
                        QStringView(row.container ? row.container : u""))
                    continue;
                QWidget* neighbour = control(window, QString::fromUtf16(other.name));
                QVERIFY2(!widget->geometry().intersects(neighbour->geometry()),
                         qPrintable(u"%1 overlaps %2"_s.arg(widget->objectName(),
                                                            neighbour->objectName())));
            }
        }
    }

    void fontsFollowTheKindOfControl_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::newRow("Form1 window") << u"Form1"_s << QString() << 9.0 << false;
        QTest::newRow("Form1 frame") << u"Form1"_s << u"Frame2"_s << 9.0 << true;
        QTest::newRow("Form1 label") << u"Form1"_s << u"Label7"_s << 9.0 << true;
        QTest::newRow("Form1 text box") << u"Form1"_s << u"Text4"_s << 9.0 << true;
        QTest::newRow("Form1 push button") << u"Form1"_s << u"PushButton2"_s << 11.25 << true;
        QTest::newRow("Form2 window") << u"Form2"_s << QString() << 9.0 << true;
        QTest::newRow("Form2 list") << u"Form2"_s << u"List2"_s << 9.0 << true;
        QTest::newRow("Form2 progress bar") << u"Form2"_s << u"ProgressBar1"_s << 9.0 << true;
        QTest::newRow("Form2 push button") << u"Form2"_s << u"PushButton12"_s << 11.25 << true;
    }
    void fontsFollowTheKindOfControl() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(double, points);
        QFETCH(bool, bold);
        const QWidget* widget = name.isEmpty() ? this->window(window) : control(window, name);
        QCOMPARE(widget->font().family(), u"Arial"_s);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
    }

    void windowsHaveAFixedClientArea_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("size");
        QTest::newRow("Form1") << u"Form1"_s << QSize(536, 412);
        QTest::newRow("Form2") << u"Form2"_s << QSize(536, 367);
    }
    void windowsHaveAFixedClientArea() {
        QFETCH(QString, window);
        QFETCH(QSize, size);
        QWidget* shown = this->window(window);
        QCOMPARE(shown->minimumSize(), size);
        QCOMPARE(shown->maximumSize(), size);
        QVERIFY(!(shown->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(shown->windowFlags() & Qt::WindowCloseButtonHint);
        showActive(shown);
        QCOMPARE(shown->size(), size);
        // Centred on its screen.
        const QPoint offCentre =
            shown->frameGeometry().center() - shown->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(u"%1,%2"_s.arg(offCentre.x()).arg(offCentre.y())));
    }

    // Tab walks the focusable controls in tab index order and wraps round;
    // the DB2 server box has the focus first.
    void tabWalksTheTabOrder_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("order");
        for (const QString& window : {u"Form1"_s, u"Form2"_s}) {
            std::vector<ControlRow> rows(rowsOf(window).begin(), rowsOf(window).end());
            std::stable_sort(
                rows.begin(), rows.end(),
                [](const ControlRow& a, const ControlRow& b) { return a.tabIndex < b.tabIndex; });
            QStringList order;
            for (const ControlRow& row : rows) {
                if (row.tabIndex >= 0 && takesFocus(row.kind))
                    order << QString::fromUtf16(row.name);
            }
            QTest::newRow(qPrintable(window)) << window << order;
        }
    }
    void tabWalksTheTabOrder() {
        QFETCH(QString, window);
        QFETCH(QStringList, order);
        QWidget* shown = this->window(window);
        showActive(shown);
        if (window == u"Form1")
            QCOMPARE(QApplication::focusWidget(), control(window, u"Text1"_s));
        control(window, order.first())->setFocus(Qt::OtherFocusReason);
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, order + QStringList{order.first()});
    }

    // The password boxes show one "*" per character; the others show the text.
    void passwordBoxesShowStars_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("shown");
        for (int n = 1; n <= 8; ++n) {
            const bool password = n == 4 || n == 8;
            QTest::addRow("Text%d", n)
                << u"Text%1"_s.arg(n) << (password ? u"******"_s : u"s3cr;t"_s);
        }
    }
    void passwordBoxesShowStars() {
        QFETCH(QString, box);
        QFETCH(QString, shown);
        auto* edit = control<QLineEdit>(u"Form1"_s, box);
        edit->setText(u"s3cr;t"_s);
        QCOMPARE(edit->displayText(), shown);
        QCOMPARE(edit->text(), u"s3cr;t"_s);
    }

    void boxesAndListsCarryTheirLabelsNames_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const struct {
            const char* window;
            const char* control;
            const char* name;
        } rows[] = {{"Form1", "Text1", "Server"},        {"Form1", "Text2", "Port"},
                    {"Form1", "Text3", "Username"},      {"Form1", "Text4", "Password"},
                    {"Form1", "Text5", "Database"},      {"Form1", "Text6", "SID"},
                    {"Form1", "Text7", "Username"},      {"Form1", "Text8", "Password"},
                    {"Form2", "List1", "Oracle Tables"}, {"Form2", "List2", "IBM DB2 Tables"}};
        for (const auto& row : rows) {
            QTest::addRow("%s.%s", row.window, row.control)
                << QString::fromLatin1(row.window) << QString::fromLatin1(row.control)
                << QString::fromLatin1(row.name);
        }
    }
    void boxesAndListsCarryTheirLabelsNames() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        QWidget* widget = this->control(window, control);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        if (window == u"Form1") {
            // The label points at its box, so its mnemonic and a screen
            // reader's "labelled by" both lead there.
            const auto labels = this->window(window)->findChildren<QLabel*>();
            QVERIFY(std::any_of(labels.begin(), labels.end(),
                                [&](const QLabel* label) { return label->buddy() == widget; }));
        }
    }

    void listsAreSortedWithExtendedSelection_data() {
        QTest::addColumn<QString>("list");
        QTest::newRow("List1") << u"List1"_s;
        QTest::newRow("List2") << u"List2"_s;
    }
    void listsAreSortedWithExtendedSelection() {
        QFETCH(QString, list);
        auto* view = control<QListView>(u"Form2"_s, list);
        QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
        const shell::TableList tables = ui::TableListOf(view);
        tables.insertNames({u"ORDERS"_s, u"CUSTOMERS"_s, u"Mixed Case"_s});
        tables.insertName(u"ACCOUNTS"_s);
        QStringList shown;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            shown << view->model()->index(row, 0).data().toString();
        QCOMPARE(shown, (QStringList{u"ACCOUNTS"_s, u"CUSTOMERS"_s, u"Mixed Case"_s, u"ORDERS"_s}));
    }

    void progressBarIdlesWithItsCaption() {
        auto* bar = control<QProgressBar>(u"Form2"_s, u"ProgressBar1"_s);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QVERIFY(bar->isTextVisible());
        QCOMPARE(bar->text(), u"Progress Bar"_s);
    }

    // However the focus comes to a box, typing replaces the whole old value,
    // and the new value is in the store at once.
    // Moving into a box selects its value, so that typing replaces it; a
    // click, a closing context menu and a return from another window leave
    // the caret where the user put it.
    void focusSelectsOnlyWhenMovingIn_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("selectsAll");
        QTest::newRow("tab") << u"tab"_s << true;
        QTest::newRow("shift+tab") << u"backtab"_s << true;
        QTest::newRow("focus given by the program") << u"other"_s << true;
        QTest::newRow("click") << u"click"_s << false;
        QTest::newRow("context menu closed") << u"popup"_s << false;
        QTest::newRow("back from another window") << u"window"_s << false;
    }
    void focusSelectsOnlyWhenMovingIn() {
        QFETCH(QString, how);
        QFETCH(bool, selectsAll);
        showActive(form1_.get());
        auto* user = control<QLineEdit>(u"Form1"_s, u"Text3"_s);
        user->setText(u"old user"_s);
        const QPoint middle(user->width() / 2, user->height() / 2);
        if (how == u"tab") {
            control(u"Form1"_s, u"Text2"_s)->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } else if (how == u"backtab") {
            control(u"Form1"_s, u"Text4"_s)->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        } else if (how == u"other") {
            user->setFocus(Qt::OtherFocusReason);
        } else {
            // The caret placed by a click, then the focus lost and given back.
            QTest::mouseClick(user, Qt::LeftButton, {}, middle);
            const Qt::FocusReason reason = how == u"popup"    ? Qt::PopupFocusReason
                                           : how == u"window" ? Qt::ActiveWindowFocusReason
                                                              : Qt::MouseFocusReason;
            if (how != u"click") {
                QFocusEvent out(QEvent::FocusOut, reason);
                QApplication::sendEvent(user, &out);
                QFocusEvent in(QEvent::FocusIn, reason);
                QApplication::sendEvent(user, &in);
            }
        }
        QCOMPARE(QApplication::focusWidget(), user);
        QApplication::processEvents();
        QCOMPARE(user->selectedText(), selectsAll ? u"old user"_s : QString());
        QTest::keyClicks(user, u"db2inst1"_s);
        if (selectsAll) {
            QCOMPARE(user->text(), u"db2inst1"_s);
            QCOMPARE(stored(u"User"_s), u"db2inst1"_s);
        } else {
            QVERIFY2(user->text().contains(u"db2inst1"_s) && user->text().size() > 8,
                     qPrintable(user->text()));
        }
    }

    // A value of any length goes into the box and the store whole.
    void boxesTakeValuesOfAnyLength() {
        const QString longValue = QString(40000, u'p') + u"end"_s;
        auto* password = control<QLineEdit>(u"Form1"_s, u"Text8"_s);
        password->setText(longValue);
        QCOMPARE(password->text(), longValue);
        QCOMPARE(stored(u"OraclePassword"_s), longValue);
        QTest::keyClick(password, Qt::Key_End);
        QTest::keyClicks(password, u"!"_s);
        QCOMPARE(stored(u"OraclePassword"_s), longValue + u'!');
    }

    // When the store cannot be written the user hears so once, not at every keystroke.
    void unsavableLoginIsReportedOnce() {
        form2_.reset();
        form1_.reset();
        QFile blocker(config_->filePath(u"not-a-folder"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName() + u"/config"_s));
        store_ = std::make_unique<shell::SettingsStore>();
        form1_ = std::make_unique<ui::Form1>(dialogs_, *store_);

        QTest::keyClicks(control(u"Form1"_s, u"Text1"_s), u"db2host"_s);
        QCOMPARE(control<QLineEdit>(u"Form1"_s, u"Text1"_s)->text(), u"db2host"_s);
        QCOMPARE(dialogs_.notices().size(), 1);
        QVERIFY2(dialogs_.notices().first().contains(u"could not be saved"_s),
                 qPrintable(dialogs_.notices().first()));
        dialogs_.clear();
    }

    // Buttons ask for the hand; boxes, lists, frames and the bare window for
    // the default pointer; labels and the progress bar leave it alone. A busy
    // window keeps its hourglass everywhere.
    void hoverSetsThePointerOfTheWholeWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<PointerState>("before");
        QTest::addColumn<PointerState>("after");
        for (const QString& window : {u"Form1"_s, u"Form2"_s}) {
            QTest::addRow("%s background", qPrintable(window))
                << window << QString() << PointerState::Hand << PointerState::Default;
            for (const ControlRow& row : rowsOf(window)) {
                PointerState before = PointerState::Hand;
                PointerState after = PointerState::Hand;
                if (row.kind == ControlKind::PushButton) {
                    before = PointerState::Default;
                } else if (row.kind != ControlKind::Label && row.kind != ControlKind::ProgressBar) {
                    after = PointerState::Default;
                }
                const QString name = QString::fromUtf16(row.name);
                QTest::addRow("%s.%s", qPrintable(window), qPrintable(name))
                    << window << name << before << after;
                QTest::addRow("%s.%s busy", qPrintable(window), qPrintable(name))
                    << window << name << PointerState::Busy << PointerState::Busy;
            }
        }
    }
    void hoverSetsThePointerOfTheWholeWindow() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(PointerState, before);
        QFETCH(PointerState, after);
        QWidget* shown = this->window(window);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        ui::setWindowPointer(shown, before);

        QWidget* target = name.isEmpty() ? shown : control(window, name);
        if (auto* list = qobject_cast<QListView*>(target))
            target = list->viewport();
        // Frames and the window are hovered where none of their controls lies.
        const QPoint spot = qobject_cast<QGroupBox*>(target) ? QPoint(4, target->height() - 4)
                            : target == shown                ? QPoint(3, 3)
                                                             : target->rect().center();
        QVERIFY(target == shown || qobject_cast<QGroupBox*>(target) == nullptr ||
                target->childAt(spot) == nullptr);
        QTest::mouseMove(target, spot);
        QCOMPARE(ui::windowPointer(shown), after);
    }

    void helpButtonsShowTheirTexts_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("notices");

        const QString sid =
            u"This software works with Oracle 9i or higher.\r\r"
            u"The SID is used to identify a particular database. The SID is usually defined in "
            u"the TNSNAMES.ORA file. The TNSNAMES.ORA file found in my Oracle 9i folder looks "
            u"like:\r\n\r\n"
            u"KORV =\r\n"
            u" (DESCRIPTION =\r\n"
            u"   (ADDRESS_LIST =\r\n"
            u"     (ADDRESS = (PROTOCOL = TCP)(HOST = 192.168.1.10)(PORT = 1521))\r\n"
            u"   )\r\n"
            u"   (CONNECT_DATA =\r\n"
            u"     (SID = KORV)\r\n"
            u"   )\r\n"
            u" )\r\n\r\n"
            u"Therefore, my SID would be KORV"_s;
        const QString db2 =
            u"Here is how I connected to my IBM DB2 database.\r\r"
            u"I went to www.ibm.com\r\r"
            u"specifically\r\r"
            u"https://www.ibm.com/support/pages/db2-client-download\r\r"
            u"Downloaded and installed the DB2 Client (not DB2 Runtime Client)\r\r"
            u"I personally got the\r\r"
            u"DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)\r\r"
            u"If you are using Windows XP, there may be a firewall preventing you from "
            u"connecting. You may need to add the DB2 port.\r\r"
            u"Please visit:\r\r"
            u"https://www.ibm.com/support/pages/db2-connection-troubleshooting\r\r"_s;
        const QString lob =
            u"This software does not support the CLOB and NLOB data type in Oracle."_s;

        QTest::newRow("Oracle Help") << u"Form1"_s << u"PushButton4"_s << QStringList{sid, lob};
        QTest::newRow("IBM DB2 Help") << u"Form1"_s << u"PushButton5"_s << QStringList{db2, lob};
        QTest::newRow("? beside the SID") << u"Form1"_s << u"PushButton6"_s << QStringList{sid};
        QTest::newRow("table manager Help")
            << u"Form2"_s << u"PushButton12"_s
            << QStringList{
                   u"Questions? Please contact Team Quorvane at https://quorvane.example/contact"_s};
    }
    void helpButtonsShowTheirTexts() {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(QStringList, notices);
        control<QPushButton>(window, button)->click();
        QCOMPARE(dialogs_.shown().size(), notices.size());
        QCOMPARE(dialogs_.notices(), notices);
        dialogs_.clear();
    }

    // Select All and Deselect All change the selection only, never the current item.
    void selectAllAndDeselectAll_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("selectAll");
        QTest::addColumn<QString>("deselectAll");
        QTest::addColumn<int>("current");
        QTest::newRow("Oracle, no current item")
            << u"List1"_s << u"PushButton10"_s << u"PushButton11"_s << -1;
        QTest::newRow("Oracle, current item")
            << u"List1"_s << u"PushButton10"_s << u"PushButton11"_s << 7;
        QTest::newRow("IBM DB2, no current item")
            << u"List2"_s << u"PushButton8"_s << u"PushButton9"_s << -1;
        QTest::newRow("IBM DB2, current item")
            << u"List2"_s << u"PushButton8"_s << u"PushButton9"_s << 7;
    }
    void selectAllAndDeselectAll() {
        QFETCH(QString, list);
        QFETCH(QString, selectAll);
        QFETCH(QString, deselectAll);
        QFETCH(int, current);
        const shell::TableList tables = ui::TableListOf(control(u"Form2"_s, list));
        for (int i = 0; i < 200; ++i)
            tables.insertName(u"T%1"_s.arg(i, 3, 10, QChar(u'0')));
        tables.setCurrentRow(current);
        const QString other = list == u"List1" ? u"List2"_s : u"List1"_s;
        const shell::TableList otherTables = ui::TableListOf(control(u"Form2"_s, other));
        otherTables.insertNames({u"A"_s, u"B"_s});

        control<QPushButton>(u"Form2"_s, selectAll)->click();
        QCOMPARE(tables.selectedCount(), 200);
        QCOMPARE(tables.currentRow(), current);
        QCOMPARE(otherTables.selectedCount(), 0);

        control<QPushButton>(u"Form2"_s, deselectAll)->click();
        QCOMPARE(tables.selectedCount(), 0);
        QCOMPARE(tables.currentRow(), current);
        QVERIFY(dialogs_.shown().isEmpty());
    }

    // The copy options of the lists' context menu: off at first, the same
    // entry on both lists, kept in the store for the next start, and what
    // the copy runs are given; each apart from the other.
    void copyOptionsOutlastTheProgram_data() {
        QTest::addColumn<QString>("text");
        // 0 bulk, 1 exact types, 2 add missing rows, 3 keys, 4 bring up to date
        QTest::addColumn<int>("which");
        QTest::newRow("bulk") << u"Fast copy (bulk insert)"_s << 0;
        QTest::newRow("exact types") << u"Exact column types"_s << 1;
        QTest::newRow("add missing rows") << u"Add missing rows to existing tables"_s << 2;
        QTest::newRow("keys") << u"Copy keys, indexes and comments"_s << 3;
        QTest::newRow("bring up to date") << u"Bring existing tables up to date"_s << 4;
    }
    void copyOptionsOutlastTheProgram() {
        QFETCH(QString, text);
        QFETCH(int, which);
        const auto option = [](QWidget* list, const QString& text) -> QAction* {
            for (QAction* action : list->actions()) {
                if (action->text() == text)
                    return action;
            }
            return nullptr;
        };
        const auto flags = [](const kernel::CopyOptions& options) {
            return QList<bool>{options.bulk, options.exactTypes, options.resume, options.structure,
                               options.sync && options.deleteExtra};
        };
        const auto chosen = [&](const kernel::CopyOptions& options) {
            return flags(options)[which];
        };
        // Every other option stays off.
        const auto other = [&](const kernel::CopyOptions& options) {
            QList<bool> rest = flags(options);
            rest.removeAt(which);
            return rest.contains(true);
        };
        QWidget* oracleList = control(u"Form2"_s, u"List1"_s);
        QCOMPARE(oracleList->contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction* entry = option(oracleList, text);
        QVERIFY(entry != nullptr && entry->isCheckable() && !entry->isChecked());
        QCOMPARE(option(control(u"Form2"_s, u"List2"_s), text), entry);
        QVERIFY(!chosen(form2_->workspace().options));

        entry->trigger();
        QVERIFY(chosen(form2_->workspace().options));
        QVERIFY(!other(form2_->workspace().options));
        ui::Form1 restarted(dialogs_, *store_);
        ui::Form2 again(restarted, dialogs_, *store_);
        QVERIFY(option(again.findChild<QWidget*>(u"List2"_s), text)->isChecked());
        QVERIFY(chosen(again.workspace().options));

        entry->trigger();
        QVERIFY(!chosen(ui::Form2(restarted, dialogs_, *store_).workspace().options));
    }

    void backShowsTheConnectionWindow() {
        form1_->hide();
        form2_->show();
        ui::TableListOf(control(u"Form2"_s, u"List1"_s)).insertName(u"KEPT"_s);
        control<QPushButton>(u"Form2"_s, u"PushButton2"_s)->click();
        QVERIFY(form1_->isVisible());
        QVERIFY(!form2_->isVisible());
        // Only hidden: its lists stay as they were.
        QCOMPARE(ui::TableListOf(control(u"Form2"_s, u"List1"_s)).count(), 1);
        QVERIFY(dialogs_.shown().isEmpty());
    }

    // Closing either window ends the program: every window goes, and a
    // running operation is told to stop at its next yield.
    void closingEitherWindowEndsTheProgram_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << u"Form1"_s;
        QTest::newRow("Form2") << u"Form2"_s;
    }
    void closingEitherWindowEndsTheProgram() {
        QFETCH(QString, window);
        form1_->show();
        form2_->show();
        QVERIFY(this->window(window)->close());
        QVERIFY(shell::quitRequested());
        QVERIFY(!form1_->isVisible());
        QVERIFY(!form2_->isVisible());
        bool cancelled = false;
        try {
            shell::Pause();
        } catch (const shell::Cancelled&) {
            cancelled = true;
        }
        QVERIFY(cancelled);
        QVERIFY(dialogs_.shown().isEmpty());
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
