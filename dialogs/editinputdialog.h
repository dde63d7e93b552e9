#ifndef EDITINPUTDIALOG_H
#define EDITINPUTDIALOG_H

#include <QDialog>
#include <QString>

#include <memory>

class BlockItem;
class PulseEntry;
class ProgramWidget;
class QComboBox;
class QLabel;
class QWidget;
class Ui_EditInputDialog;

// Settings of one channel block: its port, its display name and, for an
// input, its level or user control, for an output its levels. The user input
// "IN-USER" takes the pulse of the module's oscillator instead of a level.
class EditInputDialog : public QDialog
{
    Q_OBJECT

public:
    EditInputDialog(ProgramWidget *sheet, BlockItem *item, QWidget *parent);
    ~EditInputDialog() override;

    Ui_EditInputDialog *form() const { return ui; }
    PulseEntry *pulseEntry() const { return entry.get(); }

    // Threshold code of the module: -2.5 V is 0, +2.5 V is 4095.
    static int vthToCode(double volts);
    // The code's voltage to 0.01 V, as the Vth field shows it.
    static QString vthText(quint16 code);

    // The name rule; the name is taken only once every check has passed.
    virtual bool checkName(const QString &name);
    virtual bool buildParameter(double vth);
    virtual void showVth(quint16 code);
    virtual void showFrequency(QString &text);
    virtual bool checkPulseSettings();

public slots:
    void on_comboBox_currentIndexChanged(const QString &text);
    void on_buttonBox_accepted();
    void on_nim_toggled(bool checked);
    void on_ttl_toggled(bool checked);
    void on_user_toggled(bool checked);
    void on_userControl_toggled(bool checked);
    void on_frequency_toggled(bool checked);
    void on_mainComboBox_currentIndexChanged(const QString &text);
    void on_subComboBox_currentIndexChanged(const QString &text);
    void changeType(const QString &text);

private:
    bool isInput() const;
    bool isOutput() const;
    // The oscillator group takes the entry: shown and not under user control.
    bool pulseEntryActive() const;
    // The settings of a block of the channel into the widgets, and as what
    // OK compares with; the pulse from an oscillator block, else the fields'
    // starting values.
    void loadChannel(BlockItem *source);
    void loadPulseSettings(BlockItem *source);
    // After OK: what the edited block now holds is what every block of the
    // chosen channel holds.
    void storeForChannel(bool changed);
    void warnSetting(const QString &text);

    Ui_EditInputDialog *ui;
    BlockItem *item;
    ProgramWidget *programWidget;
    QString shownName;
    QString portName;
    bool storedUserControl = false;
    bool storedUser = false;
    bool storedHigh = false;
    quint16 storedVth = 0;
    bool storedNim = true;
    bool storedTtl = false;
    // An "IN-USER" block opened with its oscillator: no level settings were read.
    bool levelsUnread = false;
    // The block of the channel whose settings the widgets show: the edited
    // block, or the channel's block on another sheet after a port change.
    BlockItem *shownChannel = nullptr;

    std::unique_ptr<PulseEntry> entry;
    // The widths and display preference as accepted by the pulse checks, and
    // as stored in the shown block.
    QString mainText;
    QString subText;
    QString disp;
    QString mainCnt;
    QString subCnt;
    QString storedDisp;
    bool pulseChanged = false;
};

#endif // EDITINPUTDIALOG_H
