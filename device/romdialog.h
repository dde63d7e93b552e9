#ifndef ROMDIALOG_H
#define ROMDIALOG_H

#include <QByteArray>
#include <QDialog>
#include <QString>

class QCheckBox;
class RomPageHost;

namespace Ui {
class RomDialog;
}

// Picks one of the module's sixteen ROM pages for a save, a restore or as the boot page, shows
// the ROM directory and hands the choice to the window that opened it. Talks to no module.
class RomDialog : public QDialog
{
    Q_OBJECT

public:
    enum Mode { Save = 0, Restore = 1, BootPage = 2 };

    // bytes: the boot page byte followed by the 16 directory entries of 112 bytes. The parent is
    // the window that runs the operation (a RomPageHost).
    RomDialog(const QString *fileName, const QByteArray &bytes, int mode, QWidget *parent);
    ~RomDialog() override;

    // The comment of page p as the directory holds it; empty past the given bytes.
    QString pageComment(int page) const;
    int chosenBootPage() const { return selectedPage; }

private slots:
    void on_buttonBox_accepted();
    void on_comboBox_currentIndexChanged(int index);
    void on_tableWidget_currentCellChanged(int currentRow, int currentColumn, int previousRow,
                                           int previousColumn);

private:
    void setState(int page, int state);
    void selectPage(int index);
    QCheckBox *pageBox(int page) const;
    void acceptSave(int page);
    void acceptRestore(int page);

    Ui::RomDialog *ui;
    RomPageHost *mainWindow;
    int mode;
    bool saveMode;
    bool updating = true;
    QString designName;
    QByteArray directory;
    quint8 bootPage;
    quint8 selectedPage;
};

#endif
