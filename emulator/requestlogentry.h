#ifndef REQUESTLOGENTRY_H
#define REQUESTLOGENTRY_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One REGX request as the emulated module received it, with what it made of it.
struct RequestLogEntry {
    qint64 msecs = 0;      // since the emulator started
    QByteArray datagram;   // the request as received, cut to its first 263 bytes
    int size = 0;          // bytes received
    quint8 command = 0;    // byte 1
    quint8 packetId = 0;   // byte 2
    int length = 0;        // byte 3 (0 stands for itself, not for 256)
    quint32 address = 0;   // bytes 4..7
    QByteArray data;       // write data
    bool busError = false; // the reply flagged a bus error
    QString violation;     // non-empty: the request broke the protocol
    QString fault;         // name of the fault rule that shaped the reply
    QString note;          // what the module did beyond a plain access

    bool isRead() const { return command == 0xC0; }
    bool isWrite() const { return command == 0x80; }
};

#endif
