// The look both windows share: the hover rule as the pointer really moves,
// the hand image from a cursor file, the skin and the button-face colours,
// the application title.
#include "shell/ErrorTrap.h"
#include "shell/Failure.h"
#include "ui/CursorFile.h"
#include "ui/Look.h"
#include "ui/Pointer.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <memory>
#include <unistd.h>

using shell::PointerState;

using namespace Qt::StringLiterals;

namespace {

// A window laid out like the program's: a frame holding a label, a text box,
// a button and a list, and on the window itself a button, a label, a progress
// bar, a check box and an option button. Labels and the progress bar track the
// pointer too, as a label with links would, so that their movement reaches
// the frame and the window behind them.
struct TestWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QGroupBox* frame = new QGroupBox(QStringLiteral("Oracle Tables"), window.get());
    QLabel* frameLabel = new QLabel(QStringLiteral("SID:"), frame);
    QLineEdit* textBox = new QLineEdit(frame);
    QPushButton* frameButton = new QPushButton(QStringLiteral("Test Connection"), frame);
    QListWidget* list = new QListWidget(frame);
    QPushButton* windowButton = new QPushButton(QStringLiteral("Next >"), window.get());
    QLabel* windowLabel = new QLabel(QStringLiteral("Note"), window.get());
    QProgressBar* progressBar = new QProgressBar(window.get());
    QCheckBox* checkBox = new QCheckBox(QStringLiteral("Check"), window.get());
    QRadioButton* optionButton = new QRadioButton(QStringLiteral("Option"), window.get());

    TestWindow() {
        window->setGeometry(100, 100, 420, 320);
        frame->setGeometry(10, 10, 220, 200);
        frameLabel->setGeometry(10, 30, 60, 20);
        textBox->setGeometry(80, 30, 120, 22);
        frameButton->setGeometry(10, 60, 100, 26);
        list->setGeometry(10, 100, 120, 80);
        list->addItems({QStringLiteral("EMP"), QStringLiteral("DEPT")});
        windowButton->setGeometry(250, 10, 100, 26);
        windowLabel->setGeometry(250, 50, 100, 20);
        progressBar->setGeometry(250, 80, 150, 20);
        checkBox->setGeometry(250, 110, 100, 20);
        optionButton->setGeometry(250, 140, 100, 20);
        frameLabel->setMouseTracking(true);
        windowLabel->setMouseTracking(true);
        progressBar->setMouseTracking(true);

        frame->setObjectName(QStringLiteral("frame"));
        frameLabel->setObjectName(QStringLiteral("frameLabel"));
        textBox->setObjectName(QStringLiteral("textBox"));
        frameButton->setObjectName(QStringLiteral("frameButton"));
        list->viewport()->setObjectName(QStringLiteral("listItems"));
        windowButton->setObjectName(QStringLiteral("windowButton"));
        windowLabel->setObjectName(QStringLiteral("windowLabel"));
        progressBar->setObjectName(QStringLiteral("progressBar"));
        checkBox->setObjectName(QStringLiteral("checkBox"));
        window->setObjectName(QStringLiteral("window"));
    }

    void installHover() {
        ui::InstallHoverPointer(window.get(), {frameButton, windowButton}, {textBox, list, frame});
    }

    QWidget* widget(const QString& name) const {
        return name == window->objectName() ? window.get() : window->findChild<QWidget*>(name);
    }

    // What the look may change, one line per widget, the window first.
    QStringList look() const {
        QList<QWidget*> widgets{window.get()};
        widgets += window->findChildren<QWidget*>();
        QStringList lines;
        for (const QWidget* widget : widgets) {
            lines << QStringLiteral("%1 palette set %2, background %3 filled %4, sheet [%5]")
                         .arg(widget->objectName())
                         .arg(widget->testAttribute(Qt::WA_SetPalette))
                         .arg(widget->palette().color(QPalette::Window).name())
                         .arg(widget->autoFillBackground())
                         .arg(widget->styleSheet());
        }
        return lines;
    }
};

enum class Movement { Move, Enter };

void movePointer(QWidget* target, QPoint position, Movement movement) {
    const QPointF global = target->mapToGlobal(QPointF(position));
    if (movement == Movement::Move) {
        QMouseEvent event(QEvent::MouseMove, QPointF(position), global, Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    } else {
        QEnterEvent event(QPointF(position), target->window()->mapFromGlobal(global), global);
        QApplication::sendEvent(target, &event);
    }
}

Qt::CursorShape shapeFor(PointerState state) {
    switch (state) {
    case PointerState::Busy:
        return Qt::WaitCursor;
    case PointerState::Hand:
        return Qt::PointingHandCursor;
    case PointerState::Default:
        break;
    }
    return Qt::ArrowCursor;
}

// --- Windows cursor files, built byte by byte ---

void put16(QByteArray& bytes, int value) {
    char le[2];
    qToLittleEndian<quint16>(static_cast<quint16>(value), le);
    bytes.append(le, 2);
}

void put32(QByteArray& bytes, qint64 value) {
    char le[4];
    qToLittleEndian<quint32>(static_cast<quint32>(value), le);
    bytes.append(le, 4);
}

// The top left quarter is opaque (black, or red in colour images), the rest
// is transparent.
bool opaqueAt(int size, int x, int y) {
    return x < size / 2 && y < size / 2;
}

// A device-independent bitmap as cursor files hold it: the header with twice
// the height, the colour image bottom row first, then the AND mask.
QByteArray bitmapImage(int size, int bitsPerPixel) {
    QByteArray bytes;
    put32(bytes, 40);
    put32(bytes, size);
    put32(bytes, 2 * size);
    put16(bytes, 1);
    put16(bytes, bitsPerPixel);
    for (int field = 0; field < 6; ++field) {
        put32(bytes, 0);
    }
    if (bitsPerPixel == 1) {
        put32(bytes, 0x00000000); // black
        put32(bytes, 0x00ffffff); // white
    }
    const int colourStride = (size * bitsPerPixel + 31) / 32 * 4;
    const int maskStride = (size + 31) / 32 * 4;
    for (int row = size - 1; row >= 0; --row) {
        QByteArray line(colourStride, '\0');
        if (bitsPerPixel == 32) {
            for (int x = 0; x < size; ++x) {
                if (opaqueAt(size, x, row)) {
                    line[4 * x + 2] = char(0xff); // red
                    line[4 * x + 3] = char(0xff); // alpha
                }
            }
        }
        bytes += line;
    }
    for (int row = size - 1; row >= 0; --row) {
        QByteArray line(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if (!opaqueAt(size, x, row)) {
                line[x / 8] = char(line[x / 8] | (0x80 >> (x % 8)));
            }
        }
        bytes += line;
    }
    return bytes;
}

QByteArray pngImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (opaqueAt(size, x, y)) {
                image.setPixelColor(x, y, Qt::red);
            }
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct CursorImage {
    int size;
    int hotX;
    int hotY;
    QByteArray data;
};

QByteArray cursorFile(const QList<CursorImage>& images, int type = 2) {
    QByteArray bytes;
    put16(bytes, 0);
    put16(bytes, type);
    put16(bytes, static_cast<int>(images.size()));
    qint64 offset = 6 + 16 * images.size();
    for (const CursorImage& image : images) {
        bytes.append(char(image.size));
        bytes.append(char(image.size));
        bytes.append('\0');
        bytes.append('\0');
        put16(bytes, image.hotX);
        put16(bytes, image.hotY);
        put32(bytes, image.data.size());
        put32(bytes, offset);
        offset += image.data.size();
    }
    for (const CursorImage& image : images) {
        bytes += image.data;
    }
    return bytes;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
    return path;
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT

private slots:
    // The real boxes, shown offscreen: the report's CR and CR LF breaks are
    // separate lines on screen, markup-looking SQL is shown as typed, and the
    // overwrite question answers Yes to Enter.
    void realBoxesShowTheirLines_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("error report") << u"report"_s;
        QTest::newRow("notice") << u"notice"_s;
        QTest::newRow("question") << u"question"_s;
    }
    void realBoxesShowTheirLines() {
        QFETCH(QString, kind);
        const QString text =
            shell::ErrorReportText(u"ERROR: column <b>x</b> refused"_s,
                                   shell::ErrorLocation(u"Form2", u"PushButton3_Click"), 272,
                                   u"INSERT INTO \"T\" VALUES('<i>')"_s);
        QString shownText;
        int lineCount = 0;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
            QVERIFY(label != nullptr);
            shownText = label->text();
            QCOMPARE(label->textFormat(), Qt::PlainText);
            // Laid out as lines: as tall as its lines, not one.
            lineCount =
                qRound(double(label->sizeHint().height()) / label->fontMetrics().lineSpacing());
            defaultButton = box->standardButton(box->defaultButton());
            box->done(QMessageBox::No);
        });
        ui::QtDialogs dialogs;
        if (kind == u"report") {
            dialogs.errorReport(text);
        } else if (kind == u"notice") {
            dialogs.notice(text);
        } else {
            dialogs.askYesNo(text, u"Overwrite?"_s);
            QCOMPARE(defaultButton, QMessageBox::Yes);
        }
        QVERIFY(!shownText.contains(u'\r'));
        QString lines = text;
        lines.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        QCOMPARE(shownText, lines);
        QVERIFY2(lineCount >= 6, qPrintable(u"%1 lines on screen"_s.arg(lineCount)));
    }

    // Every case gets its own program folder.
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    // --- hover rule ---

    void hoverFollowsThePointer_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<int>("movement");
        QTest::addColumn<PointerState>("before");
        QTest::addColumn<PointerState>("after");
        const PointerState idle = PointerState::Default;
        const PointerState hand = PointerState::Hand;
        const PointerState busy = PointerState::Busy;
        struct Row {
            const char* name;
            const char* target;
            QPoint position;
            PointerState before;
            PointerState after;
        };
        const Row rows[] = {
            {"button on the window", "windowButton", {5, 5}, idle, hand},
            // The button passes the movement on to its frame, which must not undo the hand.
            {"button in a frame", "frameButton", {5, 5}, idle, hand},
            {"list", "listItems", {5, 5}, hand, idle},
            {"text box", "textBox", {5, 5}, hand, idle},
            {"frame", "frame", {150, 80}, hand, idle},
            {"window background", "window", {300, 250}, hand, idle},
            {"label in a frame", "frameLabel", {5, 5}, hand, hand},
            {"label on the window", "windowLabel", {5, 5}, hand, hand},
            {"progress bar", "progressBar", {5, 5}, hand, hand},
            {"check box", "checkBox", {5, 5}, hand, hand},
            {"frame where its label is", "frame", {15, 35}, hand, hand},
            {"window where the progress bar is", "window", {260, 85}, hand, hand},
            {"busy over a button", "windowButton", {5, 5}, busy, busy},
            {"busy over a list", "listItems", {5, 5}, busy, busy},
            {"busy over a frame", "frame", {150, 80}, busy, busy},
            {"busy over the window", "window", {300, 250}, busy, busy},
        };
        for (const Row& row : rows) {
            for (const Movement movement : {Movement::Move, Movement::Enter}) {
                QTest::addRow("%s, %s", row.name, movement == Movement::Move ? "move" : "enter")
                    << QString::fromLatin1(row.target) << row.position << int(movement)
                    << row.before << row.after;
            }
        }
    }
    void hoverFollowsThePointer() {
        QFETCH(QString, target);
        QFETCH(QPoint, position);
        QFETCH(int, movement);
        QFETCH(PointerState, before);
        QFETCH(PointerState, after);

        TestWindow test;
        test.installHover();
        test.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(test.window.get()));
        ui::setWindowPointer(test.window.get(), before);

        QWidget* widget = test.widget(target);
        QVERIFY(widget != nullptr);
        movePointer(widget, position, Movement(movement));

        QCOMPARE(ui::windowPointer(test.window.get()), after);
        QCOMPARE(test.window->cursor().shape(), shapeFor(after));
        // The pointer belongs to the window as a whole, never to a control.
        for (QWidget* control : test.window->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) == nullptr) {
                QVERIFY2(!control->testAttribute(Qt::WA_SetCursor),
                         qPrintable(control->objectName()));
            }
        }
    }

    // Long operations restore the default pointer; the next movement over a
    // button brings the hand back, with the window's own image when it has one.
    void handReturnsAfterBusy_data() {
        QTest::addColumn<bool>("customImage");
        QTest::newRow("toolkit hand") << false;
        QTest::newRow("image from the cursor file") << true;
    }
    void handReturnsAfterBusy() {
        QFETCH(bool, customImage);
        TestWindow test;
        test.installHover();
        test.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(test.window.get()));
        if (customImage) {
            const QString path = writeFile(folder_->filePath(QStringLiteral("HAND-M.CUR")),
                                           cursorFile({{32, 5, 7, bitmapImage(32, 1)}}));
            ui::LoadCustomPointerImage(test.window.get(), path);
        }

        ui::setWindowPointer(test.window.get(), PointerState::Busy);
        movePointer(test.frameButton, {5, 5}, Movement::Move);
        movePointer(test.list->viewport(), {5, 5}, Movement::Move);
        QCOMPARE(test.window->cursor().shape(), Qt::WaitCursor);

        ui::setWindowPointer(test.window.get(), PointerState::Default);
        movePointer(test.frameButton, {6, 6}, Movement::Move);
        QCOMPARE(ui::windowPointer(test.window.get()), PointerState::Hand);
        if (customImage) {
            QCOMPARE(test.window->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(test.window->cursor().hotSpot(), QPoint(5, 7));
        } else {
            QCOMPARE(test.window->cursor().shape(), Qt::PointingHandCursor);
        }
        // Onto a label: the hand stays.
        movePointer(test.frameLabel, {5, 5}, Movement::Move);
        QCOMPARE(ui::windowPointer(test.window.get()), PointerState::Hand);
    }

    // --- cursor file ---

    void cursorFileLoadsWithItsHotSpot_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::addColumn<int>("size");
        QTest::newRow("two-colour with mask")
            << cursorFile({{32, 5, 7, bitmapImage(32, 1)}}) << QPoint(5, 7) << 32;
        QTest::newRow("true colour with alpha")
            << cursorFile({{32, 31, 0, bitmapImage(32, 32)}}) << QPoint(31, 0) << 32;
        QTest::newRow("PNG image")
            << cursorFile({{32, 12, 3, pngImage(32)}}) << QPoint(12, 3) << 32;
        QTest::newRow("pointer size chosen among several")
            << cursorFile({{16, 1, 1, bitmapImage(16, 1)}, {32, 9, 4, bitmapImage(32, 1)}})
            << QPoint(9, 4) << 32;
        QTest::newRow("only another size")
            << cursorFile({{16, 2, 3, bitmapImage(16, 1)}}) << QPoint(2, 3) << 16;
        QTest::newRow("icon file, hot spot in the middle")
            << cursorFile({{32, 1, 1, bitmapImage(32, 1)}}, 1) << QPoint(16, 16) << 32;
    }
    void cursorFileLoadsWithItsHotSpot() {
        QFETCH(QByteArray, file);
        QFETCH(QPoint, hotSpot);
        QFETCH(int, size);
        const QString path = writeFile(ui::CursorFilePath(folder_->path()), file);
        QVERIFY(ui::FileExists(path));

        const QCursor cursor = ui::LoadCursorFile(path);
        QCOMPARE(cursor.hotSpot(), hotSpot);
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image.pixelColor(1, 1).alpha(), 255);
        QCOMPARE(image.pixelColor(size - 2, size - 2).alpha(), 0);
    }

    void brokenCursorFileIsAFailure_data() {
        QTest::addColumn<QByteArray>("file");
        const QByteArray good = cursorFile({{32, 5, 7, bitmapImage(32, 1)}});
        QByteArray reserved = good;
        reserved[0] = 1;
        QByteArray animated = good;
        animated[2] = 3;
        QByteArray garbage = good.left(22) + QByteArray(good.size() - 22, char(0xff));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is not a cursor.\n");
        QTest::newRow("directory cut short") << good.left(10);
        QTest::newRow("no images") << QByteArray("\0\0\2\0\0\0", 6);
        QTest::newRow("reserved word set") << reserved;
        QTest::newRow("unknown type") << animated;
        QTest::newRow("image cut short") << good.left(22 + 20);
        QTest::newRow("image is garbage") << garbage;
        QTest::newRow("hot spot outside the image")
            << cursorFile({{32, 40, 7, bitmapImage(32, 1)}});
    }
    void brokenCursorFileIsAFailure() {
        QFETCH(QByteArray, file);
        const QString path = writeFile(ui::CursorFilePath(folder_->path()), file);
        QWidget window;
        QVERIFY_THROWS_EXCEPTION(shell::Failure, ui::LoadCustomPointerImage(&window, path));
        QVERIFY(!ui::hasCustomPointerImage(&window));
        // The hand state still shows a hand.
        ui::setWindowPointer(&window, PointerState::Hand);
        QCOMPARE(window.cursor().shape(), Qt::PointingHandCursor);
    }

    void fileExists_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file") << QStringLiteral("HAND-M.CUR") << true;
        QTest::newRow("missing") << QStringLiteral("missing.cur") << false;
        QTest::newRow("inside a missing folder") << QStringLiteral("nowhere/HAND-M.CUR") << false;
        QTest::newRow("through a file") << QStringLiteral("HAND-M.CUR/x") << false;
        QTest::newRow("empty path") << QString() << false;
    }
    void fileExists() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        writeFile(folder_->filePath(QStringLiteral("HAND-M.CUR")), "x");
        QCOMPARE(ui::FileExists(path.isEmpty() ? path : folder_->filePath(path)), exists);
    }

    // --- skin and colours ---

    void skinFileSwitchesSkinAndColoursOn() {
        const PaletteScope palette(QColor(0x12, 0x34, 0x56));
        writeFile(ui::SkinFilePath(folder_->path()),
                  "QLabel#frameLabel { color: rgb(1, 2, 3); }\n");
        TestWindow test;
        test.window->setStyleSheet(QStringLiteral("QPushButton { font-weight: bold; }"));

        ui::ApplySkin(test.window.get(), folder_->path());

        QVERIFY(test.window->styleSheet().startsWith(u"QPushButton { font-weight: bold; }"));
        QVERIFY(test.window->styleSheet().contains(u"QLabel#frameLabel { color: rgb(1, 2, 3); }"));
        QCOMPARE(test.frameLabel->palette().color(QPalette::WindowText), QColor(1, 2, 3));
        verifyButtonFaceColours(test, QColor(0x12, 0x34, 0x56));
    }

    void withoutSkinFileNothingChanges_data() {
        QTest::addColumn<QString>("made");
        QTest::newRow("nothing beside the program") << QString();
        QTest::newRow("skin folder without the file") << QStringLiteral("x/other.cjs");
        QTest::newRow("folder in place of the file") << QStringLiteral("x/o.cjs/inner");
    }
    void withoutSkinFileNothingChanges() {
        QFETCH(QString, made);
        if (!made.isEmpty()) {
            writeFile(folder_->filePath(made), "QWidget { background: red; }");
        }
        TestWindow test;
        const QStringList before = test.look();
        ui::ApplySkin(test.window.get(), folder_->path());
        QCOMPARE(test.look(), before);
    }

    void brokenSkinFileIsAFailure_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("rule never closed") << QByteArray("QLabel { color: red");
        QTest::newRow("stray braces") << QByteArray("}}} {{{");
        QTest::newRow("not UTF-8 text") << QByteArray("QLabel { color: \xff\xfe; }");
        QTest::newRow("unreadable") << QByteArray("QLabel { color: red; }");
    }
    void brokenSkinFileIsAFailure() {
        QFETCH(QByteArray, content);
        const QString path = writeFile(ui::SkinFilePath(folder_->path()), content);
        if (QByteArray(QTest::currentDataTag()) == "unreadable") {
            if (::geteuid() == 0) {
                QSKIP("file permissions do not bind the superuser");
            }
            QVERIFY(QFile::setPermissions(path, {}));
        }
        TestWindow test;
        QVERIFY_THROWS_EXCEPTION(shell::Failure, ui::ApplySkin(test.window.get(), folder_->path()));
        QCOMPARE(test.window->styleSheet(), QString());
    }

    // The table manager gets the colours whether there is a skin or not.
    void windowColoursApplyUnconditionally() {
        const PaletteScope palette(QColor(0xab, 0xcd, 0xef));
        TestWindow test;
        ui::ApplyWindowColours(test.window.get());
        verifyButtonFaceColours(test, QColor(0xab, 0xcd, 0xef));
        QCOMPARE(test.window->styleSheet(), QString());
    }

    // --- application title ---

    void applicationTitle_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        const QString forty = QStringLiteral("Duskferry Oracle and DB2 Table Transfers");     // 40
        const QString fortyOne = QStringLiteral("Duskferry Oracle and IBM DB2 Tables Tools"); // 41
        QTest::newRow("no blank") << QStringLiteral("Duskferry") << QStringLiteral("Duskferry");
        QTest::newRow("short, cut once")
            << QStringLiteral("Duskferry Table Manager") << QStringLiteral("Duskferry Table");
        QTest::newRow("one blank") << QStringLiteral("a b") << QStringLiteral("a");
        QTest::newRow("blank at the end")
            << QStringLiteral("Duskferry ") << QStringLiteral("Duskferry");
        QTest::newRow("exactly 40, still cut once")
            << forty << QStringLiteral("Duskferry Oracle and DB2 Table");
        QTest::newRow("41, one cut is enough")
            << fortyOne << QStringLiteral("Duskferry Oracle and IBM DB2 Tables");
        QTest::newRow("long, cut until short")
            << QStringLiteral("Duskferry Transfer Utility for Oracle and IBM DB2 Databases, "
                              "Professional Edition")
            << QStringLiteral("Duskferry Transfer Utility for Oracle");
        QTest::newRow("long word at the front")
            << QStringLiteral("Duskferryoraclereplicationandmaintenanceutility Pro")
            << QStringLiteral("Duskferryoraclereplicationandmaintenance");
        QTest::newRow("long without blank") << QString(45, u'x') << QString(40, u'x');
        QTest::newRow("blank first") << QStringLiteral(" Duskferry") << QString();
    }
    void applicationTitle() {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(ui::ApplicationTitleFor(name), title);
    }

    void programTitleIsTheProductName() {
        ui::SetApplicationTitle();
        QCOMPARE(ui::ApplicationTitle(), QStringLiteral("Duskferry"));
    }

private:
    // Gives the application palette a button face no style uses, for one test.
    class PaletteScope {
    public:
        explicit PaletteScope(const QColor& face) : previous_(QApplication::palette()) {
            QPalette palette = previous_;
            palette.setColor(QPalette::Button, face);
            QApplication::setPalette(palette);
        }
        ~PaletteScope() { QApplication::setPalette(previous_); }

    private:
        QPalette previous_;
    };

    static void verifyButtonFaceColours(const TestWindow& test, const QColor& face) {
        QCOMPARE(ui::ButtonFaceColour(), face);
        const QList<QWidget*> painted{test.window.get(), test.frame,    test.frameLabel,
                                      test.windowLabel,  test.checkBox, test.optionButton};
        for (QWidget* widget : painted) {
            QVERIFY2(widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
            QCOMPARE(widget->palette().color(QPalette::Window), face);
            QVERIFY(widget->autoFillBackground());
        }
        const QList<QWidget*> untouched{test.textBox, test.frameButton, test.list,
                                        test.windowButton, test.progressBar};
        for (QWidget* widget : untouched) {
            QVERIFY2(!widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
            QVERIFY2(!widget->autoFillBackground(), qPrintable(widget->objectName()));
        }
    }

    std::unique_ptr<QTemporaryDir> folder_;
};

QTEST_MAIN(LookTest)
#include "look_test.moc"
