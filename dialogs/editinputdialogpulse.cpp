// The oscillator group of the channel dialog: the pulse of the "IN-USER"
// input as two widths or as a frequency with a true width or a duty, and the
// checks of that entry when OK is pressed.

#include "editinputdialog.h"

#include "blockitem.h"
#include "editdialog.h"
#include "modalhooks.h"
#include "pulseentry.h"
#include "ui_editinputdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

// Two width texts with their units are the same when the unit is and the
// numbers read the same: "1.690sec" is what "1.69sec" shows.
bool sameWidth(QString a, QString b)
{
    if (a.isEmpty() || b.isEmpty())
        return a == b;
    QString aUnit;
    QString bUnit;
    const double aValue = EditDialog::splitTime(a, &aUnit);
    const double bValue = EditDialog::splitTime(b, &bUnit);
    return aUnit == bUnit && EditDialog::numberText(aValue) == EditDialog::numberText(bValue);
}

} // namespace

void EditInputDialog::loadPulseSettings(BlockItem *source)
{
    // Width entry, with nothing kept from an earlier entry.
    ui->pulseWidth->setChecked(true);
    entry->savedMainText.clear();
    entry->savedSubText.clear();
    entry->savedFreqText.clear();
    entry->savedDuty = -1;
    entry->savedFrequency = -1;
    entry->freqUnitFactor = 1;
    {
        const QSignalBlocker typeBlocker(entry->typeComboBox);
        const QSignalBlocker unitBlocker(entry->freqUnitComboBox);
        entry->typeComboBox->setCurrentIndex(0);
        entry->freqUnitComboBox->setCurrentIndex(0);
    }
    mainCnt.clear();
    subCnt.clear();
    storedDisp.clear();
    if (source) {
        source->mainCnt(mainCnt);
        source->subCnt(subCnt);
        source->disp(storedDisp);
    }
    disp = storedDisp;
    // Without an oscillator the fields start at "0" and "1" in nanoseconds.
    QString main = source ? mainCnt : QStringLiteral("0nsec");
    QString sub = source ? subCnt : QStringLiteral("1nsec");
    EditDialog::loadTime(ui->mainLineEdit, ui->mainComboBox, &entry->mainUnitNs, main);
    EditDialog::loadTime(ui->subLineEdit, ui->subComboBox, &entry->subUnitNs, sub);
    if (storedDisp.isEmpty())
        return;
    ui->frequency->setChecked(true);
    entry->chooseDisplay(storedDisp);
}

void EditInputDialog::on_frequency_toggled(bool checked)
{
    if (checked)
        entry->enterFrequency();
    else
        entry->leaveFrequency();
}

void EditInputDialog::on_mainComboBox_currentIndexChanged(const QString &text)
{
    entry->changeMainUnit(text);
}

void EditInputDialog::on_subComboBox_currentIndexChanged(const QString &text)
{
    entry->changeSubUnit(text);
}

void EditInputDialog::changeType(const QString &text)
{
    entry->changeType(text);
}

void EditInputDialog::showFrequency(QString &text)
{
    entry->showFrequency(text);
}

void EditInputDialog::warnSetting(const QString &text)
{
    ModalHooks::warning(this, tr("Invalid Setting"), text);
}

bool EditInputDialog::checkPulseSettings()
{
    pulseChanged = false;
    const bool wasFrequency = ui->frequency->isChecked();
    QString newDisp;
    auto backToFrequency = [this, wasFrequency]() {
        if (wasFrequency)
            entry->enterFrequency();
    };

    if (wasFrequency) {
        bool ok = false;
        const double f = EditDialog::readNumber(ui->subLineEdit->text(), &ok);
        if (!ok || f <= 0) {
            warnSetting(tr("Frequency must be larger than 0."));
            return false;
        }
        const double m = EditDialog::readNumber(ui->mainLineEdit->text(), &ok);
        if (!ok || m <= 0) {
            warnSetting(tr("%1 must be larger than 0.")
                            .arg(entry->typeComboBox->currentText().remove(QLatin1Char('&'))));
            return false;
        }
        if (entry->isDutyShown()) {
            if (m >= 100) {
                warnSetting(tr("Duty must be less than 100%."));
                return false;
            }
            newDisp = entry->dutyText;
        }
        newDisp += entry->freqUnitComboBox->currentText();
        entry->leaveFrequency();
    }

    const int mainUnit = entry->mainUnitNs;
    const int subUnit = entry->subUnitNs;
    // A frequency with a true width or a duty above 0 must leave a true width
    // of at least one nanosecond; a width entered as such may be 0.
    const double mainMinNs = wasFrequency ? 1 : 0;
    const double mainMin = mainMinNs / mainUnit;
    const double subMin = 1.0 / subUnit;
    auto rangeMessage = [this](const QLabel *label, double least) {
        return tr("\"%1\" must be").arg(label->text().remove(QLatin1Char('&'))) +
               tr(" an integer number from %1 to ").arg(QString::number(least)) +
               QStringLiteral("4294967295");
    };

    bool ok = false;
    const double mainNs = EditDialog::readNumber(ui->mainLineEdit->text(), &ok) * mainUnit;
    if (!ok || EditDialog::isBelow(mainNs, mainMinNs) ||
        EditDialog::isAbove(mainNs, PulseEntry::maxNs)) {
        warnSetting(rangeMessage(ui->labelMain, mainMin));
        ui->mainLineEdit->setText(QString::number(mainMin, 'g', 6));
        backToFrequency();
        return false;
    }
    // The false width is at least one nanosecond, compared in nanoseconds
    // whatever unit the field shows.
    const double subNs = EditDialog::readNumber(ui->subLineEdit->text(), &ok) * subUnit;
    if (!ok || EditDialog::isBelow(subNs, 1) || EditDialog::isAbove(subNs, PulseEntry::maxNs)) {
        warnSetting(rangeMessage(ui->labelSub, subMin));
        ui->subLineEdit->setText(QString::number(subMin, 'g', 6));
        backToFrequency();
        return false;
    }

    const double mainWhole = double(EditDialog::cutToWhole(mainNs));
    const double subWhole = double(EditDialog::cutToWhole(subNs));
    const bool mainCut = EditDialog::numberText(mainWhole) != EditDialog::numberText(mainNs);
    const bool subCut = EditDialog::numberText(subWhole) != EditDialog::numberText(subNs);
    if (mainCut || subCut) {
        QString notice = tr("Because it is necessary to set Counter by a unit for %1ns,\n").arg(1);
        const QString rounded = tr(" is rounded off and becomes ");
        if (!mainCut) {
            notice += EditDialog::numberText(subNs) + rounded + EditDialog::numberText(subWhole);
        } else {
            notice += EditDialog::numberText(mainNs) + rounded + EditDialog::numberText(mainWhole);
            if (subCut)
                notice += tr(",\nand ") + EditDialog::numberText(subNs) + rounded +
                          EditDialog::numberText(subWhole);
        }
        warnSetting(notice);
        ui->mainLineEdit->setText(EditDialog::numberText(mainWhole / mainUnit));
        ui->subLineEdit->setText(EditDialog::numberText(subWhole / subUnit));
        backToFrequency();
        return false;
    }

    // Trimmed: a blank inside the settings text would end the value early.
    mainText = ui->mainLineEdit->text().trimmed() + ui->mainComboBox->currentText();
    subText = ui->subLineEdit->text().trimmed() + ui->subComboBox->currentText();
    // Only now, with every check passed, is the choice taken: a refused OK
    // keeps nothing of it. Widths as stored, read the same, are no change.
    disp = newDisp;
    pulseChanged =
        disp != storedDisp || !sameWidth(mainText, mainCnt) || !sameWidth(subText, subCnt);
    return true;
}
