#ifndef EDITDIALOG_H
#define EDITDIALOG_H

#include <QDialog>
#include <QString>
#include <QtGlobal>

class BlockItem;
class ProgramWidget;
class QComboBox;
class QLineEdit;

// Base of the block settings dialogs: the time units of their fields and the
// one rule by which every number they show or store becomes text.
//
// A unit factor is the number of nanoseconds in the unit a field's text is in
// (frequencies use millihertz per unit the same way). The static forms serve
// dialogs that do not derive from this class.
class EditDialog : public QDialog
{
public:
    enum UnitFactor : int {
        Nanosecond = 1,
        Microsecond = 1000,
        Millisecond = 1000000,
        Second = 1000000000
    };

    explicit EditDialog(QWidget *parent = nullptr);

    // Re-express the field's number in another unit and set its factor.
    virtual void toSec(QLineEdit *field, int *factor);
    virtual void toMsec(QLineEdit *field, int *factor);
    virtual void toUsec(QLineEdit *field, int *factor);
    virtual void toNsec(QLineEdit *field, int *factor);
    // Fills a field and its unit list ("sec", "msec", "usec", "nsec") from a
    // stored time text; the unit suffix is removed from `value`.
    virtual void showTime(QLineEdit *field, QComboBox *units, int *factor, QString &value);
    // Nearest whole number, halves upward.
    virtual double roundValue(double x);
    virtual QString formatNumber(double x);

    // ---- Number rules shared by every settings dialog ----
    // The text as a number in the C locale. NaN and infinities are no
    // numbers: they give 0 and *ok false.
    static double readNumber(const QString &text, bool *ok = nullptr);
    // At most 11 significant digits, no trailing zeros; "0" below 1e-14 and
    // for anything not finite; exponent form above 1e15.
    static QString numberText(double x);
    // x + 0.5 cut toward zero; 0 for what has no unsigned 64-bit value below
    // and the largest one above.
    static double roundWhole(double x);
    // Limits are compared with a tolerance far below any unit step, so that a
    // value typed exactly at a limit in another unit passes.
    static bool isAbove(double value, double limit);
    static bool isBelow(double value, double limit);
    // A value within the tolerance of a whole number becomes that number, so
    // that 1.001 usec cut to nanoseconds stays 1001.
    static double snapToWhole(double value);
    // Snapped, then the fraction dropped; saturated to the unsigned range.
    static quint64 cutToWhole(double value);
    static quint32 cutToUInt32(double value);
    static qint32 cutToInt32(double value);
    // The field's number moved from its unit to the new one.
    static void convertUnit(QLineEdit *field, int *factor, int newFactor);
    // showTime as a free rule: the field's text, factor and unit list.
    static void loadTime(QLineEdit *field, QComboBox *units, int *factor, QString &value);
    // A stored time text read by that rule: its number, and its unit ("nsec"
    // for a bare number); `value` loses its unit suffix, and *factor, when
    // given, takes the unit's factor.
    static double splitTime(QString &value, QString *unit, int *factor = nullptr);

protected:
    // The sheet that shows the block: its label's canvas, else the sheet
    // constructed last.
    static ProgramWidget *sheetOf(BlockItem *block);

private:
    QString m_number;
};

#endif // EDITDIALOG_H
