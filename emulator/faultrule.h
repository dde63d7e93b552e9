#ifndef FAULTRULE_H
#define FAULTRULE_H

#include <QString>
#include <QtGlobal>

// One misbehaviour of the emulated module's REGX replies. A rule fires on requests that match its
// command and touch its address range; `skip` matching requests pass untouched first, then it fires
// `count` times (-1: for ever). Only the first rule that fires shapes a reply.
class FaultRule
{
public:
    enum Action {
        DropReply,      // the access is performed, no reply leaves
        DelayReply,     // the reply leaves `delayMs` later, so it arrives stale
        WrongId,        // the reply carries another packet id
        DuplicateReply, // the reply is sent twice
        ShortReply,     // only the first 7 bytes of the reply are sent
        ShortReadData,  // a read reply carries only `dataBytes` data bytes
        BusError        // the access is refused, bit 0 of byte 1 set
    };

    static constexpr int AnyCommand = -1;
    static constexpr int ReadCommand = 0xC0;
    static constexpr int WriteCommand = 0x80;

    explicit FaultRule(Action action = DropReply, int command = AnyCommand, quint32 first = 0,
                       quint32 last = 0xFFFFFFFFu, int count = 1);

    // Whether a request of `length` bytes at `address` matches command and range.
    bool matches(int requestCommand, quint32 address, int length) const;
    static QString actionName(Action action);

    Action action;
    int command;
    quint32 first;
    quint32 last;
    int count;
    int skip = 0;
    int delayMs = 0;
    int dataBytes = 0;
};

#endif
