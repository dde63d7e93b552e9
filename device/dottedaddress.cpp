#include "dottedaddress.h"

#include <QStringList>

#include <algorithm>

bool DottedAddress::parse(const QString &text, quint8 *parts)
{
    const QStringList fields = text.split(QLatin1Char('.'));
    if (fields.size() != 4)
        return false;
    quint8 bytes[4];
    for (int i = 0; i < 4; ++i) {
        const QString &field = fields.at(i);
        if (field.isEmpty() || field.size() > 3 || (field.size() > 1 && field.at(0) == '0'))
            return false;
        int value = 0;
        for (const QChar c : field) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255)
            return false;
        bytes[i] = quint8(value);
    }
    if (parts)
        std::copy(bytes, bytes + 4, parts);
    return true;
}
