#ifndef USERCONTROLDIALOG_H
#define USERCONTROLDIALOG_H

#include "deletionguard.h"
#include "usercontrolrecord.h"

#include <QDialog>
#include <QString>
#include <QVector>

class MainWindow;
class QGroupBox;
class QLabel;
class QRadioButton;
class QUdpThread;

namespace Ui {
class UserControlDialog;
}

// The module's user-control inputs switched by hand: one ON/OFF row per user-controlled input of
// the downloaded design. Opening and every refresh read the 16-bit register; each switch writes
// it back whole. One worker serves every read and write, one operation at a time.
class UserControlDialog : public QDialog
{
    Q_OBJECT

public:
    UserControlDialog(const UserControlConfig *config, MainWindow *parent);
    ~UserControlDialog() override;

    // Shows the rows of `config` and reads the register. While an operation runs, the read waits
    // for its end (the latest configuration wins).
    void startRead(const UserControlConfig *config);

protected:
    bool event(QEvent *event) override;

private slots:
    void setCurrent(QByteArray *data);
    void onError(QString *text);
    void end(bool ok);
    void on_on0_toggled(bool on);
    void on_on1_toggled(bool on);
    void on_on2_toggled(bool on);
    void on_on3_toggled(bool on);
    void on_on4_toggled(bool on);
    void on_on5_toggled(bool on);
    void on_on6_toggled(bool on);
    void on_on7_toggled(bool on);
    void on_on8_toggled(bool on);
    void on_on9_toggled(bool on);

private:
    void writeSwitch(int row, bool on);
    void beginRead(const UserControlConfig &config);
    void setSwitchesEnabled(bool enabled);
    void startWorker();
    // A signal of a worker that this dialog no longer uses.
    bool fromOtherWorker() const;

    Ui::UserControlDialog *ui;
    MainWindow *mainWindow;
    QUdpThread *worker = nullptr;
    QString errorText;
    QString host;
    quint16 udpPort = 0;
    int timeout = 0;
    bool ready = false;
    quint16 value = 0;
    QVector<QGroupBox *> groups;
    QVector<QLabel *> labels;
    QVector<QRadioButton *> onButtons;
    QVector<QRadioButton *> offButtons;
    bool busy = false; // from the worker's start until its end() has been handled
    bool readQueued = false;
    UserControlConfig queuedConfig;
    DeletionGuard deletionGuard{this};
};

#endif // USERCONTROLDIALOG_H
