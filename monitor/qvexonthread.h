#ifndef QVEXONTHREAD_H
#define QVEXONTHREAD_H

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <atomic>
#include <string>

class QFile;
class QTcpSocket;

// Receives the module's counter stream over TCP: 8-byte big-endian records (tag 1 in bits
// 63-60, channel 0-3 in bits 59-56, a 56-bit value). Each channel's values go to its CSV log
// and, added up per channel, to the owner's updateData() at most every reportIntervalMs.
// The owner builds one thread per connection, stops it, waits for it, and lets it delete itself.
// A log whose write fails is cut back to its last whole row and ends there, while receiving goes
// on; the first such failure goes to the owner's logFailed().
class QVexonThread : public QThread
{
    Q_OBJECT

public:
    static const int channels = 4;
    static const int reportIntervalMs = 50;

    // Creates the logs with their headers; a log that cannot be created throws its path and
    // the reason, unless continueWithoutLog, when that channel goes without a log.
    QVexonThread(const QString *path, const QString *name, const QString *unit, const QString &host,
                 quint16 tcpPort, quint16 udpPort, QObject *owner, bool continueWithoutLog);
    ~QVexonThread() override;

    // Asks run() to end; safe from any thread. Takes effect within one wait of at most 1 s.
    void stop();

    // The log of a channel (empty: none), and the socket's last error text once run() ended.
    QString logFileName(int channel) const { return fileName[channel]; }
    QString socketErrorString() const { return lastSocketError; }

    // The value text of a raw value: value x scale with the unit's decimals.
    static QString valueText(quint64 value, int precision);
    // Decimals of a unit: 3 usec, 6 msec, 9 sec, 0 otherwise.
    static int unitPrecision(const QString &unit);

public slots:
    void readVexon(int unused = 0);

signals:
    void recived(int channel, QString text, quint64 count, double sum);
    void error(QString text);
    void connectedVexon();
    // The log file, ":\n" and the system's reason.
    void logFailed(QString text);

protected:
    void run() override;

private:
    struct Tally {
        quint64 count = 0;
        quint64 last = 0;
        double sum = 0.0;
    };

    QString logTag(const QString *path, const QString *name) const;
    void openLogs();
    void closeLogs();
    bool waitForConnection();
    void receive();
    // Decodes the whole records at the start of buffer into tallies and log rows; false at an
    // invalid record, which ends the chunk.
    bool decode(int bytes, Tally *tally);
    // Writes the rows held for the logs: those of at least rowsHeldBytes, or all.
    void writeRows(bool all = false);
    void writeLog(int channel);
    void flushLogs() { writeRows(true); }
    void report();
    void fail(const QString &text);

    QTcpSocket *socket = nullptr;
    QObject *owner;
    QString host;
    quint16 tcpPort;
    quint16 udpPort;
    int precision[channels];
    double scale[channels];
    QString unit[channels];
    QString fileName[channels];
    // The open logs while run() is active, and how many bytes of whole rows each holds.
    QFile *file[channels] = {};
    qint64 logged[channels] = {};
    bool logFailureReported = false;
    char *buffer = nullptr;
    int bufferSize = 4096;
    int pending = 0;
    std::atomic<bool> stopRequested{false};

    // Rows not yet written, one text per channel, and the time stamp of the chunk being decoded.
    std::string rows[channels];
    char stamp[9];
    int stampSecond = -1;
    // Added up since the last report.
    Tally unreported[channels];
    bool reportDue = false;
    QElapsedTimer sinceReport;
    QString lastSocketError;
};

#endif // QVEXONTHREAD_H
