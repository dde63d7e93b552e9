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
    ModalHooks::warning(
        this, QString(),
        tr("%1 \"%2\" is invalid: a port is a number from 0 to 65535.").arg(field, edit->text()));
    edit->setFocus();
    edit->selectAll();
    return false;
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
    if (!readPort(ui->lineEditTcp, tr("TCP Port"), &tcpPort) ||
        !readPort(ui->lineEditUdp, tr("UDP Port"), &udpPort))
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
    const int timeout = ui->lineEditTimeout->text().toInt(nullptr, 10);
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
