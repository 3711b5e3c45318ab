#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Skyloom - GUI"));
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Skyloom - Version - 1.6.2"));
    w.show();
    return app.exec();
}
