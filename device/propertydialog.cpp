#include "propertydialog.h"

#include "dottedaddress.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "ui_propertydialog.h"

PropertyDialog::PropertyDialog(QWidget *mainWindow, QWidget *parent)
    : QDialog(parent), ui(new Ui::PropertyDialog),
      mainWindow(qobject_cast<MainWindow *>(mainWindow))
{
    ui->setupUi(this);
    if (this->mainWindow) {
        const ConnectionSettings &settings = this->mainWindow->connectionSettings;
        ui->lineEditAddress->setText(settings.host);
        ui->lineEditTcp->setText(QString::number(settings.tcpPort));
        ui->lineEditUdp->setText(QString::number(settings.udpPort));
        ui->lineEditTimeout->setText(QString::number(settings.timeout));
        ui->checkBox->setChecked(settings.autoConnect);
    }
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

PropertyDialog::~PropertyDialog()
{
    delete ui;
}

bool PropertyDialog::readPort(QLineEdit *edit, const QString &field, quint16 *port)
{
    bool ok = false;
    const int value = edit->text().toInt(&ok, 10);
    if (ok && value >= 0 && value <= 0xFFFF) {
        *port = quint16(value);
        return true;
    }
    // A port is 16 bits: cutting a larger number, or reading letters as 0, would silently
    // address another port.
    refuse(
        edit,
        tr("%1 \"%2\" is invalid: a port is a number from 0 to 65535.").arg(field, edit->text()));
    return false;
}

bool PropertyDialog::readTimeout(int *seconds)
{
    QLineEdit *edit = ui->lineEditTimeout;
    bool ok = false;
    const int value = edit->text().toInt(&ok, 10);
    // 0 and below leave the engine its own default, as they always have.
    if (ok && value <= ConnectionSettings::maxTimeout) {
        *seconds = value;
        return true;
    }
    refuse(edit, tr("Timeout \"%1\" is invalid: a time-out is a whole number of seconds up to %2.")
                     .arg(edit->text())
                     .arg(ConnectionSettings::maxTimeout));
    return false;
}

void PropertyDialog::refuse(QLineEdit *edit, const QString &message)
{
    ModalHooks::warning(this, QString(), message);
    edit->setFocus();
    edit->selectAll();
}

void PropertyDialog::on_buttonBox_accepted()
{
    const QString address = ui->lineEditAddress->text();
    if (!DottedAddress::parse(address)) {
        ModalHooks::warning(this, QString(), address + tr(" is invalid address."));
        return;
    }
    quint16 tcpPort = 0;
    quint16 udpPort = 0;
    int timeout = 0;
    if (!readPort(ui->lineEditTcp, tr("TCP Port"), &tcpPort) ||
        !readPort(ui->lineEditUdp, tr("UDP Port"), &udpPort) || !readTimeout(&timeout))
        return;
    if (!mainWindow) {
        accept();
        return;
    }

    ConnectionSettings &settings = mainWindow->connectionSettings;
    bool changed = false;
    if (settings.host != address) {
        settings.host = address;
        changed = true;
    }
    if (settings.tcpPort != tcpPort) {
        settings.tcpPort = tcpPort;
        changed = true;
    }
    if (settings.udpPort != udpPort) {
        settings.udpPort = udpPort;
        changed = true;
    }
    if (settings.timeout != timeout) {
        settings.timeout = timeout;
        changed = true;
    }
    if (settings.autoConnect != ui->checkBox->isChecked()) {
        settings.autoConnect = ui->checkBox->isChecked();
        changed = true;
    }
    if (changed)
        mainWindow->recordUndo();
    accept();
}
