#include "writeprotectdialog.h"

#include "mainwindow.h"
#include "ui_writeprotectdialog.h"

#include <QPushButton>

WriteProtectDialog::WriteProtectDialog(bool current, bool boot, QWidget *parent)
    : QDialog(parent), ui(new Ui::WriteProtectDialog),
      mainWindow(qobject_cast<MainWindow *>(parent)), initialCurrent(current), initialBoot(boot)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->currentCheckBox->setChecked(current);
    ui->bootCheckBox->setChecked(boot);
    updateOkButton();
}

WriteProtectDialog::~WriteProtectDialog()
{
    delete ui;
}

void WriteProtectDialog::updateOkButton()
{
    ui->buttonBox->button(QDialogButtonBox::Ok)
        ->setEnabled(ui->currentCheckBox->isChecked() != initialCurrent ||
                     ui->bootCheckBox->isChecked() != initialBoot);
}

void WriteProtectDialog::on_currentCheckBox_toggled(bool)
{
    updateOkButton();
}

void WriteProtectDialog::on_bootCheckBox_toggled(bool)
{
    updateOkButton();
}

void WriteProtectDialog::on_buttonBox_accepted()
{
    if (mainWindow)
        mainWindow->writeProtect(ui->currentCheckBox->isChecked(), ui->bootCheckBox->isChecked());
    accept();
}
