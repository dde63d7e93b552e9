#include "editdlyfncdialog.h"

#include "blockitem.h"
#include "modalhooks.h"
#include "programwidget.h"
#include "ui_editdlyfncdialog.h"

EditDlyFncDialog::EditDlyFncDialog(BlockItem *block, QWidget *parent)
    : EditDialog(parent), ui(new Ui_EditDlyFncDialog), item(block)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    disconnect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(okClicked()));
    connect(ui->buttonBox, SIGNAL(rejected()), this, SLOT(close()));
    connect(ui->unitComboBox, SIGNAL(currentIndexChanged(QString)), this,
            SLOT(changeUnit(QString)));
    if (!block)
        return;
    setWindowTitle(QStringLiteral("%1").arg(block->displayName()));

    const QString &params = block->params();
    QString value;
    if (params.startsWith(QLatin1String("Delay=")))
        value = params.mid(params.indexOf(QLatin1Char('=')) + 1);
    if (value.lastIndexOf(QLatin1String("us")) >= 1) {
        value.remove(QLatin1String("us"));
        ui->delayEdit->setText(value);
        unitFactor = Microsecond;
        ui->unitComboBox->setCurrentIndex(ui->unitComboBox->findText(QStringLiteral("us")));
        return;
    }
    if (value.lastIndexOf(QLatin1String("ns")) >= 1) {
        value.remove(QLatin1String("ns"));
        ui->delayEdit->setText(value);
    } else {
        ui->delayEdit->setText(formatNumber(value.toInt()));
    }
    unitFactor = Nanosecond;
    // Leaving "us" reformats the field in nanoseconds.
    ui->unitComboBox->setCurrentIndex(ui->unitComboBox->findText(QStringLiteral("ns")));
}

EditDlyFncDialog::~EditDlyFncDialog()
{
    delete ui;
}

void EditDlyFncDialog::changeUnit(const QString &unit)
{
    if (unit == QLatin1String("us"))
        toUsec(ui->delayEdit, &unitFactor);
    else if (unit == QLatin1String("ns"))
        toNsec(ui->delayEdit, &unitFactor);
}

void EditDlyFncDialog::okClicked()
{
    if (!item)
        return;
    const QString typed = ui->delayEdit->text();
    bool ok = false;
    const double value = readNumber(typed, &ok);
    const double ns = value * unitFactor;
    if (!ok || value < 0 || isAbove(ns, maxDelayNs)) {
        ModalHooks::warning(this, tr("Invalid Setting"),
                            tr("Please set a delay time between 0 and 32.767us (step: 1ns)"));
        if (value < 0)
            ui->delayEdit->setText(QStringLiteral("0"));
        else if (ok)
            ui->delayEdit->setText(formatNumber(double(maxDelayNs) / unitFactor));
        return;
    }
    const double rounded = roundValue(ns) / unitFactor;
    if (value != 0 && formatNumber(rounded) != formatNumber(value)) {
        ModalHooks::warning(
            this, tr("Invalid Setting"),
            tr("Because it is necessary to set Delay time by a unit for %1ns,\n").arg(1) +
                tr(" \"%1\" is rounded off and becomes \"%2\"")
                    .arg(typed, QString::number(rounded, 'g', 6)));
        ui->delayEdit->setText(formatNumber(rounded));
        return;
    }
    QString &params = item->params();
    const QString old = params;
    params = QStringLiteral("Delay=%1").arg(formatNumber(value) + ui->unitComboBox->currentText());
    if (params != old) {
        if (ProgramWidget *sheet = sheetOf(item))
            sheet->updateItemView(nullptr, QString());
    }
    close();
}
