#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include "app/Application.h"
#include "app/TfrmMainForm.h"
#include "platform/i18n/GettextTranslator.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    sl::setUpApplication();
    sl::GettextTranslator translator(QCoreApplication::applicationDirPath() + QStringLiteral("/locale"));
    QCoreApplication::installTranslator(&translator);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    TfrmMainForm window(arguments);
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.reportStartupProblems(); });
    return app.exec();
}
