#include "qvexonthread.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTextStream>
#include <QTime>
#include <QtEndian>

#include <cstring>

namespace {

const quint64 ValueMask = 0x00FFFFFFFFFFFFFFull;
const qint64 ConnectWaitLimit = 10000000;
const int IdleWaitsBeforeDirectRead = 10;
const int WaitMs = 1000;

// Writes value as decimal text with `precision` digits after the point into the end of
// `text` (at least 22 bytes); returns where the text starts.
char *formatFixed(quint64 value, int precision, char *end)
{
    char *p = end;
    int digits = 0;
    do {
        if (precision > 0 && digits == precision)
            *--p = '.';
        *--p = char('0' + value % 10);
        value /= 10;
        ++digits;
    } while (value != 0 || digits <= precision);
    return p;
}

// A display name may hold characters that a file name may not.
QString fileNamePart(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

QString logPath(const QString &path, const QString &name, const QString &tag)
{
    return path + QDir::separator() + fileNamePart(name) + QLatin1Char('_') + tag +
           QStringLiteral(".csv");
}

// The code and the system's reason of a log that failed.
QString fileErrorText(const QFile &file)
{
    return QStringLiteral("FileError%1").arg(int(file.error())) +
           QStringLiteral(" (%1)").arg(file.errorString());
}

// Rows are held per channel until this many bytes, then written in one piece.
const size_t rowsHeldBytes = 64 * 1024;

} // namespace

QVexonThread::QVexonThread(const QString *path, const QString *name, const QString *unitText,
                           const QString &host, quint16 tcpPort, quint16 udpPort, QObject *owner,
                           bool continueWithoutLog)
    : QThread(owner), owner(owner), host(host), tcpPort(tcpPort), udpPort(udpPort)
{
    const QString tag = logTag(path, name);
    for (int ch = 0; ch < channels; ++ch) {
        unit[ch] = unitText[ch];
        precision[ch] = unitPrecision(unit[ch]);
        scale[ch] = precision[ch] == 3   ? 1.0 / 1000
                    : precision[ch] == 6 ? 1.0 / 1000000
                    : precision[ch] == 9 ? 1.0 / 1000000000
                                         : 1.0;
        if (path[ch].isEmpty())
            continue;
        fileName[ch] = logPath(path[ch], name[ch], tag);
        QFile log(fileName[ch]);
        if (log.open(QIODevice::WriteOnly | QIODevice::Text)) {
            QTextStream out(&log);
            out.setCodec("UTF-8");
            out << "Time[HH:MM:SS]," << name[ch];
            if (!unit[ch].isEmpty())
                out << '[' << unit[ch] << ']';
            out << '\n';
            out.flush();
            if (out.status() == QTextStream::Ok && log.error() == QFileDevice::NoError)
                continue;
        }
        const QString message =
            QDir(path[ch]).exists() ? fileErrorText(log) : QStringLiteral("No such directory.");
        if (!continueWithoutLog)
            throw path[ch] + QStringLiteral(":\n") + message;
    }
}

QVexonThread::~QVexonThread() = default;

void QVexonThread::stop()
{
    stopRequested = true;
}

int QVexonThread::unitPrecision(const QString &unit)
{
    if (unit == QLatin1String("usec"))
        return 3;
    if (unit == QLatin1String("msec"))
        return 6;
    if (unit == QLatin1String("sec"))
        return 9;
    return 0;
}

// The decimal text of the integer count with the point set by the unit: exact where the
// product with a binary fraction would not be.
QString QVexonThread::valueText(quint64 value, int precision)
{
    char text[32];
    char *end = text + sizeof text;
    const char *start = formatFixed(value, precision, end);
    return QString::fromLatin1(start, int(end - start));
}

// One counter serves all channels, so that the logs of one connection share their name tag.
QString QVexonThread::logTag(const QString *path, const QString *name) const
{
    for (int k = 0;; ++k) {
        const QString tag =
            QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QString::number(k);
        bool taken = false;
        for (int ch = 0; ch < channels && !taken; ++ch)
            taken = !path[ch].isEmpty() && QFile::exists(logPath(path[ch], name[ch], tag));
        if (!taken)
            return tag;
    }
}

// Unbuffered: the rows are held in `rows` and each write reaches the file at once, so that a
// failure is seen at the write that caused it.
void QVexonThread::openLogs()
{
    logFailureReported = false;
    for (int ch = 0; ch < channels; ++ch) {
        if (fileName[ch].isEmpty())
            continue;
        file[ch] = new QFile(fileName[ch]);
        if (!file[ch]->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text |
                            QIODevice::Unbuffered)) {
            delete file[ch];
            file[ch] = nullptr;
            continue;
        }
        logged[ch] = file[ch]->size();
        rows[ch].reserve(rowsHeldBytes + size_t(bufferSize / 8) * 32);
    }
}

void QVexonThread::closeLogs()
{
    flushLogs();
    for (int ch = 0; ch < channels; ++ch) {
        delete file[ch];
        file[ch] = nullptr;
    }
}

void QVexonThread::run()
{
    openLogs();
    socket = new QTcpSocket;
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket->connectToHost(QHostAddress(host), tcpPort, QIODevice::ReadOnly);
    connect(this, SIGNAL(connectedVexon()), owner, SLOT(connected()));
    connect(socket, SIGNAL(disconnected()), owner, SLOT(connectionClosedByServer()));
    connect(this, SIGNAL(error(QString)), owner, SLOT(error(QString)));
    connect(this, SIGNAL(recived(int, QString, quint64, double)), owner,
            SLOT(updateData(int, QString, quint64, double)));
    connect(this, SIGNAL(logFailed(QString)), owner, SLOT(logFailed(QString)));
    buffer = new char[size_t(bufferSize)];
    pending = 0;
    for (Tally &tally : unreported)
        tally = Tally();
    reportDue = false;
    sinceReport.start();

    if (waitForConnection()) {
        emit connectedVexon();
        receive();
    }
    report();

    // Closing our own end is no news for the owner.
    disconnect(socket, nullptr, owner, nullptr);
    lastSocketError = socket->errorString();
    socket->close();
    closeLogs();
    stopRequested = false;
    delete[] buffer;
    buffer = nullptr;
    delete socket;
    socket = nullptr;
}

bool QVexonThread::waitForConnection()
{
    qint64 failures = 0;
    while (!stopRequested) {
        if (socket->waitForConnected(WaitMs))
            return true;
        // A refused or unreachable host ends the attempt; waiting on would only spin.
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            emit error(socket->errorString());
            stopRequested = true;
            return false;
        }
        if (failures >= ConnectWaitLimit) {
            emit error(QStringLiteral("Connection timed out"));
            stopRequested = true;
            return false;
        }
        ++failures;
    }
    return false;
}

void QVexonThread::receive()
{
    int misses = 0;
    while (!stopRequested) {
        // While totals wait for their report, wake in time to send it.
        const int waitMs =
            reportDue ? qBound(1, reportIntervalMs - int(sinceReport.elapsed()), WaitMs) : WaitMs;
        if (socket->waitForReadyRead(waitMs)) {
            // An invalid record ends a call early; what is still buffered is read at once.
            qint64 left = -1;
            while (!stopRequested && socket->bytesAvailable() + pending >= 8 &&
                   socket->bytesAvailable() != left) {
                left = socket->bytesAvailable();
                readVexon();
            }
            misses = 0;
            continue;
        }
        if (socket->state() != QAbstractSocket::ConnectedState) {
            if (socket->bytesAvailable() > 0)
                readVexon();
            if (!stopRequested)
                fail(socket->errorString());
            return;
        }
        if (waitMs < WaitMs) {
            report();
            continue;
        }
        if (++misses < IdleWaitsBeforeDirectRead)
            continue;
        const qint64 n = socket->read(buffer + pending, 8 - pending);
        if (n > 0) {
            pending += int(n);
            readVexon();
            misses = 0;
        } else if (n < 0) {
            if (!socket->errorString().isEmpty()) {
                fail(socket->errorString());
                return;
            }
            misses = 0;
        } else {
            if (!socket->isValid() || socket->error() != QAbstractSocket::SocketTimeoutError) {
                fail(socket->errorString());
                return;
            }
            misses = 0;
        }
    }
}

void QVexonThread::readVexon(int)
{
    if (!socket || !buffer)
        return;
    if (socket->bytesAvailable() + pending < 8)
        return;
    Tally call[channels];
    bool valid = true;
    while (!stopRequested) {
        const qint64 want = qMin<qint64>(bufferSize - pending, socket->bytesAvailable());
        const qint64 got = want > 0 ? socket->read(buffer + pending, want) : 0;
        if (got < 0) {
            fail(socket->errorString());
            stopRequested = true;
            flushLogs();
            return;
        }
        const int have = int(got) + pending;
        const int whole = have & ~7;
        pending = have - whole;
        valid = decode(whole, call);
        writeRows();
        // The tail of an incomplete record moves to the front, also after an invalid record,
        // so that the stream stays aligned on whole records.
        if (pending > 0)
            std::memmove(buffer, buffer + whole, size_t(pending));
        if (!valid || socket->bytesAvailable() == 0)
            break;
    }
    flushLogs();
    if (!valid)
        return;
    for (int ch = 0; ch < channels; ++ch) {
        if (call[ch].count == 0)
            continue;
        unreported[ch].count += call[ch].count;
        unreported[ch].last = call[ch].last;
        unreported[ch].sum += call[ch].sum;
        reportDue = true;
    }
    if (reportDue && sinceReport.elapsed() >= reportIntervalMs)
        report();
}

bool QVexonThread::decode(int bytes, Tally *call)
{
    bool logging = false;
    for (const QFile *log : file)
        logging = logging || log;
    if (logging) {
        const int second = QTime::currentTime().msecsSinceStartOfDay() / 1000;
        if (second != stampSecond) {
            stampSecond = second;
            const QByteArray text =
                QTime(0, 0).addSecs(second).toString(QStringLiteral("hh:mm:ss,")).toLatin1();
            std::memcpy(stamp, text.constData(), sizeof stamp);
        }
    }
    char digits[32];
    char *const digitsEnd = digits + sizeof digits;
    for (int offset = 0; offset < bytes; offset += 8) {
        const quint64 word = qFromBigEndian<quint64>(buffer + offset);
        const int ch = int((word >> 56) & 0x0F);
        if ((word >> 60) != 1 || ch >= channels) {
            qDebug().noquote() << QStringLiteral("Vexon error: invalid data=0x%1")
                                      .arg(word, 16, 16, QLatin1Char('0'));
            return false;
        }
        const quint64 value = word & ValueMask;
        Tally &tally = call[ch];
        ++tally.count;
        tally.last = value;
        tally.sum += double(value) * scale[ch];
        if (file[ch]) {
            const char *start = formatFixed(value, precision[ch], digitsEnd);
            std::string &out = rows[ch];
            out.append(stamp, sizeof stamp);
            out.append(start, size_t(digitsEnd - start));
            out.push_back('\n');
        }
    }
    return true;
}

void QVexonThread::writeRows(bool all)
{
    for (int ch = 0; ch < channels; ++ch)
        if (!rows[ch].empty() && (all || rows[ch].size() >= rowsHeldBytes))
            writeLog(ch);
}

void QVexonThread::writeLog(int ch)
{
    std::string &out = rows[ch];
    QFile *log = file[ch];
    const qint64 size = qint64(out.size());
    qint64 done = 0;
    // A short write (a full disk, a file-size limit) is followed by one that fails with the
    // reason.
    while (log && done < size) {
        const qint64 written = log->write(out.data() + done, size - done);
        if (written <= 0)
            break;
        done += written;
    }
    if (!log || done == size) {
        out.clear();
        if (log)
            logged[ch] = log->size();
        return;
    }
    const QString text = fileName[ch] + QStringLiteral(":\n") + fileErrorText(*log);
    // A row cut short would read as a plausible, wrong value: the log ends on the last whole row
    // that reached it.
    const size_t rowEnd = done > 0 ? out.rfind('\n', size_t(done - 1)) : std::string::npos;
    log->resize(logged[ch] + (rowEnd == std::string::npos ? 0 : qint64(rowEnd) + 1));
    out.clear();
    delete log;
    file[ch] = nullptr;
    if (!logFailureReported) {
        logFailureReported = true;
        emit logFailed(text);
    }
}

// The totals go out before the failure, so that the owner has them all when it lets go.
void QVexonThread::fail(const QString &text)
{
    report();
    emit error(text);
}

void QVexonThread::report()
{
    for (int ch = 0; ch < channels; ++ch) {
        Tally &tally = unreported[ch];
        if (tally.count == 0)
            continue;
        emit recived(ch, valueText(tally.last, precision[ch]), tally.count, tally.sum);
        tally = Tally();
    }
    reportDue = false;
    sinceReport.start();
}
