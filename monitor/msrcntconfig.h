#ifndef MSRCNTCONFIG_H
#define MSRCNTCONFIG_H

#include <QString>
#include <QtGlobal>

class ProgramData;

// What the counter window needs: how to reach the module and, per counter channel, its mode
// (-1: the design has no counter on it), log folder (empty: no log), unit and display name.
struct MsrCntConfig {
    static const int channels = 4;

    QString host;
    quint16 tcpPort = 0;
    quint16 udpPort = 0;
    int timeout = 1;
    bool autoConnect = false;
    int mode[channels] = {-1, -1, -1, -1};
    QString path[channels];
    QString unit[channels];
    QString name[channels];
};

// Fills the four entries of each array from the design's measurement counters; channels without
// a counter get mode -1 and keep their texts.
void readMsrCntAttributes(ProgramData *design, int *mode, QString *path, QString *name,
                          QString *unit);

#endif // MSRCNTCONFIG_H
