#include "SkinFramework.h"

#include "shell/Failure.h"

#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace ui {

namespace {

// Qt checks a style sheet only when it polishes a widget, and says so only as
// a warning. The warning is caught while a scratch widget is polished; every
// other message goes on to the handler that was installed.
bool styleSheetRejected = false;
QtMessageHandler outerHandler = nullptr;

void watchStyleSheetWarnings(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    if (type == QtWarningMsg && message.startsWith(u"Could not parse stylesheet")) {
        styleSheetRejected = true;
        return;
    }
    if (outerHandler != nullptr) {
        outerHandler(type, context, message);
    }
}

bool isStyleSheet(const QString& text) {
    styleSheetRejected = false;
    outerHandler = qInstallMessageHandler(watchStyleSheetWarnings);
    {
        QWidget probe;
        probe.setStyleSheet(text);
        probe.ensurePolished();
    }
    qInstallMessageHandler(outerHandler);
    outerHandler = nullptr;
    return !styleSheetRejected;
}

} // namespace

void SkinFramework::LoadSkin(const QString& skinPath, const QString& variant) {
    if (!variant.isEmpty()) {
        throw shell::Failure(
            QStringLiteral("The skin file %1 has no variant \"%2\".").arg(skinPath, variant));
    }
    QFile file(skinPath);
    if (!file.open(QIODevice::ReadOnly)) {
        throw shell::Failure(QStringLiteral("The skin file %1 cannot be read: %2")
                                 .arg(skinPath, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw shell::Failure(QStringLiteral("The skin file %1 cannot be read: %2")
                                 .arg(skinPath, file.errorString()));
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        throw shell::Failure(QStringLiteral("The skin file %1 is not UTF-8 text.").arg(skinPath));
    }
    if (!isStyleSheet(text)) {
        throw shell::Failure(
            QStringLiteral("The skin file %1 is not a valid style sheet.").arg(skinPath));
    }
    styleSheet_ = std::move(text);
    loaded_ = true;
}

void SkinFramework::ApplyWindow(WId windowHandle) {
    if (!loaded_) {
        throw shell::Failure(QStringLiteral("No skin has been loaded."));
    }
    QWidget* window = QWidget::find(windowHandle);
    if (window == nullptr) {
        throw shell::Failure(QStringLiteral("There is no window to apply the skin to."));
    }
    if ((applyOptions_ & ApplyStyle) == 0) {
        return;
    }
    QString sheet = styleSheet_;
    if (keepWindowStyleSheet_ && !window->styleSheet().isEmpty()) {
        sheet = window->styleSheet() + u'\n' + styleSheet_;
    }
    window->setStyleSheet(sheet);
    if (polishAtOnce_) {
        window->ensurePolished();
        const QList<QWidget*> controls = window->findChildren<QWidget*>();
        for (QWidget* control : controls) {
            control->ensurePolished();
        }
    }
}

} // namespace ui
