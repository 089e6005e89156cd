// Writes the application icon as PNG files for the hicolor icon theme:
//     duskferry-icon-files DIR ID   ->   DIR/<n>x<n>/apps/ID.png
// Run by the build; the drawing itself lives with the windows.
#include "ui/ApplicationIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR ID\n", argv[0]);
        return 2;
    }
    // Painting into images needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) ||
            !ui::ApplicationIconImage(size).save(folder + u'/' + id + QStringLiteral(".png"))) {
            std::fprintf(stderr, "cannot write the icon into %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
