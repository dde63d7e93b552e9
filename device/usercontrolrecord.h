#ifndef USERCONTROLRECORD_H
#define USERCONTROLRECORD_H

#include <QString>
#include <QtGlobal>

// The inputs of the running design that the user switches by hand, and how to reach the module.
// Built by the main window after every download of a design with such inputs; the user-control
// dialog reads it when it opens and on every refresh, and keeps no pointer to it.
struct UserControlRecord {
    static const int inputCount = 10;

    QString host;
    quint16 udpPort = 0;
    int timeout = 0;
    int count = 0; // non-empty entries of names
    // Entry i: the display name of design input i ("IN-CH0".."IN-CH7", "IN-OPT", "IN-USER")
    // when it is user-controlled, else empty.
    QString names[inputCount];
};

// The user-control dialog's name for the same record.
using UserControlConfig = UserControlRecord;

#endif // USERCONTROLRECORD_H
