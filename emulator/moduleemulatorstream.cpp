#include "emulatorserver.h"
#include "moduleemulator.h"

#include <QMutexLocker>

namespace {

const quint32 CounterModeAddress = 0x0060;
const quint32 CounterEnableAddress = 0x0064;
const quint8 CounterRunBit = 0x80;

} // namespace

void ModuleEmulator::setStreamPlan(const StreamPlan &newPlan)
{
    EmulatorServer *s;
    {
        QMutexLocker lock(&mutex);
        plan = newPlan;
        running = newPlan.runningAtStart & 0x0F;
        s = server;
    }
    if (s)
        QMetaObject::invokeMethod(
            s, [s, newPlan]() { s->setStreamPlan(newPlan); }, Qt::QueuedConnection);
}

StreamPlan ModuleEmulator::streamPlan() const
{
    QMutexLocker lock(&mutex);
    return plan;
}

// A counter whose gate is not user-controlled (mode bits 0-1 set) counts whatever its enable
// register says; the others run while enabled.
quint8 ModuleEmulator::runningChannels() const
{
    QMutexLocker lock(&mutex);
    const QByteArray modes = memory.peek(CounterModeAddress, StreamPlan::channels);
    quint8 mask = running;
    for (int n = 0; n < modes.size(); ++n)
        if (quint8(modes[n]) & 0x03)
            mask |= quint8(1u << n);
    return mask;
}

qint64 ModuleEmulator::streamRecordsSent() const
{
    QMutexLocker lock(&mutex);
    return server ? server->streamRecordsSent() : 0;
}

// Called with the mutex held, after a write the module took.
void ModuleEmulator::applyCounterEnables(quint32 address, const QByteArray &data)
{
    for (int i = 0; i < data.size(); ++i) {
        const quint32 at = address + quint32(i);
        if (at < CounterEnableAddress || at >= CounterEnableAddress + StreamPlan::channels)
            continue;
        const quint8 bit = quint8(1u << (at - CounterEnableAddress));
        if (quint8(data[i]) & CounterRunBit)
            running |= bit;
        else
            running &= quint8(~bit);
    }
}
