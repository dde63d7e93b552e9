#include "streamplan.h"

#include <QStringList>

bool StreamPlan::setValues(const QString &text)
{
    const QStringList pairs = text.split(QLatin1Char(','));
    if (pairs.isEmpty() || pairs.size() > channels)
        return false;
    quint64 firsts[channels];
    quint64 steps[channels];
    for (int ch = 0; ch < channels; ++ch) {
        const QStringList parts = pairs[qMin(ch, pairs.size() - 1)].split(QLatin1Char(':'));
        bool firstOk = false;
        bool stepOk = parts.size() == 2;
        firsts[ch] = parts[0].trimmed().toULongLong(&firstOk);
        steps[ch] = stepOk ? parts[1].trimmed().toULongLong(&stepOk) : 0;
        if (!firstOk || !stepOk)
            return false;
    }
    for (int ch = 0; ch < channels; ++ch) {
        first[ch] = firsts[ch];
        step[ch] = steps[ch];
    }
    return true;
}
