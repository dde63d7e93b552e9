#ifndef CONNECTIONSETTINGS_H
#define CONNECTIONSETTINGS_H

#include <QString>
#include <QtGlobal>

// How to reach the module: set by the command line, stored in every design
// document and edited by the connection settings dialog.
struct ConnectionSettings {
    // The module's address as it leaves the factory. Only this constant names
    // it; tests and scripts always pass an address of their own.
    static const char *const factoryHost;
    // The longest reply time-out taken, in seconds: an hour per reply is more than any module
    // needs, and longer ones only make a dead link look like a hang.
    static const int maxTimeout = 3600;

    QString host = QString::fromLatin1(factoryHost);
    quint16 tcpPort = 24;
    quint16 udpPort = 4660;
    int timeout = 1;
    bool autoConnect = true;

    bool operator==(const ConnectionSettings &other) const
    {
        return host == other.host && tcpPort == other.tcpPort && udpPort == other.udpPort &&
               timeout == other.timeout && autoConnect == other.autoConnect;
    }
    bool operator!=(const ConnectionSettings &other) const { return !(*this == other); }
};

#endif // CONNECTIONSETTINGS_H
