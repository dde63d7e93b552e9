#include "pulseentry.h"

#include "editdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

const double nsPerSecond = 1e9;

// Nanoseconds, or millihertz, per unit; 0 for a text that is no unit of the kind.
int unitFactor(const QString &unit, bool frequency)
{
    static const struct {
        const char *time;
        const char *frequency;
        int factor;
    } units[] = {{"sec", "MHz", EditDialog::Second},
                 {"msec", "KHz", EditDialog::Millisecond},
                 {"usec", "Hz", EditDialog::Microsecond},
                 {"nsec", nullptr, EditDialog::Nanosecond}};
    for (const auto &u : units) {
        const char *name = frequency ? u.frequency : u.time;
        if (name && unit == QLatin1String(name))
            return u.factor;
    }
    return 0;
}

QString text(const char *source)
{
    return QCoreApplication::translate("PulseEntry", source);
}

} // namespace

PulseEntry::PulseEntry(QWidget *dialog, const Widgets &widgets)
    : trueWidthText(QStringLiteral("True Width")), dutyText(QStringLiteral("Duty")), w(widgets)
{
    percentLabel = new QLabel(QStringLiteral("%"), dialog);
    percentLabel->hide();
    typeComboBox = new QComboBox(dialog);
    typeComboBox->addItems({trueWidthText, dutyText});
    typeComboBox->hide();
    freqUnitComboBox = new QComboBox(dialog);
    freqUnitComboBox->addItems(
        {QStringLiteral("Hz"), QStringLiteral("KHz"), QStringLiteral("MHz")});
    freqUnitComboBox->hide();
}

bool PulseEntry::isDutyShown() const
{
    return typeComboBox->currentText() == dutyText;
}

void PulseEntry::swapInGrid(QWidget *out, QWidget *in, int row, int column)
{
    if (w.grid->indexOf(out) >= 0) {
        w.grid->removeWidget(out);
        out->hide();
    }
    if (w.grid->indexOf(in) < 0)
        w.grid->addWidget(in, row, column);
    in->show();
}

double PulseEntry::frequencyHz() const
{
    double hz = EditDialog::readNumber(w.subLineEdit->text()) * freqUnitFactor / 1000.0;
    if (savedFrequency > 0 && EditDialog::numberText(hz) == EditDialog::numberText(savedFrequency))
        hz = savedFrequency;
    return hz;
}

double PulseEntry::period() const
{
    if (EditDialog::readNumber(w.subLineEdit->text()) == 0)
        return 0;
    const double hz = frequencyHz();
    return hz > 0 ? nsPerSecond / hz : 0;
}

void PulseEntry::enterFrequency()
{
    if (frequencyEntry)
        return;
    frequencyEntry = true;
    const double trueNs = EditDialog::readNumber(w.mainLineEdit->text()) * mainUnitNs;
    savedMainText = w.mainLineEdit->text() + w.mainComboBox->currentText();
    const double sub = EditDialog::readNumber(w.subLineEdit->text());
    savedSubText = w.subLineEdit->text() + w.subComboBox->currentText();
    w.labelSub->setText(text("&Frequency"));
    swapInGrid(w.subComboBox, freqUnitComboBox, w.mainRow + 1, 2);

    double cycle = trueNs;
    double duty = 100;
    if (sub > 0) {
        cycle = trueNs + sub * subUnitNs;
        duty = trueNs / cycle * 100;
    }
    const double hz = cycle > 0 ? nsPerSecond / cycle : 0;
    savedFrequency = cycle > 0 ? hz : -1;
    if (savedFreqText.isEmpty()) {
        freqUnitFactor = 1000;
        QString shown = EditDialog::numberText(hz) + QStringLiteral("Hz");
        showFrequency(shown);
    } else {
        // A copy: the kept text keeps its unit for the next time.
        QString kept = savedFreqText;
        showFrequency(kept);
        const QString shown = EditDialog::numberText(hz * 1000 / freqUnitFactor);
        if (shown != w.subLineEdit->text())
            w.subLineEdit->setText(shown);
    }
    swapInGrid(w.labelMain, typeComboBox, w.mainRow, 0);

    if (isDutyShown()) {
        swapInGrid(w.mainComboBox, percentLabel, w.mainRow, 2);
        if (EditDialog::numberText(savedDuty) == EditDialog::numberText(duty))
            duty = savedDuty;
        else
            savedDuty = duty;
        w.mainLineEdit->setText(EditDialog::numberText(duty));
    }
}

void PulseEntry::leaveFrequency()
{
    if (!frequencyEntry)
        return;
    frequencyEntry = false;
    const bool isDuty = isDutyShown();

    double cycle = 0;
    if (EditDialog::readNumber(w.subLineEdit->text()) != 0) {
        savedFreqText = w.subLineEdit->text() + freqUnitComboBox->currentText();
        cycle = double(EditDialog::cutToWhole(period()));
    }

    double trueNs;
    if (isDuty) {
        double d = EditDialog::readNumber(w.mainLineEdit->text());
        if (savedDuty > 0 && EditDialog::numberText(savedDuty) == w.mainLineEdit->text())
            d = savedDuty;
        swapInGrid(percentLabel, w.mainComboBox, w.mainRow, 2);
        if (d == 0) {
            trueNs = 0;
        } else {
            savedDuty = d;
            trueNs = double(EditDialog::cutToWhole(cycle * d / 100));
        }
    } else {
        trueNs = EditDialog::readNumber(w.mainLineEdit->text()) * mainUnitNs;
    }
    const double falseNs = trueNs <= cycle ? cycle - trueNs : cycle;

    w.labelMain->setText(text("&True Width"));
    w.labelSub->setText(text("&False Width"));
    swapInGrid(freqUnitComboBox, w.subComboBox, w.mainRow + 1, 2);

    // The widths come back in the units they had, and as typed where the
    // recomputed value reads the same.
    if (isDuty) {
        QString kept = savedMainText;
        EditDialog::loadTime(w.mainLineEdit, w.mainComboBox, &mainUnitNs, kept);
        if (EditDialog::numberText(EditDialog::roundWhole(trueNs) / mainUnitNs) !=
            w.mainLineEdit->text())
            w.mainLineEdit->setText(EditDialog::numberText(trueNs / mainUnitNs));
    }
    QString kept = savedSubText;
    EditDialog::loadTime(w.subLineEdit, w.subComboBox, &subUnitNs, kept);
    if (EditDialog::numberText(EditDialog::roundWhole(falseNs) / subUnitNs) !=
        w.subLineEdit->text())
        w.subLineEdit->setText(EditDialog::numberText(falseNs / subUnitNs));
    swapInGrid(typeComboBox, w.labelMain, w.mainRow, 0);
}

void PulseEntry::chooseDisplay(const QString &disp)
{
    if (disp.contains(dutyText))
        typeComboBox->setCurrentIndex(typeComboBox->findText(dutyText));
    // "KHz" and "MHz" end in "Hz": they are looked for first.
    for (const char *unit : {"MHz", "KHz", "Hz"}) {
        if (disp.contains(QLatin1String(unit))) {
            freqUnitComboBox->setCurrentIndex(freqUnitComboBox->findText(QLatin1String(unit)));
            return;
        }
    }
}

void PulseEntry::changeType(const QString &choice)
{
    const double m = EditDialog::readNumber(w.mainLineEdit->text());
    const double cycle = period();
    if (choice != dutyText) {
        swapInGrid(percentLabel, w.mainComboBox, w.mainRow, 2);
        if (cycle != 0 && m != 0) {
            QString kept = savedMainText;
            EditDialog::loadTime(w.mainLineEdit, w.mainComboBox, &mainUnitNs, kept);
            const double width = cycle * m / 100 / mainUnitNs;
            if (width != EditDialog::readNumber(w.mainLineEdit->text()))
                w.mainLineEdit->setText(EditDialog::numberText(width));
        }
        return;
    }
    double duty = 0;
    if (cycle != 0 && m * mainUnitNs != 0) {
        duty = m * mainUnitNs / cycle * 100;
        savedDuty = duty;
    }
    swapInGrid(w.mainComboBox, percentLabel, w.mainRow, 2);
    w.mainLineEdit->setText(EditDialog::numberText(duty));
}

void PulseEntry::showFrequency(QString &frequency)
{
    static const struct {
        const char *unit;
        int factor;
    } units[] = {{"KHz", 1000000}, {"MHz", 1000000000}, {"Hz", 1000}};

    // The factor is set here; the list must not convert the field again.
    const QSignalBlocker blocker(freqUnitComboBox);
    for (const auto &unit : units) {
        const QString word = QLatin1String(unit.unit);
        if (frequency.lastIndexOf(word) >= 1) {
            frequency.remove(word);
            w.subLineEdit->setText(EditDialog::numberText(EditDialog::readNumber(frequency)));
            freqUnitFactor = unit.factor;
            freqUnitComboBox->setCurrentIndex(freqUnitComboBox->findText(word));
            return;
        }
    }
    // A bare number counts millihertz, a unit the list does not offer.
    w.subLineEdit->setText(EditDialog::numberText(double(frequency.toLongLong())));
    freqUnitFactor = 1;
    freqUnitComboBox->setCurrentIndex(-1);
}

void PulseEntry::changeMainUnit(const QString &unit)
{
    if (const int factor = unitFactor(unit, false))
        EditDialog::convertUnit(w.mainLineEdit, &mainUnitNs, factor);
}

void PulseEntry::changeSubUnit(const QString &unit)
{
    // While the sub field holds a frequency its factors count millihertz.
    if (const int factor = unitFactor(unit, frequencyEntry))
        EditDialog::convertUnit(w.subLineEdit, frequencyEntry ? &freqUnitFactor : &subUnitNs,
                                factor);
}
