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
        auto *input = dynamic_cast<NIM_IN *>(item);
        storedUserControl = input && input->isUserControl();
        if (item->name() == userPort && !storedUserControl) {
            loadPulseSettings();
            ui->userControl->setChecked(false);
            levelsUnread = true;
            return;
        }
        ui->mainLineEdit->setText(QStringLiteral("0"));
        ui->subLineEdit->setText(QStringLiteral("1"));
        setMaximumHeight(272);
        if (input)
            input->inputSettings(storedUser, storedHigh, storedVth);
        else
            storedVth = quint16(vthToCode(-0.4));
        if (storedUserControl) {
            ui->userControl->setChecked(true);
        } else if (storedUser) {
            ui->property->setEnabled(true);
            ui->user->setChecked(true);
            if (storedHigh)
                ui->high->setChecked(true);
            showVth(storedVth);
        } else if (storedHigh) {
            ui->ttl->setChecked(true);
        }
    } else if (isOutput()) {
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
        if (programWidget) {
            if (BlockItem *channel = programWidget->findBlock(text, -1))
                shownName = channel->displayName();
        }
        ui->lineEdit->setText(shownName);
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
    double vth = 0;
    if (!ui->userControl->isChecked() && isInput()) {
        if (!pulseEntryActive()) {
            bool ok = false;
            vth = EditDialog::readNumber(ui->vth->text(), &ok);
            if (!ok || vth < -2.5 || vth > 2.5) {
                ModalHooks::warning(programWidget, item->displayName(),
                                    QStringLiteral("Please set Vth between -2.5V and 2.5V"));
                return;
            }
        } else if (!checkPulseSettings()) {
            return;
        }
    }

    const QString port = ui->comboBox->currentText();
    const QString name = ui->lineEdit->text();
    bool checked = false;
    if (ui->comboBox->currentIndex() < 1) {
        if (name == item->displayName()) {
            if (buildParameter(vth) && programWidget)
                programWidget->updateItemView(nullptr, QString());
            accept();
            return;
        }
    } else if (name == shownName) {
        item->setUserName(name);
        checked = true;
    }
    if (!checked && !checkName(name))
        return;

    // The settings go first, so that the one undo step the sheet records
    // holds them together with the port and the name.
    buildParameter(vth);
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
    if (!NameRule::check(programWidget, item->displayName(), name, ownNames))
        return false;
    item->setUserName(name);
    return true;
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
        if (storedUserControl)
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
