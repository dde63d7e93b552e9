#ifndef STREAMPLAN_H
#define STREAMPLAN_H

#include <QString>
#include <QtGlobal>

// How the emulated module makes its counter records: which channels run at start (the
// counter-enable registers 0x0064-0x0067 start and stop them later), the values of each
// channel (first, first + step, ...), an invalid record (tag 2) after every `invalidEvery`
// records, writes cut into pieces of `segmentBytes` sent one by one, a close by the module after
// `closeAfter` records on each connection, and a flood that sends as fast as the socket takes.
struct StreamPlan {
    static const int channels = 4;

    quint8 runningAtStart = 0x0F;
    quint64 first[channels] = {1000, 2000, 3000, 4000};
    quint64 step[channels] = {1000, 2000, 3000, 4000};
    int invalidEvery = 0;
    int segmentBytes = 0;
    qint64 closeAfter = 0;
    bool flood = false;

    // Reads "first:step[,first:step...]", one pair per channel, the last one repeated.
    bool setValues(const QString &text);
};

#endif // STREAMPLAN_H
