#ifndef WORKERPROBE_H
#define WORKERPROBE_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include "qudpthread.h"

class ModuleEmulator;
struct RequestLogEntry;

// A module worker pointed at the emulator on 127.0.0.1, with the test hooks the tests need. It
// pauses 5 ms before each status poll instead of 100 ms: the emulator needs no time, and the ROM
// tests poll a few hundred times.
class ProbeWorker : public QUdpThread
{
public:
    explicit ProbeWorker(const ModuleEmulator &emulator);
    void setClusterWaitLimit(int msecs) { clusterWaitLimitMs = msecs; }
    void setStatusPollInterval(int msecs) { statusPollMs = msecs; }
};

// Receives a worker's signals queued on the test's thread, as the user interface does, and keeps
// copies of what the pointers show. `events` lists the signals in order, a run of progress
// reports as one "progress".
class WorkerProbe : public QObject
{
    Q_OBJECT
public:
    explicit WorkerProbe(QUdpThread *worker);

    // Starts the worker and waits for closed(bool); false when it did not come in time.
    bool run(int timeoutMs = 30000);

    QStringList events;
    QVector<int> progress;
    QByteArray data;
    QString html;
    QString errorText;
    QByteArray xml;
    QString xmlName;
    int result = -1;
    bool closed = false;
    bool ok = false;

public slots:
    void onProgress(int value);
    void onReadData(QByteArray *bytes);
    void onHtml(QString *text);
    void onResult(int value);
    void onXml(QByteArray *bytes, QString name);
    void onError(QString *text);
    void onClosed(bool succeeded);

private:
    QUdpThread *worker;
};

// Compact request traces: "R 0x8001", "W 0x8040 ff", for assertions on the order of traffic.
QString requestText(const RequestLogEntry &entry);
// The trace with runs of the same request folded into one; design-image writes show as "design",
// directory writes as "W directory", accesses to the cluster window as "R window", "W window".
QStringList foldedTrace(const QVector<RequestLogEntry> &log);

#endif
