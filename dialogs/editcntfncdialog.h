#ifndef EDITCNTFNCDIALOG_H
#define EDITCNTFNCDIALOG_H

#include "editdialog.h"

#include <QString>

#include <memory>

class BlockItem;
class QComboBox;
class QLabel;
class PulseEntry;
class QWidget;
class Ui_EditCntFncDialog;

// Settings of one counter function block: its mode and the two values the
// mode takes, as widths with their units or, for the oscillator modes, as a
// frequency with a true width or a duty.
class EditCntFncDialog : public EditDialog
{
    Q_OBJECT

public:
    EditCntFncDialog(BlockItem *item, QWidget *parent);
    ~EditCntFncDialog() override;

    Ui_EditCntFncDialog *form() const { return ui; }
    PulseEntry *pulseEntry() const { return entry.get(); }

public slots:
    void okClicked();
    void changeMode(int newMode);
    void changeMainUnit(const QString &text);
    void changeSubUnit(const QString &text);
    void changeType(const QString &text);
    void on_radioButtonPulseWidth_clicked();
    void on_radioButtonFrequency_clicked();

private:
    // The field label as the messages name it.
    static QString plainLabel(const QLabel *label);
    void warn(const QString &title, const QString &text);

    Ui_EditCntFncDialog *ui;
    std::unique_ptr<PulseEntry> entry;
    BlockItem *item;
    int mode = 0;
};

#endif // EDITCNTFNCDIALOG_H
