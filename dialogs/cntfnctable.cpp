#include "cntfnctable.h"

#include <QCoreApplication>

namespace CntFnc {

const quint8 minTable[2 * modeCount] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 2,
                                        5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 2};

namespace {

const char *const labels[modeCount][2] = {
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&Pulse Width"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Minimum Idle &Time")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&Pulse Width"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Minimum Idle &Time")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&Delay Time"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "&Pulse Width")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&Delay Time"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "&Pulse Width")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "Guard Time (turn &True)"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Guard Time (turn &False)")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "Guard Time (turn &True)"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Guard Time (turn &False)")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "Delay time (turn &True)"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Delay time (turn &False)")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "Delay time (turn &True)"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "Delay time (turn &False)")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&True Width"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "&False Width")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&True Width"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "&False Width")},
    {QT_TRANSLATE_NOOP("EditCntFncDialog", "&True Count"),
     QT_TRANSLATE_NOOP("EditCntFncDialog", "&False Count")},
};

} // namespace

int validMode(int mode)
{
    return mode >= 0 && mode < modeCount ? mode : 0;
}

unsigned int mainMinimum(int mode)
{
    return minTable[validMode(mode)];
}

unsigned int subMinimum(int mode)
{
    return minTable[modeCount + validMode(mode)];
}

bool isOscillator(int mode)
{
    return mode == 8 || mode == 9;
}

QString mainLabel(int mode)
{
    return QCoreApplication::translate("EditCntFncDialog", labels[validMode(mode)][0]);
}

QString subLabel(int mode)
{
    return QCoreApplication::translate("EditCntFncDialog", labels[validMode(mode)][1]);
}

} // namespace CntFnc
