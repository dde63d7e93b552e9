#ifndef MODULEEMULATOR_H
#define MODULEEMULATOR_H

#include "faultrule.h"
#include "modulememory.h"
#include "requestlogentry.h"
#include "streamplan.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QVector>

class EmulatorServer;
class QThread;

// Stand-in for the logic module: serves REGX over UDP and the counter stream over TCP on
// 127.0.0.1, from a thread of its own. Every public operation is thread-safe.
class ModuleEmulator
{
public:
    // File-table damage for page p, preset into cluster 2047.
    enum FatCorruption {
        FatLastTooLong,   // entry p = 0x9000: a last cluster of 4097 bytes
        FatFreeInChain,   // p -> 16, entry 16 free (0xFFFF)
        FatBadLastLength, // p -> 16, entry 16 = 0x9000
        FatLinkToPage,    // p -> 20 -> another page's cluster
        FatLinkToFat,     // p -> 2047
        FatLinkBeyond,    // p -> 4096, past the store
        FatLoop           // p -> 20 -> 21 -> 20
    };

    // One datagram to send back, `delayMs` after the request.
    struct Reply {
        QByteArray datagram;
        int delayMs = 0;
    };

    ModuleEmulator();
    ~ModuleEmulator();
    ModuleEmulator(const ModuleEmulator &) = delete;
    ModuleEmulator &operator=(const ModuleEmulator &) = delete;

    // Binds both sockets to 127.0.0.1 (0 = any free port) and starts serving.
    bool start(quint16 udpPort = 0, quint16 tcpPort = 0, QString *error = nullptr);
    void stop();
    bool isRunning() const;
    quint16 udpPort() const;
    quint16 tcpPort() const;

    // Memory and module state.
    void reset();
    void boot();
    QByteArray peek(quint32 address, int length) const;
    bool poke(quint32 address, const QByteArray &bytes);
    void setVersion(const QByteArray &bytes);
    void setWriteProtected(bool current, bool boot);
    void setPageState(quint8 value);
    quint8 pageState() const;
    void setBusyPolls(int commandPolls, int clusterPolls = 0);
    void setBusyForever(bool on);
    bool isBusy() const;
    bool writeEnabled() const;
    QByteArray networkInForce() const;
    QByteArray designImage() const;
    QByteArray romImage(int page) const;
    QByteArray romDirectory() const;
    QByteArray cluster(int n) const;
    bool setCluster(int n, const QByteArray &data);
    quint16 fatEntry(int n) const;
    void setFatEntry(int n, quint16 value);
    void presetFatCorruption(FatCorruption kind, int page);
    bool saveState(const QString &fileName, QString *error = nullptr) const;
    bool loadState(const QString &fileName, QString *error = nullptr);
    // From now on the state goes to `fileName` after every change of what the module keeps
    // without power (ROM pages, directory, file table, settings memory), as a real module's
    // ROM would have it when it is switched off at any moment. Empty: not kept.
    void setStateFile(const QString &fileName);

    // Fault rules, applied in the order added.
    void addRule(const FaultRule &rule);
    void clearRules();
    int ruleCount() const;

    // Request log.
    QVector<RequestLogEntry> requestLog() const;
    // What the log holds, about (it never holds much more than 32 MiB).
    qint64 requestLogBytes() const;
    void clearLog();
    int violationCount() const;

    // Counter stream: one record per running channel per interval to every client (0 = none);
    // raw bytes on demand. Writing 0x80 or 0x00 to the counter-enable register 0x0064 + n starts
    // or stops channel n on every connection.
    void setStreamInterval(int msecs);
    void sendStreamBytes(const QByteArray &bytes);
    int streamClients() const;
    void setStreamPlan(const StreamPlan &plan);
    StreamPlan streamPlan() const;
    quint8 runningChannels() const;
    qint64 streamRecordsSent() const;
    // Bytes that stream clients sent, read and dropped.
    qint64 streamBytesDiscarded() const;

    // Serves one REGX request; called on the server's thread, usable without a network.
    QVector<Reply> handleRequest(const QByteArray &datagram);

private:
    void setFatEntryLocked(int n, quint16 value);
    // Writes the state file when the module's non-volatile memory changed; the lock is held.
    void keepState();
    void applyCounterEnables(quint32 address, const QByteArray &data);

    mutable QMutex mutex;
    ModuleMemory memory;
    QVector<FaultRule> rules;
    QVector<RequestLogEntry> log;
    qint64 logBytes = 0;
    QElapsedTimer clock;
    QThread *thread = nullptr;
    EmulatorServer *server = nullptr;
    quint16 boundUdp = 0;
    quint16 boundTcp = 0;
    int streamInterval = 100;
    StreamPlan plan;
    quint8 running = 0x0F;
    QString stateFile;
    QString stateError; // the last failure to write it, reported once
};

#endif
