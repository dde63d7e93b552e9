#ifndef PULSEENTRY_H
#define PULSEENTRY_H

#include <QString>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

// A pulse given either as a true and a false width, each with its time unit,
// or as a frequency (Hz, KHz, MHz) with the true width or the duty in percent.
// The counter function dialog and the channel dialog's oscillator share it:
// both fields, their unit lists and labels sit in one grid, the main row
// above the sub row. The kept exact values stop repeated switching from
// drifting: a recomputed value is replaced by the kept one when both read the
// same.
class PulseEntry
{
public:
    // The largest width, and count: the counter units hold 32 bits.
    static constexpr double maxNs = 4294967295.0;

    struct Widgets {
        QGridLayout *grid;
        int mainRow;
        QLabel *labelMain;
        QLineEdit *mainLineEdit;
        QComboBox *mainComboBox;
        QLabel *labelSub;
        QLineEdit *subLineEdit;
        QComboBox *subComboBox;
    };

    // The stand-ins of frequency entry become hidden children of the dialog.
    PulseEntry(QWidget *dialog, const Widgets &widgets);

    // Widths to frequency, and back; each does nothing in its own state.
    void enterFrequency();
    void leaveFrequency();
    // In frequency entry: the width type and frequency unit that a stored
    // display preference names ("DutyKHz", "MHz" and the like).
    void chooseDisplay(const QString &disp);
    // The choice of the width type list: "True Width" or "Duty".
    void changeType(const QString &text);
    // A frequency text with its unit suffix (taken off the text) into the
    // frequency field, its unit list and factor.
    void showFrequency(QString &text);
    // A unit chosen for one of the fields: re-expresses its number.
    void changeMainUnit(const QString &text);
    void changeSubUnit(const QString &text);

    bool isDutyShown() const;
    // The frequency field in hertz, the kept frequency where both read the same.
    double frequencyHz() const;
    // The period the frequency field gives, in nanoseconds (0 without one).
    double period() const;
    // Takes `out` from the grid (hidden) and puts `in` at the cell (shown).
    void swapInGrid(QWidget *out, QWidget *in, int row, int column);

    QComboBox *typeComboBox;
    QComboBox *freqUnitComboBox;
    QLabel *percentLabel;
    const QString trueWidthText;
    const QString dutyText;

    QString savedMainText;
    QString savedSubText;
    QString savedFreqText;
    bool frequencyEntry = false;
    double savedDuty = -1;
    double savedFrequency = -1;
    int mainUnitNs = 1;
    int subUnitNs = 1;
    int freqUnitFactor = 1;

private:
    Widgets w;
};

#endif // PULSEENTRY_H
