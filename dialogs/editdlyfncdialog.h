#ifndef EDITDLYFNCDIALOG_H
#define EDITDLYFNCDIALOG_H

#include "editdialog.h"

class BlockItem;
class Ui_EditDlyFncDialog;

// Sets the delay of a delay-function block: 0 to 32.767 us in steps of 1 ns,
// stored as the one token "Delay=" with the number and its unit.
class EditDlyFncDialog : public EditDialog
{
    Q_OBJECT

public:
    EditDlyFncDialog(BlockItem *block, QWidget *parent = nullptr);
    ~EditDlyFncDialog() override;

    // The largest delay, in nanoseconds.
    static const int maxDelayNs = 32767;

public slots:
    void okClicked();
    void changeUnit(const QString &unit);

private:
    Ui_EditDlyFncDialog *ui;
    BlockItem *item;
    int unitFactor = Microsecond;
};

#endif // EDITDLYFNCDIALOG_H
