#include "mainwindow.h"
#include "modalhooks.h"
#include "startupoptions.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    StartupOptions::ignoreFileSizeSignal();
    // getopt runs before the application object exists: Qt's own options are
    // not known to it and would otherwise be taken for a file name.
    const StartupOptions options = StartupOptions::parse(argc, argv);
    int applicationArgc = options.applicationArgc;
    auto *app = new QApplication(applicationArgc, argv);

    auto *window =
        new MainWindow(options.fileName, options.optionsGiven ? &options.settings : nullptr);
    if (!options.usageText.isEmpty())
        ModalHooks::warning(window, QStringLiteral("Zivra"), options.usageText);
    window->show();
    const int code = app->exec();
    delete window;
    delete app;
    return code;
}
