#include "msrcntwidget.h"

#include "dialoghooks.h"
#include "modalhooks.h"
#include "qvexonthread.h"
#include "ui_msrcntwidget.h"

#include <QPushButton>

bool MsrCntWidget::fromOtherStream() const
{
    // Direct calls have no sender; queued reports carry the thread that sent them.
    QObject *from = sender();
    return from && qobject_cast<QVexonThread *>(from) && from != streamThread;
}

void MsrCntWidget::connectToServer()
{
    retiredStreams.removeAll(nullptr); // those that have ended and deleted themselves
    if (streamThread) {
        streamThread->stop();
        retiredStreams.append(streamThread);
        streamThread = nullptr;
    }
    try {
        streamThread = new QVexonThread(path, name, unit, host, tcpPort, udpPort, this, false);
    } catch (const QString &text) {
        DialogHooks::Question question{
            nullptr,
            QString(),
            text,
            QMessageBox::Yes | QMessageBox::Cancel,
            QMessageBox::Yes,
            QStringLiteral("The MsrCnt data cannot be saved, continue?")};
        QMessageBox::StandardButton answer;
        {
            const DeletionGuard::Box box(deletionGuard);
            answer = DialogHooks::question(question);
        }
        if (answer != QMessageBox::Yes)
            return;
        streamThread = new QVexonThread(path, name, unit, host, tcpPort, udpPort, this, true);
    }
    connect(streamThread, SIGNAL(finished()), streamThread, SLOT(deleteLater()));
    streamThread->start();
    ui->connectButton->setEnabled(false);
    ui->stopButton->setEnabled(true);
    setStatus(QStringLiteral("Connecting ..."));
    isConnected = true;
}

// Stops the recorded thread and waits until it has ended.
void MsrCntWidget::finishStream()
{
    if (!streamThread)
        return;
    streamThread->stop();
    streamThread->wait();
    streamThread = nullptr;
}

void MsrCntWidget::stopUpdate()
{
    finishStream();
    setStatus(QStringLiteral("Connection closed"));
    resetButtons();
}

void MsrCntWidget::connectionClosedByServer()
{
    if (!isConnected)
        return;
    setStatus(QStringLiteral("Connection closed by server"));
    resetButtons();
}

void MsrCntWidget::error(QAbstractSocket::SocketError code)
{
    if (streamThread) {
        QVexonThread *ended = streamThread;
        finishStream();
        // Read once the thread has ended (it is deleted only later, from the event loop).
        setStatus(ended->socketErrorString());
    } else {
        setStatus(QStringLiteral("QAbstractSocket::SocketError %1").arg(int(code)));
    }
    resetButtons();
}

void MsrCntWidget::error(QString text)
{
    if (fromOtherStream())
        return;
    setStatus(text);
    if (streamThread) {
        // It ends by itself after its report.
        streamThread->wait();
        streamThread = nullptr;
    }
    resetButtons();
}

// Receiving goes on; the thread has cut that log back to its last whole row.
void MsrCntWidget::logFailed(QString text)
{
    const DeletionGuard::Box box(deletionGuard);
    ModalHooks::warning(this, QStringLiteral("Zivra"), text);
}
