#include "usercontroldialog.h"

#include "mainwindow.h"
#include "modalhooks.h"
#include "moduleregisters.h"
#include "qudpthread.h"
#include "ui_usercontroldialog.h"

#include <QHostAddress>

namespace {

const int rowHeight = 40;

} // namespace

UserControlDialog::UserControlDialog(const UserControlConfig *config, MainWindow *parent)
    : QDialog(parent), ui(new Ui::UserControlDialog), mainWindow(parent)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    groups = {ui->in0, ui->in1, ui->in2, ui->in3, ui->in4,
              ui->in5, ui->in6, ui->in7, ui->in8, ui->in9};
    labels = {ui->label0, ui->label1, ui->label2, ui->label3, ui->label4,
              ui->label5, ui->label6, ui->label7, ui->label8, ui->label9};
    onButtons = {ui->on0, ui->on1, ui->on2, ui->on3, ui->on4,
                 ui->on5, ui->on6, ui->on7, ui->on8, ui->on9};
    offButtons = {ui->off0, ui->off1, ui->off2, ui->off3, ui->off4,
                  ui->off5, ui->off6, ui->off7, ui->off8, ui->off9};
    if (parent)
        connect(this, SIGNAL(rejected()), parent, SLOT(closedUserControl()));
    startRead(config);
}

UserControlDialog::~UserControlDialog()
{
    if (worker) {
        disconnect(worker, nullptr, this, nullptr);
        delete worker; // aborts a running operation and waits for it
    }
    delete ui;
}

bool UserControlDialog::event(QEvent *event)
{
    return deletionGuard.filter(event) || QDialog::event(event);
}

void UserControlDialog::startRead(const UserControlConfig *config)
{
    if (!config)
        return;
    if (busy) {
        // Replacing or restarting a running worker would lose its operation and let its late
        // signals reach this dialog; the read follows once it has ended.
        queuedConfig = *config;
        readQueued = true;
        return;
    }
    beginRead(*config);
}

void UserControlDialog::beginRead(const UserControlConfig &config)
{
    for (int i = 0; i < groups.size(); ++i) {
        const QString name = i < UserControlConfig::inputCount ? config.names[i] : QString();
        groups[i]->setVisible(!name.isEmpty());
        if (!name.isEmpty())
            labels[i]->setText(name);
    }
    setSwitchesEnabled(false);
    setMaximumHeight(config.count * rowHeight);

    if (worker && (config.host != host || config.udpPort != udpPort || config.timeout != timeout)) {
        delete worker; // idle: its end() has been handled
        worker = nullptr;
    }
    if (!worker) {
        host = config.host;
        udpPort = config.udpPort;
        timeout = config.timeout;
        worker = new QUdpThread;
        worker->setTimeout(timeout);
        worker->setHost(QHostAddress(host), udpPort);
        connect(worker, SIGNAL(error(QString *)), this, SLOT(onError(QString *)));
        connect(worker, SIGNAL(closed(bool)), this, SLOT(end(bool)));
        connect(worker, SIGNAL(readData(QByteArray *)), this, SLOT(setCurrent(QByteArray *)));
    }
    worker->setInfoMode(-1);
    worker->setRead(ModuleRegisters::UserControl, ModuleRegisters::UserControlLength);
    startWorker();
    ready = false;
}

void UserControlDialog::startWorker()
{
    busy = true;
    worker->start();
}

void UserControlDialog::setSwitchesEnabled(bool enabled)
{
    for (int i = 0; i < groups.size(); ++i) {
        onButtons[i]->setEnabled(enabled);
        offButtons[i]->setEnabled(enabled);
    }
}

bool UserControlDialog::fromOtherWorker() const
{
    QObject *from = sender();
    return from && from != worker;
}

void UserControlDialog::setCurrent(QByteArray *data)
{
    if (fromOtherWorker() || data->size() < 2)
        return;
    value = quint16((quint8(data->at(0)) << 8) | quint8(data->at(1)));
    ready = false;
    for (int i = 0; i < groups.size(); ++i) {
        if (value & (1u << i))
            onButtons[i]->setChecked(true);
        else
            offButtons[i]->setChecked(true);
    }
    // The switches come back with end(): the worker still runs until then, and a switch used
    // now could not start it.
    ready = true;
}

void UserControlDialog::onError(QString *text)
{
    if (!fromOtherWorker())
        errorText = *text;
}

void UserControlDialog::writeSwitch(int row, bool on)
{
    if (!ready || busy)
        return;
    setSwitchesEnabled(false);
    if (on)
        value |= quint16(1u << row);
    else
        value &= quint16(~(1u << row));
    QByteArray bytes;
    QUdpThread::append16(&bytes, value);
    worker->addWrite(ModuleRegisters::UserControl, bytes, false);
    worker->setRead(ModuleRegisters::UserControl, 0);
    worker->setInfoMode(-1);
    startWorker();
}

void UserControlDialog::end(bool ok)
{
    if (fromOtherWorker())
        return;
    busy = false;
    setSwitchesEnabled(true);
    if (ok) {
        if (readQueued) {
            readQueued = false;
            beginRead(queuedConfig);
        }
        return;
    }
    readQueued = false;
    if (!errorText.isEmpty()) {
        const DeletionGuard::Box box(deletionGuard);
        ModalHooks::warning(this, QString(), errorText);
        errorText.clear();
    }
    if (mainWindow)
        mainWindow->setDeviceActionsEnabled(false);
    close();
}

void UserControlDialog::on_on0_toggled(bool on)
{
    writeSwitch(0, on);
}

void UserControlDialog::on_on1_toggled(bool on)
{
    writeSwitch(1, on);
}

void UserControlDialog::on_on2_toggled(bool on)
{
    writeSwitch(2, on);
}

void UserControlDialog::on_on3_toggled(bool on)
{
    writeSwitch(3, on);
}

void UserControlDialog::on_on4_toggled(bool on)
{
    writeSwitch(4, on);
}

void UserControlDialog::on_on5_toggled(bool on)
{
    writeSwitch(5, on);
}

void UserControlDialog::on_on6_toggled(bool on)
{
    writeSwitch(6, on);
}

void UserControlDialog::on_on7_toggled(bool on)
{
    writeSwitch(7, on);
}

void UserControlDialog::on_on8_toggled(bool on)
{
    writeSwitch(8, on);
}

void UserControlDialog::on_on9_toggled(bool on)
{
    writeSwitch(9, on);
}
