#ifndef STARTUPOPTIONS_H
#define STARTUPOPTIONS_H

#include "connectionsettings.h"

#include <QString>

// The command line, read before any Qt application object exists:
//   [-t <TCP port>] [-u <UDP port>] [-h <host address>] [-a <on/off>] [-o <timeout>] [fileName]
// A wrong command line never stops the program; it only yields the usage text.
class StartupOptions
{
public:
    // Parses argv with getopt (which may reorder it). Safe to call repeatedly.
    static StartupOptions parse(int argc, char **argv);

    static QString usageFor(const QString &programPath);

    // A write past the file-size limit then fails with its reason, which the writer reports,
    // instead of ending the program with the unsaved design.
    static void ignoreFileSizeSignal();

    ConnectionSettings settings;
    bool optionsGiven = false;
    // Not empty when the command line was wrong: the text of the one warning.
    QString usageText;
    QString fileName;
    // The argument count for the application object: the last word left
    // after the options is withheld from it.
    int applicationArgc = 0;
};

#endif // STARTUPOPTIONS_H
