#include "Look.h"

#include "SkinFramework.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace ui {

namespace {

QString applicationTitle;

void paintButtonFace(QWidget* widget, const QColor& face) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, face);
    widget->setPalette(palette);
    // Labels and frames draw no background of their own unless asked to.
    widget->setAutoFillBackground(true);
}

bool takesButtonFace(const QWidget* control) {
    return qobject_cast<const QRadioButton*>(control) != nullptr ||
           qobject_cast<const QCheckBox*>(control) != nullptr ||
           qobject_cast<const QGroupBox*>(control) != nullptr ||
           qobject_cast<const QLabel*>(control) != nullptr;
}

} // namespace

bool FileExists(const QString& path) noexcept {
    try {
        if (path.isEmpty()) {
            return false;
        }
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString SkinFilePath(const QString& programFolder) {
    return programFolder + QStringLiteral("/x/o.cjs");
}

QColor ButtonFaceColour() {
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void ApplySkin(QWidget* connectionWindow, const QString& programFolder) {
    const QString path = SkinFilePath(programFolder);
    // Only a normal file switches the skin on; a folder of that name does not.
    if (!QFileInfo(path).isFile()) {
        return;
    }
    ApplyWindowColours(connectionWindow);

    SkinFramework skin;
    skin.LoadSkin(path, QString());
    skin.SetApplyOptions(skin.ApplyOptions() | SkinFramework::ApplyStyle);
    skin.SetKeepWindowStyleSheet(true);
    skin.SetPolishAtOnce(true);
    skin.ApplyWindow(connectionWindow->winId());
}

void ApplyWindowColours(QWidget* window) {
    const QColor face = ButtonFaceColour();
    paintButtonFace(window, face);
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (takesButtonFace(control)) {
            paintButtonFace(control, face);
        }
    }
}

QString ApplicationTitleFor(const QString& productName) {
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(u' ');
        if (blank < 0) {
            break;
        }
        title.truncate(blank);
    } while (title.size() > applicationTitleLimit);
    // Message box captions are promised to stay within the limit, also for a
    // name with nothing left to cut at.
    if (title.size() > applicationTitleLimit) {
        qsizetype length = applicationTitleLimit;
        if (title.at(length - 1).isHighSurrogate()) {
            --length;
        }
        title.truncate(length);
    }
    return title;
}

void SetApplicationTitle() {
    applicationTitle = ApplicationTitleFor(QString::fromUtf16(productName));
}

QString ApplicationTitle() {
    return applicationTitle.isNull() ? QCoreApplication::applicationName() : applicationTitle;
}

} // namespace ui
