// The check of the counter function dialog's values when OK is pressed, and
// the settings text it stores.

#include "editcntfncdialog.h"

#include "blockitem.h"
#include "cntfnctable.h"
#include "programwidget.h"
#include "pulseentry.h"
#include "ui_editcntfncdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

void EditCntFncDialog::okClicked()
{
    const int newMode = CntFnc::validMode(ui->modeComboBox->currentIndex());
    const QString invalid = tr("Invalid Setting");
    QString dispText;

    if (newMode == CntFnc::dividerMode) {
        for (QLineEdit *field : {ui->mainLineEdit, ui->subLineEdit}) {
            bool ok = false;
            const uint count = field->text().toUInt(&ok);
            const bool isMain = field == ui->mainLineEdit;
            const unsigned int least =
                isMain ? CntFnc::mainMinimum(newMode) : CntFnc::subMinimum(newMode);
            if (!ok || count < least) {
                warn(invalid,
                     tr("\"%1\" must be").arg(plainLabel(isMain ? ui->labelMain : ui->labelSub)) +
                         tr(" an integer number from %1 to ").arg(least) +
                         QString::number(quint64(PulseEntry::maxNs)));
                field->setText(QString::number(least));
                return;
            }
        }
    }

    const bool inFrequency = CntFnc::isOscillator(newMode) && ui->radioButtonFrequency->isChecked();
    bool frequencyRead = true;
    bool enteredMainRead = true;
    QString enteredMain;
    QString enteredFrequency;
    if (inFrequency) {
        const double frequency = readNumber(ui->subLineEdit->text(), &frequencyRead);
        if (frequencyRead && !(frequency > 0)) {
            warn(invalid, tr("Frequency must be larger than 0."));
            return;
        }
        const double main = readNumber(ui->mainLineEdit->text(), &enteredMainRead);
        if (enteredMainRead && !(main > 0)) {
            warn(invalid, tr("%1 must be larger than 0.").arg(entry->typeComboBox->currentText()));
            return;
        }
        if (entry->isDutyShown()) {
            if (main >= 100) {
                warn(invalid, tr("Duty must be less than 100%."));
                return;
            }
            dispText = entry->dutyText;
        }
        dispText += entry->freqUnitComboBox->currentText();
        enteredMain = ui->mainLineEdit->text();
        enteredFrequency = ui->subLineEdit->text();
        on_radioButtonPulseWidth_clicked();
    }
    // Read after the frequency became widths: that may have changed the units.
    const double mainFactor = newMode == CntFnc::dividerMode ? 1 : entry->mainUnitNs;
    const double subFactor = newMode == CntFnc::dividerMode ? 1 : entry->subUnitNs;
    auto backToFrequency = [this, inFrequency]() {
        if (inFrequency)
            on_radioButtonFrequency_clicked();
    };

    bool mainRead = false;
    bool subRead = false;
    const double m = readNumber(ui->mainLineEdit->text(), &mainRead);
    const double s = readNumber(ui->subLineEdit->text(), &subRead);
    const unsigned int mainMin = CntFnc::mainMinimum(newMode);
    const unsigned int subMin = CntFnc::subMinimum(newMode);
    const bool mainLow = isBelow(m * mainFactor, mainMin);
    const bool mainHigh = isAbove(m * mainFactor, PulseEntry::maxNs);
    const bool subLow = isBelow(s * subFactor, subMin);
    const bool subHigh = isAbove(s * subFactor, PulseEntry::maxNs);
    auto correctMain = [&]() {
        if (mainLow)
            ui->mainLineEdit->setText(formatNumber(mainMin / mainFactor));
        else if (mainHigh)
            ui->mainLineEdit->setText(formatNumber(PulseEntry::maxNs / mainFactor));
    };
    const QString range = tr("\"%1\" must be %2ns - 4.29sec");
    if (!subRead || !frequencyRead || subLow || subHigh) {
        warn(QString(), range.arg(plainLabel(ui->labelSub)).arg(subMin));
        if (subLow)
            ui->subLineEdit->setText(formatNumber(subMin / subFactor));
        else if (subHigh)
            ui->subLineEdit->setText(formatNumber(PulseEntry::maxNs / subFactor));
        correctMain();
        backToFrequency();
        return;
    }
    if (!mainRead || !enteredMainRead || mainLow || mainHigh) {
        warn(QString(), range.arg(plainLabel(ui->labelMain)).arg(mainMin));
        correctMain();
        backToFrequency();
        return;
    }

    // Whole nanoseconds: a value a hair below a whole number through binary
    // fractions is that number, anything else loses its fraction.
    const double cutMain = double(cutToWhole(m * mainFactor)) / mainFactor;
    const double cutSub = double(cutToWhole(s * subFactor)) / subFactor;
    const bool mainCut = formatNumber(m) != formatNumber(cutMain);
    const bool subCut = formatNumber(s) != formatNumber(cutSub);
    bool changed = mainCut || subCut;
    QString before;
    QString after;
    if (inFrequency) {
        ui->mainLineEdit->setText(formatNumber(cutMain));
        ui->subLineEdit->setText(formatNumber(cutSub));
        on_radioButtonFrequency_clicked();
        const QString shownMain = ui->mainLineEdit->text();
        const QString shownFrequency = ui->subLineEdit->text();
        const bool frequencyMoved = readNumber(shownFrequency) != readNumber(enteredFrequency);
        changed = frequencyMoved || readNumber(shownMain) != readNumber(enteredMain);
        // Widths that stayed whole can still give a frequency or duty that
        // differs from the one entered: then that is what the notice names.
        if (frequencyMoved) {
            before = enteredFrequency;
            after = shownFrequency;
        } else {
            before = enteredMain;
            after = shownMain;
        }
        on_radioButtonPulseWidth_clicked();
    }

    if (changed) {
        QString notice = tr("Because it is necessary to set Counter by a unit for %1ns,\n").arg(1);
        const QString rounded = tr(" is rounded off and becomes ");
        if (mainCut) {
            notice += formatNumber(m) + rounded + formatNumber(cutMain);
            if (subCut)
                notice += tr(",\nand ") + formatNumber(s) + rounded + formatNumber(cutSub);
        } else if (subCut) {
            notice += formatNumber(s) + rounded + formatNumber(cutSub);
        } else {
            notice += before + rounded + after;
        }
        warn(invalid, notice);
        ui->mainLineEdit->setText(formatNumber(cutMain));
        ui->subLineEdit->setText(formatNumber(cutSub));
        backToFrequency();
        return;
    }

    const QString old = item->params();
    QString mainText = formatNumber(m);
    QString subText = formatNumber(s);
    if (newMode != CntFnc::dividerMode) {
        mainText += ui->mainComboBox->currentText();
        subText += ui->subComboBox->currentText();
    }
    QString text =
        QStringLiteral("Mode=%1 MainCnt=%2 SubCnt=%3").arg(newMode).arg(mainText, subText);
    if (!dispText.isEmpty())
        text += QStringLiteral(" Disp=") + dispText;
    item->params() = text;
    if (text != old) {
        if (ProgramWidget *sheet = sheetOf(item))
            sheet->updateItemView(item, QString());
    }
    accept();
}
