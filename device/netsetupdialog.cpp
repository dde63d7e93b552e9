#include "netsetupdialog.h"

#include "connectionsettings.h"
#include "dottedaddress.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "moduleregisters.h"
#include "qudpthread.h"
#include "ui_netsetupdialog.h"

#include <QHostAddress>
#include <QThread>

namespace {

quint16 bigEndian16(const QByteArray &bytes, int offset)
{
    return quint16((quint8(bytes.at(offset)) << 8) | quint8(bytes.at(offset + 1)));
}

QByteArray bigEndianBytes(quint16 value)
{
    QByteArray bytes;
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
    return bytes;
}

} // namespace

NetSetupDialog::NetSetupDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::NetSetupDialog), mainWindow(qobject_cast<MainWindow *>(parent))
{
    ui->setupUi(this);
    ui->lineEditAddr->setText(QString::fromLatin1(ConnectionSettings::factoryHost));
    ui->lineEditNewAddr->setText(QString::fromLatin1(ConnectionSettings::factoryHost));
    defaultAddress = ui->lineEditAddr->text();
    defaultPort = ui->lineEditUdp->text();
    if (mainWindow) {
        ui->lineEditAddr->setText(mainWindow->connectionSettings.host);
        ui->lineEditUdp->setText(QString::number(mainWindow->connectionSettings.udpPort));
    }
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(this, &QDialog::rejected, this, &NetSetupDialog::closeDialog);
    updated = false;
    ui->pushButtonRead->setAutoDefault(true);
    ui->pushButtonDefault->setAutoDefault(true);
    ui->pushButtonRenewal->setAutoDefault(true);
}

// A worker still running is waited for: it reads this dialog's values until it ends.
NetSetupDialog::~NetSetupDialog()
{
    delete thread;
    delete ui;
}

void NetSetupDialog::reject()
{
    if (isBusy())
        return;
    QDialog::reject();
}

int NetSetupDialog::timeout() const
{
    return mainWindow ? mainWindow->connectionSettings.timeout : 1;
}

// Port 0 names no port: a module given it as its new port could not be reached after its
// restart.
bool NetSetupDialog::parsePort(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value == 0 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool NetSetupDialog::takeTarget(QHostAddress *address, quint16 *port)
{
    const QString host = ui->lineEditAddr->text();
    const QString portText = ui->lineEditUdp->text();
    if (!DottedAddress::parse(host)) {
        ModalHooks::warning(this, QString(), host + tr(" is invalid address."));
        return false;
    }
    if (!parsePort(portText, port)) {
        ModalHooks::warning(this, QString(), portText + tr(" is invalid port."));
        return false;
    }
    address->setAddress(host);
    targetText = host;
    targetPortText = portText;
    return true;
}

void NetSetupDialog::setButtonsEnabled(bool enabled)
{
    ui->pushButtonRead->setEnabled(enabled);
    ui->pushButtonDefault->setEnabled(enabled);
    ui->pushButtonRenewal->setEnabled(enabled);
    ui->lineEditNewAddr->setEnabled(enabled);
    ui->lineEditNewTcp->setEnabled(enabled);
    ui->lineEditNewUdp->setEnabled(enabled);
}

void NetSetupDialog::startWorker(const QHostAddress &address, quint16 port)
{
    thread->setTimeout(timeout());
    thread->setHost(address, port);
    thread->start(QThread::InheritPriority);
}

void NetSetupDialog::on_pushButtonDefault_clicked()
{
    ui->lineEditAddr->setText(defaultAddress);
    ui->lineEditUdp->setText(defaultPort);
}

void NetSetupDialog::on_pushButtonRead_clicked()
{
    if (isBusy())
        return;
    QHostAddress address;
    quint16 port = 0;
    if (!takeTarget(&address, &port))
        return;
    errorText = tr("Can't access Vexon Module(%1:%2).\n").arg(targetText, targetPortText) +
                tr("Please check network connectivity.");
    setButtonsEnabled(false);
    thread = new QUdpThread;
    connect(thread, &QUdpThread::readData, this, &NetSetupDialog::setStr);
    connect(thread, &QRegx::closed, this, &NetSetupDialog::end);
    thread->setRead(ModuleRegisters::NetworkSettings, ModuleRegisters::NetworkSettingsLength);
    startWorker(address, port);
}

void NetSetupDialog::on_pushButtonRenewal_clicked()
{
    if (isBusy())
        return;
    NetworkValues values;
    values.addressText = ui->lineEditNewAddr->text();
    if (!DottedAddress::parse(values.addressText, values.address)) {
        ModalHooks::warning(this, QString(), values.addressText + tr(" is invalid address."));
        return;
    }
    if (!parsePort(ui->lineEditNewTcp->text(), &values.tcpPort)) {
        ModalHooks::warning(this, QString(), ui->lineEditNewTcp->text() + tr(" is invalid port."));
        return;
    }
    if (!parsePort(ui->lineEditNewUdp->text(), &values.udpPort)) {
        ModalHooks::warning(this, QString(), ui->lineEditNewUdp->text() + tr(" is invalid port."));
        return;
    }
    QHostAddress address;
    quint16 port = 0;
    if (!takeTarget(&address, &port))
        return;
    pending = values;
    errorText.clear();
    setButtonsEnabled(false);
    thread = new QUdpThread;
    connect(thread, &QUdpThread::readData, this, &NetSetupDialog::setStr);
    connect(thread, &QRegx::error, this, &NetSetupDialog::onError);
    connect(thread, &QRegx::closed, this, qOverload<bool>(&NetSetupDialog::close));
    thread->setNetSetup(this);
    startWorker(address, port);
}

// The worker switches the write enable off again after any failure thrown from here, keeping
// the first error as the operation's text.
void NetSetupDialog::writeSettings(QUdpThread *worker)
{
    const QString cantWrite =
        QStringLiteral("Can't Write Vexon Module(%1:%2)").arg(targetText, targetPortText);
    if (!worker->setWriteEnable(true))
        throw QStringLiteral("Can't access Vexon Module(%1:%2).\n")
                .arg(targetText, targetPortText) +
            QStringLiteral("Please check network connectivity.");
    const QByteArray address(reinterpret_cast<const char *>(pending.address), 4);
    if (worker->write(ModuleRegisters::NetworkAddress, address.constData(), 4) != 4)
        throw cantWrite;
    const QByteArray tcp = bigEndianBytes(pending.tcpPort);
    if (worker->write(ModuleRegisters::NetworkTcpPort, tcp.constData(), 2) != 2)
        throw cantWrite;
    const QByteArray udp = bigEndianBytes(pending.udpPort);
    const int put = worker->write(ModuleRegisters::NetworkUdpPort, udp.constData(), 2);
    const bool closedAgain = worker->setWriteEnable(false);
    if (put != 2 || !closedAgain)
        throw cantWrite;
}

void NetSetupDialog::close(bool ok)
{
    delete thread;
    thread = nullptr;
    setButtonsEnabled(true);
    if (ok) {
        updated = true;
        written = pending;
        on_pushButtonRead_clicked();
        ModalHooks::warning(this, QString(),
                            tr("Succeeded in Updating the Vexon module.\n") +
                                tr("Please reboot the Zivra."));
    } else {
        ModalHooks::warning(this, QString(), errorText);
    }
}

void NetSetupDialog::end(bool ok)
{
    delete thread;
    thread = nullptr;
    setButtonsEnabled(true);
    if (!ok)
        ModalHooks::warning(this, QString(), errorText);
}

void NetSetupDialog::onError(QString *text)
{
    errorText = *text;
}

void NetSetupDialog::setStr(QByteArray *block)
{
    if (!block || block->size() < ModuleRegisters::NetworkSettingsLength)
        return;
    const QByteArray &b = *block;
    auto hex = [&b](int i) {
        return QStringLiteral("%1").arg(quint8(b.at(i)), 2, 16, QLatin1Char('0'));
    };
    QString text = QStringLiteral("MAC Address : %1").arg(hex(0)).toUpper();
    for (int i = 1; i < 6; ++i)
        text += QStringLiteral(":%1").arg(hex(i)).toUpper();
    text += QStringLiteral("\nIP Address : %1").arg(quint8(b.at(6)));
    for (int i = 7; i < 10; ++i)
        text += QStringLiteral(".%1").arg(quint8(b.at(i)));
    const struct {
        int offset;
        const char *format;
        int factor;
    } fields[] = {
        {10, "\nTCP Data Port : %1", 1},
        {12, "\nTCP Command Port : %1", 1},
        {14, "\nTCP Max Segment Size : %1", 1},
        {16, "\nUDP Port : %1", 1},
        {18, "\nTCP Keep Alive(buffer not empty) : %1msec", 1},
        {20, "\nTCP Keep Alive(buffer empty) : %1msec", 1},
        {22, "\nTCP Timeout (Connecting) : %1msec", 1},
        {24, "\nTCP Timeout (Disconnect) : %1msec", 256},
        {26, "\nTCP Re-Connect Interval : %1msec", 1},
        {28, "\nTCP Re-transmition Timer : %1msec", 1},
    };
    for (const auto &field : fields)
        text += QString::fromLatin1(field.format)
                    .arg(quint32(bigEndian16(b, field.offset)) * quint32(field.factor));
    ui->textEdit->setPlainText(text);
}

void NetSetupDialog::closeDialog()
{
    if (!updated || !mainWindow)
        return;
    ConnectionSettings &settings = mainWindow->connectionSettings;
    bool changed = false;
    if (settings.host != written.addressText) {
        settings.host = written.addressText;
        changed = true;
    }
    if (settings.tcpPort != written.tcpPort) {
        settings.tcpPort = written.tcpPort;
        changed = true;
    }
    if (settings.udpPort != written.udpPort) {
        settings.udpPort = written.udpPort;
        changed = true;
    }
    if (changed)
        mainWindow->recordUndo();
}
