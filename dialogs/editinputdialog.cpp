#include "editinputdialog.h"

#include "blockitem.h"
#include "editdialog.h"
#include "modalhooks.h"
#include "namerule.h"
#include "nim_in.h"
#include "nimout.h"
#include "programwidget.h"
#include "pulseentry.h"
#include "ui_editinputdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <cmath>

namespace {

const QString userPort = QStringLiteral("IN-USER");
const QString optionPort = QStringLiteral("IN-OPT");

QString flag(bool on)
{
    return on ? QStringLiteral("true ") : QStringLiteral("false ");
}

} // namespace

EditInputDialog::EditInputDialog(ProgramWidget *sheet, BlockItem *item, QWidget *parent)
    : QDialog(parent), ui(new Ui_EditInputDialog), item(item), programWidget(sheet)
{
    ui->setupUi(this);
    ui->oscillator->hide();
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    entry.reset(
        new PulseEntry(this, {ui->gridLayout, 0, ui->labelMain, ui->mainLineEdit, ui->mainComboBox,
                              ui->labelSub, ui->subLineEdit, ui->subComboBox}));
    entry->typeComboBox->setMaximumWidth(92);
    // The form's lists start on "nsec".
    entry->mainUnitNs = entry->subUnitNs = 1;

    QStringList ports;
    if (programWidget)
        programWidget->lookupItem(item->kind(), ports);
    ports.prepend(item->name());
    portName = item->name();
    ui->comboBox->addItems(ports);

    shownName = item->displayName();
    ui->lineEdit->setText(shownName);

    if (isInput()) {
        connect(entry->typeComboBox, SIGNAL(currentIndexChanged(QString)), this,
                SLOT(changeType(QString)));
        connect(entry->freqUnitComboBox, SIGNAL(currentIndexChanged(QString)), this,
                SLOT(on_subComboBox_currentIndexChanged(QString)));
        ui->output->hide();
        loadChannel(item);
        if (!levelsUnread)
            setMaximumHeight(272);
    } else if (isOutput()) {
        shownChannel = item;
        ui->userControl->hide();
        ui->input->hide();
        setMaximumSize(200, 120);
        if (auto *output = dynamic_cast<NIMOut *>(item))
            output->outputLevels(storedNim, storedTtl);
        ui->nimOut->setChecked(storedNim);
        ui->ttlOut->setChecked(storedTtl);
    }
}

EditInputDialog::~EditInputDialog()
{
    delete ui;
}

bool EditInputDialog::isInput() const
{
    return item->kind() == QLatin1String("Input");
}

bool EditInputDialog::isOutput() const
{
    return item->kind().startsWith(QLatin1String("OUT-CH"));
}

bool EditInputDialog::pulseEntryActive() const
{
    return !ui->oscillator->isHidden() && ui->oscillator->isEnabled();
}

void EditInputDialog::loadChannel(BlockItem *source)
{
    shownChannel = source;
    auto *input = dynamic_cast<NIM_IN *>(source);
    storedUserControl = input && input->isUserControl();
    levelsUnread = source->name() == userPort && !storedUserControl;
    storedUser = false;
    storedHigh = false;
    storedVth = quint16(vthToCode(-0.4));
    if (input && !levelsUnread)
        input->inputSettings(storedUser, storedHigh, storedVth);

    // The option input is always under user control.
    ui->userControl->setChecked(storedUserControl || portName == optionPort);
    if (storedUser) {
        ui->user->setChecked(true);
        ui->property->setEnabled(true);
        (storedHigh ? ui->high : ui->low)->setChecked(true);
        showVth(storedVth);
    } else {
        (storedHigh ? ui->ttl : ui->nim)->setChecked(true);
    }
    loadPulseSettings(levelsUnread ? source : nullptr);
}

void EditInputDialog::on_comboBox_currentIndexChanged(const QString &text)
{
    if (isOutput()) {
        // A name the user gave stays; a port name follows the port.
        if (ui->lineEdit->text().startsWith(QLatin1String("OUT-CH"))) {
            shownName = text;
            ui->lineEdit->setText(text);
        }
        return;
    }
    if (!isInput())
        return;
    if (text != portName) {
        portName = text;
        shownName = text;
        BlockItem *channel = programWidget ? programWidget->findBlock(text, -1) : nullptr;
        if (channel)
            shownName = channel->displayName();
        ui->lineEdit->setText(shownName);
        // A channel that stands on another sheet shows the settings it has
        // there; a free one those the block brings along.
        BlockItem *source = channel && text != item->name() ? channel : item;
        if (source != shownChannel)
            loadChannel(source);
    }
    if (text == optionPort) {
        ui->userControl->setChecked(true);
        ui->userControl->setEnabled(false);
        ui->oscillator->hide();
        ui->input->show();
        setMaximumSize(287, 272);
    } else if (text == userPort) {
        ui->userControl->setEnabled(true);
        ui->input->hide();
        ui->oscillator->show();
        setMaximumSize(370, 100);
    } else {
        ui->oscillator->hide();
        ui->input->show();
        ui->userControl->setEnabled(true);
        setMaximumSize(287, 272);
    }
}

void EditInputDialog::on_nim_toggled(bool checked)
{
    if (!checked)
        return;
    ui->property->setEnabled(false);
    ui->low->setChecked(true);
    ui->vth->setText(QStringLiteral("-0.4"));
}

void EditInputDialog::on_ttl_toggled(bool checked)
{
    if (!checked)
        return;
    ui->property->setEnabled(false);
    ui->high->setChecked(true);
    ui->vth->setText(QStringLiteral("1.4"));
}

void EditInputDialog::on_user_toggled(bool checked)
{
    if (checked)
        ui->property->setEnabled(true);
}

void EditInputDialog::on_userControl_toggled(bool checked)
{
    ui->input->setEnabled(!checked);
    ui->oscillator->setEnabled(!checked);
}

int EditInputDialog::vthToCode(double volts)
{
    const long double code = (static_cast<long double>(volts) + 2.5L) / 5.0L * 4095.0L + 0.5L;
    if (!(code > 0))
        return 0;
    return code >= 4095 ? 4095 : int(code);
}

QString EditInputDialog::vthText(quint16 code)
{
    long double x = static_cast<long double>(code) * 500.0L / 4095.0L - 250.0L;
    x = x < 0 ? x - 0.5L : x + 0.5L;
    const long long hundredths = static_cast<long long>(x);
    return QString::number(double(hundredths) / 100.0, 'g', 6);
}

void EditInputDialog::showVth(quint16 code)
{
    ui->vth->setText(vthText(code));
}

void EditInputDialog::on_buttonBox_accepted()
{
    const bool levels = isInput() && !ui->userControl->isChecked();
    double vth = 0;
    if (levels && !pulseEntryActive()) {
        bool ok = false;
        vth = EditDialog::readNumber(ui->vth->text(), &ok);
        if (!ok || vth < -2.5 || vth > 2.5) {
            ModalHooks::warning(programWidget, item->displayName(),
                                QStringLiteral("Please set Vth between -2.5V and 2.5V"));
            return;
        }
    }

    const QString port = ui->comboBox->currentText();
    const QString name = ui->lineEdit->text();
    const bool ownPort = ui->comboBox->currentIndex() < 1;
    const bool nameKept = name == (ownPort ? item->displayName() : shownName);
    // The name is checked before the pulse checks turn a frequency into
    // widths: a refused name leaves the entry as the user sees it.
    if (!nameKept && !checkName(name))
        return;
    if (levels && pulseEntryActive() && !checkPulseSettings())
        return;

    if (ownPort && nameKept) {
        const bool changed = buildParameter(vth);
        storeForChannel(changed);
        if (changed && programWidget)
            programWidget->updateItemView(nullptr, QString());
        accept();
        return;
    }
    item->setUserName(name);

    // The settings go first, so that the one undo step the sheet records
    // holds them together with the port and the name.
    storeForChannel(buildParameter(vth));
    if (programWidget)
        programWidget->updateItemView(item, port);
    if (QLabel *label = item->owner()) {
        label->setPixmap(item->pixmap());
        label->show();
    }
    accept();
}

bool EditInputDialog::checkName(const QString &name)
{
    const QStringList ownNames{item->displayName(), ui->comboBox->currentText()};
    return NameRule::check(programWidget, item->displayName(), name, ownNames);
}

void EditInputDialog::storeForChannel(bool changed)
{
    if (changed) {
        if (programWidget)
            programWidget->shareChannelSettings(item, ui->comboBox->currentText());
    } else if (shownChannel && shownChannel != item) {
        // Moved onto a channel of another sheet and left as shown there.
        item->params() = shownChannel->params();
    }
}

bool EditInputDialog::buildParameter(double vth)
{
    if (isOutput()) {
        const bool nim = ui->nimOut->isChecked();
        const bool ttl = ui->ttlOut->isChecked();
        if (nim == storedNim && ttl == storedTtl)
            return false;
        item->params() = QStringLiteral("bNIM=") + flag(nim) + QStringLiteral("bTTL=") + flag(ttl);
        return true;
    }
    auto *input = dynamic_cast<NIM_IN *>(item);
    if (!isInput() || !input)
        return false;
    if (pulseEntryActive()) {
        if (!pulseChanged)
            return false;
        input->setCounterParams(mainText, subText, disp);
        return true;
    }
    if (ui->userControl->isChecked()) {
        // Empty settings mean user control on "IN-USER" only.
        if (storedUserControl && !(item->params().isEmpty() && portName != userPort))
            return false;
        input->setUserControl();
        return true;
    }
    const bool user = ui->user->isChecked();
    const bool high = ui->high->isChecked();
    const int code = vthToCode(vth);
    if (!storedUserControl && !levelsUnread && user == storedUser && high == storedHigh &&
        code == storedVth)
        return false;
    item->params() = QStringLiteral("bUser=") + flag(user) + QStringLiteral("bHigh=") + flag(high) +
                     QStringLiteral("Vth=%1").arg(code);
    return true;
}
