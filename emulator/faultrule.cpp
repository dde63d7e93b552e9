#include "faultrule.h"

FaultRule::FaultRule(Action action, int command, quint32 first, quint32 last, int count)
    : action(action), command(command), first(first), last(last), count(count)
{}

bool FaultRule::matches(int requestCommand, quint32 address, int length) const
{
    if (command != AnyCommand && command != requestCommand)
        return false;
    // 64-bit arithmetic: requests near the top of the address space wrap in 32 bits.
    const quint64 begin = address;
    const quint64 end = begin + quint64(qMax(length, 1)) - 1;
    return begin <= last && end >= first;
}

QString FaultRule::actionName(Action action)
{
    switch (action) {
    case DropReply:
        return QStringLiteral("drop");
    case DelayReply:
        return QStringLiteral("delay");
    case WrongId:
        return QStringLiteral("wrong id");
    case DuplicateReply:
        return QStringLiteral("duplicate");
    case ShortReply:
        return QStringLiteral("short reply");
    case ShortReadData:
        return QStringLiteral("short read data");
    case BusError:
        return QStringLiteral("bus error");
    }
    return QString();
}
