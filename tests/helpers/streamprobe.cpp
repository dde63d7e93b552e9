#include "streamprobe.h"

void StreamProbe::updateData(int channel, QString text, quint64 n, double s)
{
    ++reports;
    if (channel < 0 || channel > 3)
        return;
    count[channel] += n;
    sum[channel] += s;
    last[channel] = text;
}
