#include "msrcntwidget.h"

#include "modalhooks.h"
#include "qudpthread.h"

#include <QHostAddress>
#include <QPushButton>

void MsrCntWidget::msr0Clicked()
{
    msrClicked(0);
}

void MsrCntWidget::msr1Clicked()
{
    msrClicked(1);
}

void MsrCntWidget::msr2Clicked()
{
    msrClicked(2);
}

void MsrCntWidget::msr3Clicked()
{
    msrClicked(3);
}

// The button follows the click at once; the write's outcome comes later through end(bool).
void MsrCntWidget::msrClicked(int n)
{
    char byte;
    if (running[n]) {
        startButton[n]->setText(QStringLiteral("Start"));
        running[n] = false;
        byte = stopCounting;
    } else {
        startButton[n]->setText(QStringLiteral("Stop"));
        running[n] = true;
        byte = startCounting;
    }
    udpThread = new QUdpThread;
    workers.append(udpThread);
    connect(udpThread, SIGNAL(error(QString *)), this, SLOT(onError(QString *)));
    connect(udpThread, SIGNAL(closed(bool)), this, SLOT(end(bool)));
    udpThread->addWrite(counterEnableRegister + quint32(n), QByteArray(1, byte), false);
    udpThread->setTimeout(timeout);
    udpThread->setHost(QHostAddress(host), udpPort);
    udpThread->start();
}

void MsrCntWidget::onError(QString *text)
{
    lastError = *text;
}

void MsrCntWidget::end(bool ok)
{
    // Each worker is released on its own report, even when a later click has replaced it.
    QUdpThread *worker = qobject_cast<QUdpThread *>(sender());
    if (!worker)
        worker = udpThread;
    if (workers.removeOne(worker)) {
        if (worker == udpThread)
            udpThread = nullptr;
        delete worker;
    }
    if (!ok && !lastError.isEmpty()) {
        const DeletionGuard::Box box(deletionGuard);
        ModalHooks::warning(this, QStringLiteral("Zivra"), lastError);
        lastError.clear();
    }
}
