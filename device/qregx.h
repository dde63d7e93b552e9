#ifndef QREGX_H
#define QREGX_H

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QThread>

#include <atomic>

class QUdpSocket;

// REGX register access over UDP: stop-and-wait requests of at most 128 bytes, each answered by
// one reply with the same packet id. Failures are thrown as ErrSts. The class has no run() of
// its own: a subclass runs one module operation in run(), between openSocket() and closeSocket(),
// and calls the transfers from that thread.
class QRegx : public QThread
{
    Q_OBJECT

public:
    class ErrSts
    {
    public:
        // 0 aborted, -1 write short, -2 read short, -3 socket error, -4 bus error, -5 timeout.
        explicit ErrSts(int status) : status(status) {}
        int status;
    };

    explicit QRegx(QObject *parent = nullptr);
    ~QRegx() override;

    // The third argument is accepted for callers that pass one; it is not used.
    virtual void setHost(const QHostAddress &address, quint16 port, int unused = 0);
    virtual void abort();
    virtual void setTimeout(int seconds);
    virtual void setRetry(int retries);
    virtual int readByte(quint32 address, quint8 *value);
    virtual int read(quint32 address, char *dst, int length);
    virtual int readExact(quint32 address, char *dst, int length);
    virtual int writeByte(quint32 address, quint8 value);
    virtual int write(quint32 address, const char *data, int length);
    virtual int writeExact(quint32 address, const char *data, int length);
    virtual bool setWriteEnable(bool on);

    // The text that a failure with this status adds to the log; call it before closeSocket(),
    // since a socket error is told by the socket itself.
    QString statusText(int status) const;

signals:
    void closed(bool ok);
    void error(QString *text);

protected:
    virtual quint8 buildReadRequest(quint32 address, int length);
    virtual int readWithRetry(quint32 address, char *dst, int length);
    virtual quint8 buildWriteRequest(quint32 address, const char *data, int length);
    virtual int writeWithRetry(quint32 address, const char *data, int length);
    virtual bool openSocket();
    virtual void closeSocket();
    virtual int transact(quint8 id);
    virtual quint8 nextId();

    // For destructors of subclasses: raise the abort request and wait, in 100 ms steps, until
    // run() has returned, before any member is released.
    void abortAndWait();

    // Requests whose datagram left since the socket opened, retries included, answered or not. A
    // request stopped by the abort request before it left is not among them.
    int requestsSent() const { return sentRequests; }

    quint8 packetId = 0;
    quint16 port = 0;
    QHostAddress host;
    QUdpSocket *socket = nullptr;
    QString log;
    std::atomic<bool> aborted{false}; // set by another thread, polled at every send and poll
    bool succeeded = false;
    int maxPayload = 128;
    int replyPolls = 40;
    int attempts = 3;
    QByteArray packet;

private:
    bool shortReply = false; // the last status -3 came from a reply under 8 bytes
    int sentRequests = 0;

    void appendAddressLines(const char *direction, quint32 address, int length);
};

#endif
