#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Duskferry"));
    placeholder.show();
    return QApplication::exec();
}
