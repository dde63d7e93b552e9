#include "editdialog.h"

#include "blockitem.h"
#include "programwidget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <limits>

namespace {

// Relative to the compared magnitude: far below one step of the smallest unit
// (about 0.004 ns even at the 32-bit nanosecond limit), far above the error
// of one multiplication by a unit factor.
const double relativeTolerance = 1e-12;

double toleranceFor(double magnitude)
{
    return relativeTolerance * qMax(1.0, std::fabs(magnitude));
}

struct TimeSuffix {
    const char *text;
    int factor;
};

// "sec" last: it ends each of the others.
const TimeSuffix timeSuffixes[] = {{"msec", EditDialog::Millisecond},
                                   {"usec", EditDialog::Microsecond},
                                   {"nsec", EditDialog::Nanosecond},
                                   {"sec", EditDialog::Second}};

} // namespace

EditDialog::EditDialog(QWidget *parent) : QDialog(parent) {}

void EditDialog::toSec(QLineEdit *field, int *factor)
{
    convertUnit(field, factor, Second);
}

void EditDialog::toMsec(QLineEdit *field, int *factor)
{
    convertUnit(field, factor, Millisecond);
}

void EditDialog::toUsec(QLineEdit *field, int *factor)
{
    convertUnit(field, factor, Microsecond);
}

void EditDialog::toNsec(QLineEdit *field, int *factor)
{
    convertUnit(field, factor, Nanosecond);
}

void EditDialog::showTime(QLineEdit *field, QComboBox *units, int *factor, QString &value)
{
    loadTime(field, units, factor, value);
}

double EditDialog::roundValue(double x)
{
    return roundWhole(x);
}

QString EditDialog::formatNumber(double x)
{
    m_number = numberText(x);
    return m_number;
}

double EditDialog::readNumber(const QString &text, bool *ok)
{
    bool read = false;
    double value = text.toDouble(&read);
    if (!read || !std::isfinite(value)) {
        read = false;
        value = 0;
    }
    if (ok)
        *ok = read;
    return value;
}

QString EditDialog::numberText(double x)
{
    if (!std::isfinite(x) || !(x >= 1e-14))
        return QStringLiteral("0");
    const double e = std::log(x) / 2.302585092994046;
    if (e > 15)
        return QString::number(x, 'g', 6);
    // Eleven significant digits; from 1e11 on the whole number is written out
    // so that the text still reads back to the value.
    const int digits = qMax(0, 10 - int(std::floor(e)));
    QString text = QString::number(x, 'f', digits);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

double EditDialog::roundWhole(double x)
{
    const double r = x + 0.5;
    if (!(r >= 1)) // below one, and NaN
        return 0;
    if (r >= 18446744073709551616.0)
        return double(std::numeric_limits<quint64>::max());
    return double(quint64(r));
}

bool EditDialog::isAbove(double value, double limit)
{
    return value > limit + toleranceFor(limit);
}

bool EditDialog::isBelow(double value, double limit)
{
    return value < limit - toleranceFor(limit);
}

double EditDialog::snapToWhole(double value)
{
    if (!std::isfinite(value))
        return value;
    const double whole = std::round(value);
    return std::fabs(value - whole) <= toleranceFor(value) ? whole : value;
}

quint64 EditDialog::cutToWhole(double value)
{
    const double whole = std::trunc(snapToWhole(value));
    if (!(whole >= 0)) // negative, and NaN
        return 0;
    if (whole >= 18446744073709551616.0)
        return std::numeric_limits<quint64>::max();
    return quint64(whole);
}

quint32 EditDialog::cutToUInt32(double value)
{
    return quint32(qMin<quint64>(cutToWhole(value), std::numeric_limits<quint32>::max()));
}

qint32 EditDialog::cutToInt32(double value)
{
    const double whole = std::trunc(snapToWhole(value));
    if (std::isnan(whole))
        return 0;
    if (whole >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (whole <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return qint32(whole);
}

void EditDialog::convertUnit(QLineEdit *field, int *factor, int newFactor)
{
    const double value = readNumber(field->text());
    // In long double, so that no step of the conversion rounds the value
    // before the last one.
    long double moved = (long double)value * (long double)(*factor);
    if (newFactor != Nanosecond)
        moved /= (long double)newFactor;
    *factor = newFactor;
    field->setText(numberText(double(moved)));
}

double EditDialog::splitTime(QString &value, QString *unit, int *factor)
{
    for (const TimeSuffix &suffix : timeSuffixes) {
        const QString text = QLatin1String(suffix.text);
        if (value.lastIndexOf(text) < 1)
            continue;
        value.remove(text);
        *unit = text;
        if (factor)
            *factor = suffix.factor;
        return readNumber(value);
    }
    *unit = QStringLiteral("nsec");
    if (factor)
        *factor = Nanosecond;
    return readNumber(value);
}

void EditDialog::loadTime(QLineEdit *field, QComboBox *units, int *factor, QString &value)
{
    QString unit;
    field->setText(numberText(splitTime(value, &unit, factor)));
    units->setCurrentIndex(units->findText(unit, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

ProgramWidget *EditDialog::sheetOf(BlockItem *block)
{
    if (block) {
        if (QLabel *label = block->owner()) {
            if (auto *sheet = qobject_cast<ProgramWidget *>(label->parentWidget()))
                return sheet;
        }
    }
    return currentProgramWidget;
}
