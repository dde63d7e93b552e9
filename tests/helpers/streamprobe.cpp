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

void StreamProbe::reset()
{
    for (int ch = 0; ch < 4; ++ch) {
        count[ch] = 0;
        sum[ch] = 0;
        last[ch].clear();
    }
    reports = connections = closedByServer = 0;
    errors.clear();
    logFailures.clear();
}
