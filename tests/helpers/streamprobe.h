#ifndef STREAMPROBE_H
#define STREAMPROBE_H

#include <QObject>
#include <QString>
#include <QStringList>

// Stands in for the counter window as the owner of a QVexonThread: receives its reports queued
// on the test's thread and adds them up per channel.
class StreamProbe : public QObject
{
    Q_OBJECT
public:
    quint64 count[4] = {};
    double sum[4] = {};
    QString last[4];
    int reports = 0;
    int connections = 0;
    int closedByServer = 0;
    QStringList errors;
    QStringList logFailures;

    quint64 total() const { return count[0] + count[1] + count[2] + count[3]; }
    void reset();

public slots:
    void connected() { ++connections; }
    void connectionClosedByServer() { ++closedByServer; }
    void error(QString text) { errors.append(text); }
    void logFailed(QString text) { logFailures.append(text); }
    void updateData(int channel, QString text, quint64 n, double s);
};

#endif // STREAMPROBE_H
