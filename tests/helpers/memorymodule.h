#ifndef MEMORYMODULE_H
#define MEMORYMODULE_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include "registerwriter.h"

#include <functional>

// A module held in memory: every write request is recorded and lands in a
// 64 KiB register image. Failures and a cancel can be staged.
class MemoryModule : public RegisterWriter
{
public:
    struct Request {
        quint32 address;
        QByteArray data;
    };
    struct Batch {
        quint32 address;
        int length;
    };

    MemoryModule();

    QByteArray memory;     // 64 KiB register image
    QVector<bool> written; // per address: touched by some request
    QVector<Request> requests;
    QVector<Batch> batches; // one per non-empty flush, from the progress reports
    QVector<int> progress;  // every reported byte count

    // Staging: cancel once this many requests have been sent (-1: never);
    // make request number failAt (0-based) report failResult.
    int cancelAfterRequests = -1;
    int failAt = -1;
    int failResult = -1;
    QString host = QStringLiteral("127.0.0.1");

    // The bytes at address, as a read-back of the module would give them.
    QByteArray read(quint32 address, int length) const;
    // Concatenated configuration area and tables, for golden images.
    QByteArray image() const;
    // Big-endian words for "address/width&mask=value ..." keys (hexadecimal address, "a+ku" for
    // a + k * unit; optional mask), read through `read` and written back with the values they hold.
    static QString words(const QString &keys, const std::function<QByteArray(quint32, int)> &read,
                         int unit = 0);

protected:
    int sendWriteRequest(quint32 address, const QByteArray &data) override;
    bool writeAborted() const override;
    QString moduleHostText() const override;
    void reportWriteProgress(int bytes) override;

private:
    int m_batchFirstRequest = 0;
};

#endif // MEMORYMODULE_H
