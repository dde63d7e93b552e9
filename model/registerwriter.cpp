#include "registerwriter.h"

int RegisterWriter::write8(int value, int address)
{
    batchAccept(address, 1);
    m_batch.append(char(value & 0xFF));
    return 1;
}

int RegisterWriter::write16(int value, int address)
{
    batchAccept(address, 2);
    m_batch.append(char((value >> 8) & 0xFF));
    m_batch.append(char(value & 0xFF));
    return 2;
}

int RegisterWriter::write32(int value, int address)
{
    batchAccept(address, 4);
    const quint32 v = quint32(value);
    m_batch.append(char(v >> 24));
    m_batch.append(char((v >> 16) & 0xFF));
    m_batch.append(char((v >> 8) & 0xFF));
    m_batch.append(char(v & 0xFF));
    return 4;
}

bool RegisterWriter::batchAccept(int address, int n)
{
    if ((!m_batch.isEmpty() && address != m_nextAddress) || m_batch.size() + n > maxBatch)
        flushBatch();
    if (m_batch.isEmpty())
        m_batchStart = address;
    m_nextAddress = address + n;
    return true;
}

int RegisterWriter::flushBatch(bool last)
{
    if (writeAborted())
        throw QStringLiteral("REGX: Download Cancelled");
    const QByteArray batch = m_batch;
    m_batch.clear();
    const int n = batch.size();
    for (int offset = 0; offset < n; offset += maxRequest) {
        const int length = qMin(maxRequest, n - offset);
        m_sendingLast = last && offset + length == n;
        const int written =
            sendWriteRequest(quint32(m_batchStart) + quint32(offset), batch.mid(offset, length));
        if (written == -1)
            throw QStringLiteral("Vexbus: %1 is not available.").arg(moduleHostText());
        if (written != length)
            throw QStringLiteral("Vexbus: Error");
    }
    m_bytesSent += n;
    reportWriteProgress(m_bytesSent);
    return n;
}
