#ifndef STREAMOPTIONS_H
#define STREAMOPTIONS_H

#include <QCommandLineOption>
#include <QString>

class ModuleEmulator;
class QCommandLineParser;

// The emulator program's options for its counter stream.
class StreamOptions
{
public:
    explicit StreamOptions(QCommandLineParser &parser);
    // Sets the emulator's stream from the parsed options; false with a message on bad values.
    bool apply(const QCommandLineParser &parser, ModuleEmulator *emulator, QString *error) const;

private:
    QCommandLineOption interval;
    QCommandLineOption channels;
    QCommandLineOption values;
    QCommandLineOption invalidEvery;
    QCommandLineOption segmentBytes;
    QCommandLineOption closeAfter;
    QCommandLineOption flood;
};

#endif // STREAMOPTIONS_H
