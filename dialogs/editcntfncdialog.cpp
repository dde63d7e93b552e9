#include "editcntfncdialog.h"

#include "blockitem.h"
#include "blockmode.h"
#include "cntfnctable.h"
#include "modalhooks.h"
#include "pulseentry.h"
#include "ui_editcntfncdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

EditCntFncDialog::EditCntFncDialog(BlockItem *item, QWidget *parent)
    : EditDialog(parent), ui(new Ui_EditCntFncDialog), item(item)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(item->displayName());
    entry.reset(
        new PulseEntry(this, {ui->gridLayout, 1, ui->labelMain, ui->mainLineEdit, ui->mainComboBox,
                              ui->labelSub, ui->subLineEdit, ui->subComboBox}));

    connect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(okClicked()));
    connect(ui->modeComboBox, SIGNAL(currentIndexChanged(int)), this, SLOT(changeMode(int)));
    connect(ui->mainComboBox, SIGNAL(currentIndexChanged(QString)), this,
            SLOT(changeMainUnit(QString)));
    connect(ui->subComboBox, SIGNAL(currentIndexChanged(QString)), this,
            SLOT(changeSubUnit(QString)));
    connect(entry->freqUnitComboBox, SIGNAL(currentIndexChanged(QString)), this,
            SLOT(changeSubUnit(QString)));
    connect(entry->typeComboBox, SIGNAL(currentIndexChanged(QString)), this,
            SLOT(changeType(QString)));

    mode = BlockMode::counterMode(item);
    {
        const QSignalBlocker blocker(ui->modeComboBox);
        ui->modeComboBox->setCurrentIndex(mode);
    }
    changeMode(mode);

    QString mainText;
    QString subText;
    item->mainCnt(mainText);
    item->subCnt(subText);
    entry->freqUnitFactor = 1;
    entry->savedDuty = -1;
    entry->savedFrequency = -1;
    if (mainText.isEmpty())
        mainText = QStringLiteral("%1nsec").arg(CntFnc::mainMinimum(mode));
    if (subText.isEmpty())
        subText = QStringLiteral("%1nsec").arg(CntFnc::subMinimum(mode));
    showTime(ui->mainLineEdit, ui->mainComboBox, &entry->mainUnitNs, mainText);
    showTime(ui->subLineEdit, ui->subComboBox, &entry->subUnitNs, subText);

    QString disp;
    item->disp(disp);
    if (CntFnc::isOscillator(mode) && !disp.isEmpty()) {
        ui->radioButtonFrequency->setChecked(true);
        on_radioButtonFrequency_clicked();
        entry->chooseDisplay(disp);
    }
}

EditCntFncDialog::~EditCntFncDialog()
{
    delete ui;
}

void EditCntFncDialog::warn(const QString &title, const QString &text)
{
    ModalHooks::warning(this, title, text);
}

QString EditCntFncDialog::plainLabel(const QLabel *label)
{
    return label->text().remove(QLatin1Char('&'));
}

void EditCntFncDialog::changeMode(int newMode)
{
    newMode = CntFnc::validMode(newMode);
    const int old = mode;
    const bool oldInFrequency = CntFnc::isOscillator(old) && ui->radioButtonFrequency->isChecked();

    if (CntFnc::mainMinimum(newMode) != CntFnc::mainMinimum(old) ||
        CntFnc::subMinimum(newMode) != CntFnc::subMinimum(old)) {
        if (oldInFrequency)
            on_radioButtonPulseWidth_clicked();
        const double subNs = readNumber(ui->subLineEdit->text()) * entry->subUnitNs;
        if (isBelow(subNs, CntFnc::subMinimum(newMode))) {
            QString text = QStringLiteral("%1nsec").arg(CntFnc::subMinimum(newMode));
            showTime(ui->subLineEdit, ui->subComboBox, &entry->subUnitNs, text);
        }
        const double mainNs = readNumber(ui->mainLineEdit->text()) * entry->mainUnitNs;
        if (isBelow(mainNs, CntFnc::mainMinimum(newMode))) {
            QString text = QStringLiteral("%1nsec").arg(CntFnc::mainMinimum(newMode));
            showTime(ui->mainLineEdit, ui->mainComboBox, &entry->mainUnitNs, text);
        }
        if (oldInFrequency)
            on_radioButtonFrequency_clicked();
    }

    if (old == CntFnc::dividerMode) {
        ui->mainComboBox->show();
        ui->subComboBox->show();
        // Counts are whole numbers that may exceed 32 bits signed.
        ui->mainLineEdit->setText(
            formatNumber(double(ui->mainLineEdit->text().toLongLong()) / entry->mainUnitNs));
        ui->subLineEdit->setText(
            formatNumber(readNumber(ui->subLineEdit->text()) / entry->subUnitNs));
    }

    if (CntFnc::isOscillator(newMode)) {
        ui->radioButtonPulseWidth->show();
        ui->radioButtonFrequency->show();
        on_radioButtonFrequency_clicked();
        if (ui->radioButtonPulseWidth->isChecked())
            on_radioButtonPulseWidth_clicked();
    } else {
        if (oldInFrequency)
            on_radioButtonPulseWidth_clicked();
        ui->labelMain->setText(CntFnc::mainLabel(newMode));
        ui->labelSub->setText(CntFnc::subLabel(newMode));
        entry->swapInGrid(entry->percentLabel, ui->mainComboBox, 1, 2);
        ui->radioButtonPulseWidth->hide();
        ui->radioButtonFrequency->hide();
        if (newMode == CntFnc::dividerMode) {
            // Saturated: a time beyond the counter's range becomes its largest count.
            ui->mainLineEdit->setText(QString::number(
                cutToUInt32(readNumber(ui->mainLineEdit->text()) * entry->mainUnitNs)));
            ui->subLineEdit->setText(QString::number(
                cutToUInt32(readNumber(ui->subLineEdit->text()) * entry->subUnitNs)));
            ui->mainComboBox->hide();
            ui->subComboBox->hide();
        }
    }
    mode = newMode;
}

void EditCntFncDialog::changeMainUnit(const QString &text)
{
    entry->changeMainUnit(text);
}

void EditCntFncDialog::changeSubUnit(const QString &text)
{
    entry->changeSubUnit(text);
}

void EditCntFncDialog::changeType(const QString &text)
{
    entry->changeType(text);
}

void EditCntFncDialog::on_radioButtonFrequency_clicked()
{
    entry->enterFrequency();
}

void EditCntFncDialog::on_radioButtonPulseWidth_clicked()
{
    entry->leaveFrequency();
}
