#ifndef EDITMSRCNTDIALOG_H
#define EDITMSRCNTDIALOG_H

#include "editdialog.h"

class BlockItem;
class Ui_EditMsrCntDialog;

// Edits a measurement-counter block: which of the four counters it is, what
// it measures (GATE and SRC packed into Mode), the unit of its times and the
// folder of its log files.
class EditMsrCntDialog : public EditDialog
{
    Q_OBJECT

public:
    EditMsrCntDialog(BlockItem *block, QWidget *parent = nullptr);
    ~EditMsrCntDialog() override;

public slots:
    void okClicked();
    void on_toolButton_clicked();
    void on_groupBox_toggled(bool on);
    void on_m_enbComboBox_currentIndexChanged(int index);

private:
    // Asks before a missing log folder is created; false when nothing may be
    // stored.
    bool ensureDirectory(const QString &path);

    Ui_EditMsrCntDialog *ui;
    BlockItem *item = nullptr;
};

#endif // EDITMSRCNTDIALOG_H
