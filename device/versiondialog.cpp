#include "versiondialog.h"

#include "mainwindow.h"
#include "modalhooks.h"
#include "moduleregisters.h"
#include "qudpthread.h"
#include "ui_versiondialog.h"
#include "zivraresources.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

VersionDialog::VersionDialog(QWidget *parent) : QDialog(parent)
{
    ZivraResources::ensureLoaded();
    ui = new Ui::VersionDialog;
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    const QString version =
        softwareVersion(QCoreApplication::applicationDirPath() + QStringLiteral("/version.txt"));
    if (!version.isEmpty()) {
        ui->labelVersion->setTextFormat(Qt::PlainText);
        ui->labelVersion->setText(version);
        ui->labelVersion->setAlignment(Qt::AlignLeft);
    }

    mainWindow = qobject_cast<MainWindow *>(parent);
    ui->pushButton->setEnabled(mainWindow != nullptr);
    ui->pushButton->setAutoDefault(true);
    ui->okButton->setAutoDefault(true);
}

VersionDialog::~VersionDialog()
{
    // A Load still running is stopped here: its signals would otherwise point into a worker
    // that nobody deletes, and its thread would outlive the dialog.
    if (thread) {
        disconnect(thread, nullptr, this, nullptr);
        delete thread;
    }
    delete ui;
}

QString VersionDialog::softwareVersion(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    QString line;
    while (in.readLineInto(&line)) {
        if (line.startsWith(QLatin1Char('v')))
            return QStringLiteral("Software Version ") + line.mid(1);
    }
    return QString();
}

void VersionDialog::on_pushButton_clicked()
{
    if (!mainWindow || thread)
        return;
    ui->pushButton->setEnabled(false);
    thread = new QUdpThread;
    connect(thread, SIGNAL(readData(QByteArray *)), this, SLOT(setVersion(QByteArray *)));
    connect(thread, SIGNAL(error(QString *)), this, SLOT(onError(QString *)));
    connect(thread, SIGNAL(closed(bool)), this, SLOT(end(bool)));
    thread->setRead(ModuleRegisters::Version, ModuleRegisters::VersionLength);
    const ConnectionSettings &settings = mainWindow->connectionSettings;
    thread->setTimeout(settings.timeout);
    thread->setHost(QHostAddress(settings.host), settings.udpPort);
    thread->start();
}

void VersionDialog::setVersion(QByteArray *data)
{
    ui->lineEditVersion->setText(QString::fromLatin1(data->toHex()));
}

void VersionDialog::onError(QString *text)
{
    errorText = *text;
}

void VersionDialog::end(bool ok)
{
    delete thread;
    thread = nullptr;
    ui->pushButton->setEnabled(true);
    if (!ok && !errorText.isEmpty()) {
        ModalHooks::warning(this, tr("Zivra"), errorText);
        errorText.clear();
    }
}
