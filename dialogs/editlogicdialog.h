#ifndef EDITLOGICDIALOG_H
#define EDITLOGICDIALOG_H

#include "editdialog.h"

#include <QString>
#include <QStringList>
#include <QVector>

class BlockItem;
class Highlighter;
class QPoint;
class QPushButton;
class QShowEvent;
class Ui_EditDialog;

// Edits the expression of a PreLogic or PostLogic block over its ports _A to
// _K, with buttons for the ports and operators and the expression shown in
// port names or in the names of the nets connected to them.
class EditLogicDialog : public EditDialog
{
    Q_OBJECT

public:
    EditLogicDialog(BlockItem *block, QWidget *parent = nullptr);
    ~EditLogicDialog() override;

public slots:
    void okClicked();
    void changeNetMode(bool net);
    void clicked_A();
    void clicked_B();
    void clicked_C();
    void clicked_D();
    void clicked_E();
    void clicked_F();
    void clicked_G();
    void clicked_H();
    void clicked_I();
    void clicked_J();
    void clicked_K();
    void clicked_not();
    void clicked_and();
    void clicked_or();
    void clicked_xor();
    void clicked_left();
    void clicked_right();
    void deletePort();
    int selectPort();
    void on_textEdit_textChanged();
    void on_pushButton_A_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_B_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_C_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_D_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_E_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_F_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_G_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_H_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_I_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_J_customContextMenuRequested(const QPoint &pos);
    void on_pushButton_K_customContextMenuRequested(const QPoint &pos);

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct LogicPort {
        QPushButton *button;
        QString portName;
        QString netName;
    };

    void addPortButton(QPushButton *button);
    void setPortCaption(int port, const QString &netName);
    void loadFromItem(BlockItem *block);
    void insertText(const QString &text);
    void insertPort(int port);
    void showPortMenu(int port, const QPoint &pos);
    // The net name by which the port appears in the expression, or empty when
    // it must keep its port name: a net name that is also an operator, a
    // literal, a port name or the net of another port could not be turned
    // back into this port alone.
    QString netWord(int port) const;

    Ui_EditDialog *ui;
    BlockItem *item = nullptr;
    Highlighter *highlighter = nullptr;
    bool netMode = false;
    QString expression;
    int currentPort = 0;
    QVector<LogicPort *> ports;
    QStringList portPatterns;
    QStringList netPatterns;
};

#endif // EDITLOGICDIALOG_H
