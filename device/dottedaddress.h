#ifndef DOTTEDADDRESS_H
#define DOTTEDADDRESS_H

#include <QString>
#include <QtGlobal>

// An IPv4 address as the user types it: exactly four dot-separated decimal parts 0-255, digits
// only, no leading zeros (which other readers take for octal). Nothing else is an address here:
// no IPv6 or mapped forms, no hex, no host names, no blanks.
class DottedAddress
{
public:
    // True when `text` is such an address; `parts` (when given) receives its four bytes.
    static bool parse(const QString &text, quint8 *parts = nullptr);
};

#endif
