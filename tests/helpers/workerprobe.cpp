#include "workerprobe.h"

#include "moduleemulator.h"

#include <QHostAddress>
#include <QTest>

ProbeWorker::ProbeWorker(const ModuleEmulator &emulator)
{
    setHost(QHostAddress(QHostAddress::LocalHost), emulator.udpPort());
    setTimeout(1);
    setStatusPollInterval(5);
}

WorkerProbe::WorkerProbe(QUdpThread *worker) : worker(worker)
{
    connect(worker, SIGNAL(setProgress(int)), this, SLOT(onProgress(int)));
    connect(worker, SIGNAL(readData(QByteArray *)), this, SLOT(onReadData(QByteArray *)));
    connect(worker, SIGNAL(setHtml(QString *)), this, SLOT(onHtml(QString *)));
    connect(worker, SIGNAL(setResult(int)), this, SLOT(onResult(int)));
    connect(worker, SIGNAL(setXml(QByteArray *, QString)), this,
            SLOT(onXml(QByteArray *, QString)));
    connect(worker, SIGNAL(error(QString *)), this, SLOT(onError(QString *)));
    connect(worker, SIGNAL(closed(bool)), this, SLOT(onClosed(bool)));
}

bool WorkerProbe::run(int timeoutMs)
{
    worker->start();
    const bool done = QTest::qWaitFor([this]() { return closed; }, timeoutMs);
    return done && worker->wait(5000);
}

void WorkerProbe::onProgress(int value)
{
    progress << value;
    if (events.isEmpty() || events.last() != QLatin1String("progress"))
        events << QStringLiteral("progress");
}

void WorkerProbe::onReadData(QByteArray *bytes)
{
    events << QStringLiteral("readData");
    data = *bytes;
}

void WorkerProbe::onHtml(QString *text)
{
    events << QStringLiteral("html");
    html = *text;
}

void WorkerProbe::onResult(int value)
{
    events << QStringLiteral("result:%1").arg(value);
    result = value;
}

void WorkerProbe::onXml(QByteArray *bytes, QString name)
{
    events << QStringLiteral("xml");
    xml = *bytes;
    xmlName = name;
}

void WorkerProbe::onError(QString *text)
{
    events << QStringLiteral("error");
    errorText = *text;
}

void WorkerProbe::onClosed(bool succeeded)
{
    events << QStringLiteral("closed:%1").arg(succeeded ? "true" : "false");
    closed = true;
    ok = succeeded;
}

QString requestText(const RequestLogEntry &entry)
{
    QString text = QStringLiteral("%1 0x%2")
                       .arg(entry.isRead() ? QLatin1Char('R') : QLatin1Char('W'))
                       .arg(entry.address, 0, 16);
    if (entry.isWrite() && entry.data.size() <= 4)
        text += QLatin1Char(' ') + QString::fromLatin1(entry.data.toHex());
    return text;
}

QStringList foldedTrace(const QVector<RequestLogEntry> &log)
{
    QStringList trace;
    for (const RequestLogEntry &entry : log) {
        const bool designWrite =
            entry.isWrite() && ((entry.address >= 0x0004 && entry.address < 0x0090) ||
                                (entry.address >= 0x2000 && entry.address < 0x4000));
        const bool window = entry.address >= 0xC000 && entry.address < 0xD000;
        QString text = designWrite ? QStringLiteral("design") : requestText(entry);
        if (entry.isWrite() && entry.address >= 0x0100 && entry.address < 0x0800)
            text = QStringLiteral("W directory");
        if (window)
            text = entry.isRead() ? QStringLiteral("R window") : QStringLiteral("W window");
        if (trace.isEmpty() || trace.last() != text)
            trace << text;
    }
    return trace;
}
