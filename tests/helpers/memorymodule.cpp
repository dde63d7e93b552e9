#include "memorymodule.h"

#include <QRegularExpression>
#include <QStringList>

MemoryModule::MemoryModule() : memory(0x10000, char(0)), written(0x10000, false) {}

QByteArray MemoryModule::read(quint32 address, int length) const
{
    return memory.mid(int(address), length);
}

QByteArray MemoryModule::image() const
{
    return read(0x0004, 0x008C) + read(0x2000, 0x2000);
}

QString MemoryModule::words(const QString &keys,
                            const std::function<QByteArray(quint32, int)> &read, int unit)
{
    QStringList found;
    for (const QString &item : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QStringList parts = key.split(QRegularExpression(QStringLiteral("[/&]")));
        const QStringList at = parts[0].split(QLatin1Char('+'));
        const quint32 address =
            at[0].toUInt(nullptr, 16) + (at.size() > 1 ? at[1].chopped(1).toUInt() * unit : 0);
        quint32 value = 0;
        for (char b : read(address, parts.value(1).toInt()))
            value = value << 8 | quint8(b);
        if (parts.size() > 2)
            value &= parts[2].toUInt(nullptr, 16);
        found << key + QLatin1Char('=') + QString::number(value);
    }
    return found.join(QLatin1Char(' '));
}

int MemoryModule::sendWriteRequest(quint32 address, const QByteArray &data)
{
    const int index = requests.size();
    requests.append(Request{address, data});
    if (index == failAt)
        return failResult;
    if (address + quint32(data.size()) > quint32(memory.size()))
        return -1;
    for (int i = 0; i < data.size(); ++i) {
        memory[int(address) + i] = data.at(i);
        written[int(address) + i] = true;
    }
    return data.size();
}

bool MemoryModule::writeAborted() const
{
    return cancelAfterRequests >= 0 && requests.size() >= cancelAfterRequests;
}

QString MemoryModule::moduleHostText() const
{
    return host;
}

void MemoryModule::reportWriteProgress(int bytes)
{
    const int previous = progress.isEmpty() ? 0 : progress.last();
    progress.append(bytes);
    if (bytes > previous && m_batchFirstRequest < requests.size())
        batches.append(Batch{requests.at(m_batchFirstRequest).address, bytes - previous});
    m_batchFirstRequest = requests.size();
}
