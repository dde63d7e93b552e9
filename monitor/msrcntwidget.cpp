#include "msrcntwidget.h"

#include "dialoghooks.h"
#include "mainwindow.h"
#include "msrcntconfig.h"
#include "qudpthread.h"
#include "qvexonthread.h"
#include "ui_msrcntwidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>

namespace {

// Shown from its first digit: a text longer than its field keeps its magnitude in view.
void showText(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

// Wide enough for `widest` beside the frame, the inner margins and the cursor.
void fitText(QLineEdit *field, const QString &widest)
{
    const int chrome = 12;
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(widest) + chrome);
}

} // namespace

MsrCntWidget::MsrCntWidget(const MsrCntConfig &config, MainWindow *parent)
    : QDialog(parent), ui(new Ui::MsrCntWidget)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    nameLabel[0] = ui->msrCnt0Label;
    nameLabel[1] = ui->msrCnt1Label;
    nameLabel[2] = ui->msrCnt2Label;
    nameLabel[3] = ui->msrCnt3Label;
    valueEdit[0] = ui->msrCnt0LineEdit;
    valueEdit[1] = ui->msrCnt1LineEdit;
    valueEdit[2] = ui->msrCnt2LineEdit;
    valueEdit[3] = ui->msrCnt3LineEdit;
    timeEdit[0] = ui->updateLineEdit0;
    timeEdit[1] = ui->updateLineEdit1;
    timeEdit[2] = ui->updateLineEdit2;
    timeEdit[3] = ui->updateLineEdit3;
    numberEdit[0] = ui->number0;
    numberEdit[1] = ui->number1;
    numberEdit[2] = ui->number2;
    numberEdit[3] = ui->number3;
    integrationEdit[0] = ui->integration0;
    integrationEdit[1] = ui->integration1;
    integrationEdit[2] = ui->integration2;
    integrationEdit[3] = ui->integration3;
    startButton[0] = ui->startButton0;
    startButton[1] = ui->startButton1;
    startButton[2] = ui->startButton2;
    startButton[3] = ui->startButton3;
    // Each field holds its widest text for values up to 10^6 of the unit: the sum in seconds has
    // nine decimals.
    const QString widestValue = QStringLiteral("0000000.000000000 sec");
    for (int n = 0; n < channels; ++n) {
        fitText(numberEdit[n], QStringLiteral("0.00000e+00"));
        fitText(timeEdit[n], QStringLiteral(" 00:00:00 "));
        fitText(valueEdit[n], widestValue);
        fitText(integrationEdit[n], widestValue);
    }

    connect(ui->startButton0, SIGNAL(clicked()), this, SLOT(msr0Clicked()));
    connect(ui->startButton1, SIGNAL(clicked()), this, SLOT(msr1Clicked()));
    connect(ui->startButton2, SIGNAL(clicked()), this, SLOT(msr2Clicked()));
    connect(ui->startButton3, SIGNAL(clicked()), this, SLOT(msr3Clicked()));
    connect(ui->connectButton, SIGNAL(clicked()), this, SLOT(connectToServer()));
    connect(ui->stopButton, SIGNAL(clicked()), this, SLOT(stopUpdate()));
    connect(ui->quitButton, SIGNAL(clicked()), this, SLOT(stopUpdate()));
    connect(this, SIGNAL(rejected()), this, SLOT(stopUpdate()));
    if (parent) {
        connect(parent, SIGNAL(closeVexon()), this, SLOT(stopUpdate()));
        connect(this, SIGNAL(rejected()), parent, SLOT(closedVexon()));
        connect(ui->quitButton, SIGNAL(clicked()), parent, SLOT(closedVexon()));
    }
    setConfig(config);
}

MsrCntWidget::~MsrCntWidget()
{
    if (streamThread) {
        streamThread->stop();
        streamThread->wait();
    }
    for (const QPointer<QVexonThread> &retired : retiredStreams) {
        if (retired) {
            retired->stop();
            retired->wait();
        }
    }
    // A write still on its way would report to a window that is gone; its destructor aborts
    // the write and waits for the thread.
    qDeleteAll(workers);
    delete ui;
}

bool MsrCntWidget::event(QEvent *event)
{
    return deletionGuard.filter(event) || QDialog::event(event);
}

// A download stops every counter (it clears the enable registers), so each button offers Start.
// A stream built for the old configuration would show its values in the old scale and leave the
// rows off: an open connection is made again with the new one, and the old one's last reports
// are dropped.
void MsrCntWidget::setConfig(const MsrCntConfig &config)
{
    const bool reconnect = isConnected;
    if (reconnect)
        stopUpdate();
    countedStream = nullptr;
    for (int n = 0; n < channels; ++n) {
        mode[n] = config.mode[n];
        running[n] = false;
        startButton[n]->setText(QStringLiteral("Start"));
        resetChannel(n);
        path[n] = config.path[n];
        unit[n] = config.unit[n];
        name[n] = config.name[n];
        if (!name[n].isEmpty())
            nameLabel[n]->setText(name[n]);
    }
    host = config.host;
    tcpPort = config.tcpPort;
    udpPort = config.udpPort;
    timeout = config.timeout;
    if (reconnect || config.autoConnect)
        connectToServer();
}

QString MsrCntWidget::statusText() const
{
    return ui->statusLabel->text();
}

void MsrCntWidget::setStatus(const QString &text)
{
    ui->statusLabel->setText(text);
}

void MsrCntWidget::setRowEnabled(int n, bool enabled)
{
    valueEdit[n]->setEnabled(enabled);
    timeEdit[n]->setEnabled(enabled);
    numberEdit[n]->setEnabled(enabled);
    integrationEdit[n]->setEnabled(enabled);
}

void MsrCntWidget::resetChannel(int n)
{
    startButton[n]->setEnabled(false);
    setRowEnabled(n, false);
    if (mode[n] < 0) {
        const QString none = QStringLiteral("-----");
        valueEdit[n]->setText(none);
        timeEdit[n]->setText(none);
        numberEdit[n]->setText(none);
        integrationEdit[n]->setText(none);
    }
}

void MsrCntWidget::resetButtons()
{
    isConnected = false;
    ui->connectButton->setEnabled(true);
    ui->stopButton->setEnabled(false);
    for (int n = 0; n < channels; ++n) {
        startButton[n]->setEnabled(false);
        setRowEnabled(n, false);
    }
}

void MsrCntWidget::accept()
{
    QDialog::accept();
}

void MsrCntWidget::connected()
{
    if (fromOtherStream())
        return;
    countedStream = sender() ? sender() : streamThread;
    for (int n = 0; n < channels; ++n) {
        setRowEnabled(n, true);
        if (mode[n] >= 0) {
            valueEdit[n]->clear();
            timeEdit[n]->clear();
            numberEdit[n]->clear();
            integrationEdit[n]->clear();
            startButton[n]->setEnabled((mode[n] & 3) == 0);
        }
        count[n] = 0;
        sum[n] = 0;
    }
    setStatus(QStringLiteral("Waiting for data ..."));
}

void MsrCntWidget::updateData(int n, QString text, quint64 records, double s)
{
    const QObject *from = sender();
    if (n < 0 || n >= channels || (from && from != countedStream))
        return;
    // The closing reports of a stopped stream complete the totals but leave the status alone.
    if (!from || from == streamThread)
        setStatus(QStringLiteral("Received"));
    count[n] += double(records);
    showText(numberEdit[n], QString::number(count[n], 'g', 6));
    sum[n] += s;
    const QString blank = QStringLiteral(" ");
    showText(integrationEdit[n],
             QString::number(sum[n], 'f', QVexonThread::unitPrecision(unit[n])) + blank + unit[n]);
    showText(valueEdit[n], text + blank + unit[n]);
    showText(timeEdit[n], QTime::currentTime().toString(QStringLiteral(" hh:mm:ss ")));
}
