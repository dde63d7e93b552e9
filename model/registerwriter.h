#ifndef REGISTERWRITER_H
#define REGISTERWRITER_H

#include <QByteArray>
#include <QString>

// Batched register writes of a download. Values are collected into one batch
// of consecutive addresses (at most 255 bytes) and sent as write requests of at
// most 128 data bytes whenever the next value does not continue the batch.
//
// The transport is left to a subclass (the module worker), which implements
// the four hooks. Failures are thrown as text:
//   "REGX: Download Cancelled"           abort requested before a batch is sent
//   "Vexbus: <host> is not available."  a request reported -1
//   "Vexbus: Error"                     any other short write
class RegisterWriter
{
public:
    static constexpr int maxBatch = 255;
    static constexpr int maxRequest = 128;

    RegisterWriter() = default;
    virtual ~RegisterWriter() = default;
    RegisterWriter(const RegisterWriter &) = delete;
    RegisterWriter &operator=(const RegisterWriter &) = delete;

    // Append the low 8, 16 or 32 bits of value (big-endian) for the register at
    // address; return the byte count, which the caller adds to its address.
    // A batch they complete is sent first, so they throw what flushBatch throws.
    int write8(int value, int address);
    int write16(int value, int address);
    int write32(int value, int address);

    // Makes room for n bytes at address: sends the batch when address does not
    // continue it or when it would grow beyond maxBatch. Returns true.
    bool batchAccept(int address, int n);

    // Sends the batch; returns its size (0 when empty). Adds it to the running
    // byte count and reports that count as progress. `last`: the image ends
    // with this batch.
    int flushBatch(bool last = false);

    // Bytes sent since construction or the last resetBytesSent().
    int bytesSent() const { return m_bytesSent; }
    // The last request of the image has gone out, answered or not.
    bool allRequestsSent() const { return m_allSent; }
    void resetBytesSent()
    {
        m_bytesSent = 0;
        m_allSent = false;
        m_sendingLast = false;
    }
    // Drops unsent bytes (a run that starts afresh).
    void clearBatch() { m_batch.clear(); }

protected:
    // Writes data (1 to maxRequest bytes) to consecutive registers from
    // address; returns the number of bytes the module accepted, -1 when it is
    // not reachable.
    virtual int sendWriteRequest(quint32 address, const QByteArray &data) = 0;
    // True once the user asked to stop; checked before each batch is sent.
    virtual bool writeAborted() const = 0;
    // The module's address, for the "not available" report.
    virtual QString moduleHostText() const = 0;
    // Called after each batch with the running byte count.
    virtual void reportWriteProgress(int bytes) = 0;
    // The transport calls this once the request in sendWriteRequest has left, answered or not.
    void writeRequestLeft() { m_allSent = m_allSent || m_sendingLast; }

private:
    QByteArray m_batch;
    int m_batchStart = 0;
    int m_nextAddress = 0;
    int m_bytesSent = 0;
    bool m_allSent = false;
    bool m_sendingLast = false;
};

#endif // REGISTERWRITER_H
