#include "editlogicdialog.h"

#include "blockitem.h"
#include "highlighter.h"
#include "modalhooks.h"
#include "nimlogic.h"
#include "programwidget.h"
#include "ui_editlogicdialog.h"

#include <QBrush>
#include <QHash>
#include <QMenu>
#include <QPushButton>
#include <QTextCursor>

namespace {

const int portCount = 11;

const char *const operatorWords[] = {"not", "and", "or", "xor"};

bool isWordBreak(QChar c)
{
    return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')');
}

// Replaces whole words only (runs between blanks and brackets, as the parser
// reads them), all in one pass: a replacement is never replaced again, and a
// name inside a longer word stays as it is.
QString replaceWords(const QString &text, const QHash<QString, QString> &words)
{
    QString result;
    result.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        if (isWordBreak(text.at(i))) {
            result += text.at(i++);
            continue;
        }
        int end = i;
        while (end < text.size() && !isWordBreak(text.at(end)))
            ++end;
        const QString word = text.mid(i, end - i);
        result += words.value(word, word);
        i = end;
    }
    return result;
}

// The signal a port really receives: through a pass-through block, its source.
QString netNameOf(BlockItem *source)
{
    if (source->kind() == QLatin1String("NonFnc")) {
        if (BlockItem *through = source->inputAt(0))
            return through->displayName();
    }
    return source->displayName();
}

} // namespace

EditLogicDialog::EditLogicDialog(BlockItem *block, QWidget *parent)
    : EditDialog(parent), ui(new Ui_EditDialog)
{
    ui->setupUi(this);
    ui->textEdit->setAcceptRichText(false);
    // Tab moves on: an expression has no use for tab characters.
    ui->textEdit->setTabChangesFocus(true);
    if (parent) {
        connect(ui->buttonBox, SIGNAL(rejected()), parent, SLOT(close()));
        connect(this, SIGNAL(rejected()), parent, SLOT(close()));
    }
    disconnect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(okClicked()));
    connect(ui->radioButtonNet, SIGNAL(toggled(bool)), this, SLOT(changeNetMode(bool)));

    QPushButton *const buttons[portCount] = {ui->pushButton_A, ui->pushButton_B, ui->pushButton_C,
                                             ui->pushButton_D, ui->pushButton_E, ui->pushButton_F,
                                             ui->pushButton_G, ui->pushButton_H, ui->pushButton_I,
                                             ui->pushButton_J, ui->pushButton_K};
    void (EditLogicDialog::*const portSlots[portCount])() = {
        &EditLogicDialog::clicked_A, &EditLogicDialog::clicked_B, &EditLogicDialog::clicked_C,
        &EditLogicDialog::clicked_D, &EditLogicDialog::clicked_E, &EditLogicDialog::clicked_F,
        &EditLogicDialog::clicked_G, &EditLogicDialog::clicked_H, &EditLogicDialog::clicked_I,
        &EditLogicDialog::clicked_J, &EditLogicDialog::clicked_K};
    for (int port = 0; port < portCount; ++port)
        connect(buttons[port], &QPushButton::clicked, this, portSlots[port]);
    connect(ui->pushButton_not, &QPushButton::clicked, this, &EditLogicDialog::clicked_not);
    connect(ui->pushButton_and, &QPushButton::clicked, this, &EditLogicDialog::clicked_and);
    connect(ui->pushButton_or, &QPushButton::clicked, this, &EditLogicDialog::clicked_or);
    connect(ui->pushButton_xor, &QPushButton::clicked, this, &EditLogicDialog::clicked_xor);
    connect(ui->pushButton_left, &QPushButton::clicked, this, &EditLogicDialog::clicked_left);
    connect(ui->pushButton_right, &QPushButton::clicked, this, &EditLogicDialog::clicked_right);

    for (QPushButton *button : buttons)
        addPortButton(button);
    netMode = ui->radioButtonNet->isChecked();
    if (block)
        loadFromItem(block);

    highlighter = new Highlighter(ui->textEdit->document());
    QStringList operators;
    for (const char *word : operatorWords)
        operators.append(Highlighter::wordPattern(QLatin1String(word)));
    highlighter->addRules(operators, QBrush(Qt::blue), 0);
    highlighter->addRules(portPatterns, QBrush(Qt::green), 75);
    highlighter->addRules(netPatterns, QBrush(Qt::cyan), 75);
}

EditLogicDialog::~EditLogicDialog()
{
    qDeleteAll(ports);
    delete ui;
}

void EditLogicDialog::showEvent(QShowEvent *event)
{
    EditDialog::showEvent(event);
    // The expression is where typing starts.
    ui->textEdit->setFocus();
}

void EditLogicDialog::addPortButton(QPushButton *button)
{
    const QString portName = button->text().remove(QLatin1Char('\n'));
    ports.append(new LogicPort{button, portName, QString()});
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    portPatterns.append(Highlighter::wordPattern(portName));
}

void EditLogicDialog::setPortCaption(int port, const QString &netName)
{
    LogicPort *logicPort = ports.at(port);
    // No mnemonic: an ampersand in a user name is shown as written.
    QString shown = netName;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    logicPort->button->setText(QStringLiteral("%1\n\n%2").arg(logicPort->portName, shown));
    logicPort->netName = netName;
    netPatterns.append(Highlighter::wordPattern(netName));
}

void EditLogicDialog::loadFromItem(BlockItem *block)
{
    item = block;
    expression = block->params();
    ui->textEdit->setPlainText(expression);
    // Words from the buttons go after what is already there.
    ui->textEdit->moveCursor(QTextCursor::End);
    const QMap<int, BlockItem *> &inputs = block->inputs();
    for (auto it = inputs.cbegin(); it != inputs.cend(); ++it) {
        if (it.key() >= 0 && it.key() < portCount && it.value())
            setPortCaption(it.key(), netNameOf(it.value()));
    }
}

QString EditLogicDialog::netWord(int port) const
{
    const QString &net = ports.at(port)->netName;
    if (net.isEmpty() || net == QLatin1String("true") || net == QLatin1String("false"))
        return QString();
    for (const char *word : operatorWords) {
        if (net == QLatin1String(word))
            return QString();
    }
    for (int other = 0; other < ports.size(); ++other) {
        if (ports.at(other)->portName == net || (other != port && ports.at(other)->netName == net))
            return QString();
    }
    return net;
}

void EditLogicDialog::insertText(const QString &text)
{
    ui->textEdit->insertPlainText(text);
    // Typing goes on in the expression, not into the button just pressed.
    ui->textEdit->setFocus(Qt::OtherFocusReason);
}

void EditLogicDialog::insertPort(int port)
{
    const QString net = netMode ? netWord(port) : QString();
    insertText(QLatin1Char(' ') + (net.isEmpty() ? ports.at(port)->portName : net) +
               QLatin1Char(' '));
}

void EditLogicDialog::okClicked()
{
    ui->radioButtonPort->setChecked(true);
    auto *logic = dynamic_cast<NIMLogic *>(item);
    if (!logic)
        return;
    const QString old = item->params();
    QString text = ui->textEdit->toPlainText();
    if (!logic->setLogic(text, true)) {
        ModalHooks::warning(this, tr("Logic Error"), text);
        // The box hands the focus back to OK, where the next blank would press it again.
        ui->textEdit->setFocus();
        return;
    }
    if (item->params() != old) {
        if (ProgramWidget *sheet = sheetOf(item))
            sheet->updateItemView(item, QString());
    }
    close();
}

void EditLogicDialog::changeNetMode(bool net)
{
    if (net == netMode)
        return;
    QHash<QString, QString> words;
    for (int port = 0; port < ports.size(); ++port) {
        const QString netName = netWord(port);
        if (netName.isEmpty())
            continue;
        if (net)
            words.insert(ports.at(port)->portName, netName);
        else
            words.insert(netName, ports.at(port)->portName);
    }
    ui->textEdit->setPlainText(replaceWords(ui->textEdit->toPlainText(), words));
    ui->textEdit->moveCursor(QTextCursor::End);
    netMode = net;
}

void EditLogicDialog::clicked_A()
{
    insertPort(0);
}

void EditLogicDialog::clicked_B()
{
    insertPort(1);
}

void EditLogicDialog::clicked_C()
{
    insertPort(2);
}

void EditLogicDialog::clicked_D()
{
    insertPort(3);
}

void EditLogicDialog::clicked_E()
{
    insertPort(4);
}

void EditLogicDialog::clicked_F()
{
    insertPort(5);
}

void EditLogicDialog::clicked_G()
{
    insertPort(6);
}

void EditLogicDialog::clicked_H()
{
    insertPort(7);
}

void EditLogicDialog::clicked_I()
{
    insertPort(8);
}

void EditLogicDialog::clicked_J()
{
    insertPort(9);
}

void EditLogicDialog::clicked_K()
{
    insertPort(10);
}

void EditLogicDialog::clicked_not()
{
    insertText(QStringLiteral(" not "));
}

void EditLogicDialog::clicked_and()
{
    insertText(QStringLiteral(" and "));
}

void EditLogicDialog::clicked_or()
{
    insertText(QStringLiteral(" or "));
}

void EditLogicDialog::clicked_xor()
{
    insertText(QStringLiteral(" xor "));
}

void EditLogicDialog::clicked_left()
{
    insertText(QStringLiteral("("));
}

void EditLogicDialog::clicked_right()
{
    insertText(QStringLiteral(")"));
}

void EditLogicDialog::deletePort()
{
    BlockItem *source = item ? item->inputAt(currentPort) : nullptr;
    if (!source)
        return;
    // The sheet removes the wire as a wire deletion of its own does: palette
    // units come back, and the change is one undo step.
    if (ProgramWidget *sheet = sheetOf(item)) {
        sheet->deleteInput(item, currentPort);
    } else {
        source->removeOutput(item);
        item->removeInput(currentPort);
    }
    setPortCaption(currentPort, QString());
}

int EditLogicDialog::selectPort()
{
    QStringList names;
    for (int port = 0; port < portCount; ++port)
        names.append(QStringLiteral("port%1").arg(port));
    bool ok = false;
    const QString chosen =
        ModalHooks::getItem(this, tr("select"), tr("NET connect"), names, 0, false, &ok);
    return ok ? names.indexOf(chosen) : -1;
}

void EditLogicDialog::on_textEdit_textChanged()
{
    expression = ui->textEdit->toPlainText();
}

void EditLogicDialog::showPortMenu(int port, const QPoint &pos)
{
    currentPort = port;
    if (!item || !item->inputAt(port))
        return;
    QMenu menu(this);
    QAction *remove = menu.addAction(QStringLiteral("&Delete"));
    connect(remove, &QAction::triggered, this, &EditLogicDialog::deletePort);
    ModalHooks::execMenu(&menu, ports.at(port)->button->mapToGlobal(pos));
}

void EditLogicDialog::on_pushButton_A_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(0, pos);
}

void EditLogicDialog::on_pushButton_B_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(1, pos);
}

void EditLogicDialog::on_pushButton_C_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(2, pos);
}

void EditLogicDialog::on_pushButton_D_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(3, pos);
}

void EditLogicDialog::on_pushButton_E_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(4, pos);
}

void EditLogicDialog::on_pushButton_F_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(5, pos);
}

void EditLogicDialog::on_pushButton_G_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(6, pos);
}

void EditLogicDialog::on_pushButton_H_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(7, pos);
}

void EditLogicDialog::on_pushButton_I_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(8, pos);
}

void EditLogicDialog::on_pushButton_J_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(9, pos);
}

void EditLogicDialog::on_pushButton_K_customContextMenuRequested(const QPoint &pos)
{
    showPortMenu(10, pos);
}
