#include "blockitem.h"
#include "designkit.h"
#include "editcntfncdialog.h"
#include "editinputdialog.h"
#include "memorymodule.h"
#include "nimactionedit.h"
#include "programdata.h"
#include "programwidget.h"
#include "pulseentry.h"
#include "settingsdialogs.h"
#include "sheetbench.h"
#include "ui_editinputdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

const QString invalid = "Invalid Setting|";
const QString notice = invalid + "Because it is necessary to set Counter by a unit for 1ns,\n";

QStringList items(QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

// Rows are '|'-separated specs, one per line.
class TestEditInputDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opening_data();
    void opening();
    void levels_data();
    void levels();
    void outputs_data();
    void outputs();
    void portsAndNames();
    void nameRule_data();
    void nameRule();
    void pulse_data();
    void pulse();
    void editOpensChannelsAndCounters();

private:
    void open(BlockItem *block);
    QString pressOk();
    // A register of the image a download of the design writes.
    quint32 compiled(quint32 address, int width);

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditInputDialog> dialog;
    Ui_EditInputDialog *ui = nullptr;
    ProgramWidget *sheet = nullptr;
};

void TestEditInputDialog::init()
{
    bench.reset(new SheetBench);
    sheet = bench->sheets.first();
}

void TestEditInputDialog::cleanup()
{
    dialog.reset();
    bench.reset();
}

void TestEditInputDialog::open(BlockItem *block)
{
    dialog.reset(new EditInputDialog(sheet, block, nullptr));
    ui = dialog->form();
}

QString TestEditInputDialog::pressOk()
{
    bench->warnings.clear();
    QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
    return bench->warnings.join("\n--\n");
}

quint32 TestEditInputDialog::compiled(quint32 address, int width)
{
    MemoryModule module;
    if (!bench->data->download(&module))
        return 0xDEADBEEF;
    quint32 value = 0;
    for (char b : module.read(address, width))
        value = value << 8 | quint8(b);
    return value;
}

void TestEditInputDialog::opening_data()
{
    // port | settings | checked level radio | high | vth | user control | oscillator | max w | max
    // h
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("plain input") << "IN-CH0||nim|0|-0.4|0|0|287|272";
    QTest::newRow("TTL") << "IN-CH3|bUser=false bHigh=true Vth=3194|ttl|1|1.4|0|0|287|272";
    QTest::newRow("threshold low") << "IN-CH1|bUser=true bHigh=false Vth=925|user|0|-1.37|0|0|287|272";
    QTest::newRow("threshold high") << "IN-CH2|bUser=true bHigh=true Vth=4095|user|1|2.5|0|0|287|272";
    QTest::newRow("user control") << "IN-CH4|bUserControl=true|nim|0|-0.4|1|0|287|272";
    QTest::newRow("option port") << "IN-OPT||nim|0|-0.4|1|0|287|272";
    QTest::newRow("user input never edited") << "IN-USER||nim|0|-0.4|1|0|370|272";
    QTest::newRow("user oscillator") << "IN-USER|MainCnt=100nsec SubCnt=1.5usec|nim|0|-0.4|0|1|370|100";
    // clang-format on
}

void TestEditInputDialog::opening()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    DesignKit kit(*bench->data);
    open(kit.input(f[0], f[1]));
    QCOMPARE(ui->comboBox->currentText() + ui->lineEdit->text(), f[0] + f[0]);
    QCOMPARE(ui->nim->isChecked(), f[2] == "nim");
    QCOMPARE(ui->ttl->isChecked(), f[2] == "ttl");
    QCOMPARE(ui->user->isChecked() && ui->property->isEnabled(), f[2] == "user");
    QCOMPARE(int(ui->high->isChecked()), f[3].toInt());
    QCOMPARE(ui->vth->text(), f[4]);
    QCOMPARE(int(ui->userControl->isChecked()), f[5].toInt());
    QCOMPARE(ui->userControl->isEnabled(), f[0] != "IN-OPT");
    QCOMPARE(int(!ui->oscillator->isHidden() && ui->oscillator->isEnabled()), f[6].toInt());
    QCOMPARE(ui->input->isHidden(), f[0] == "IN-USER");
    QVERIFY(ui->output->isHidden());
    QCOMPARE(dialog->maximumSize(), QSize(f[7].toInt(), f[8].toInt()));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    if (f[0] == "IN-USER" && f[6] == "0")
        QCOMPARE(ui->mainLineEdit->text() + ui->subLineEdit->text(), QString("01"));
}

void TestEditInputDialog::levels_data()
{
    // port | settings | action | warning title~text | stored (empty: unchanged) | undo steps
    // | compiled threshold (-1: none)
    QTest::addColumn<QString>("spec");
    const QString range = "IN-CH0~Please set Vth between -2.5V and 2.5V";
    // clang-format off
    QTest::newRow("unchanged NIM") << "IN-CH0||nim|||0|1720";
    QTest::newRow("to TTL") << "IN-CH0||ttl||bUser=false bHigh=true Vth=3194|1|3194";
    QTest::newRow("TTL back to NIM") << "IN-CH0|bUser=false bHigh=true Vth=3194|nim||bUser=false bHigh=false Vth=1720|1|1720";
    QTest::newRow("threshold high") << "IN-CH0||high:1.25||bUser=true bHigh=true Vth=3071|1|3071";
    QTest::newRow("threshold low") << "IN-CH0||low:-1.37||bUser=true bHigh=false Vth=925|1|925";
    QTest::newRow("upper bound") << "IN-CH0||low:2.5||bUser=true bHigh=false Vth=4095|1|4095";
    QTest::newRow("lower bound") << "IN-CH0||low:-2.5||bUser=true bHigh=false Vth=0|1|0";
    QTest::newRow("above range") << "IN-CH0||low:2.51|" + range + "||0|-1";
    QTest::newRow("below range") << "IN-CH0||low:-2.51|" + range + "||0|-1";
    QTest::newRow("no number") << "IN-CH0||low:abc|" + range + "||0|-1";
    QTest::newRow("empty") << "IN-CH0||low:|" + range + "||0|-1";
    QTest::newRow("not a number") << "IN-CH0||low:nan|" + range + "||0|-1";
    QTest::newRow("infinite") << "IN-CH0||low:inf|" + range + "||0|-1";
    QTest::newRow("to user control") << "IN-CH0||control||bUserControl=true|1|-1";
    QTest::newRow("option port") << "IN-OPT||nim||bUserControl=true|1|-1";
    QTest::newRow("control given back") << "IN-CH0|bUserControl=true|release||bUser=false bHigh=false Vth=1720|1|1720";
    // clang-format on
}

void TestEditInputDialog::levels()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input(f[0], f[1]);
    open(block);
    const QStringList action = f[2].split(':');
    if (action[0] == "nim" || action[0] == "ttl")
        (action[0] == "nim" ? ui->nim : ui->ttl)->setChecked(true);
    else if (action[0] == "control" || action[0] == "release")
        ui->userControl->setChecked(action[0] == "control");
    else {
        ui->user->setChecked(true);
        (action[0] == "high" ? ui->high : ui->low)->setChecked(true);
        ui->vth->setText(action[1]);
    }
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString(f[3]).replace('~', '|'));
    QCOMPARE(block->params(), f[4].isEmpty() ? f[1] : f[4]);
    QCOMPARE(bench->host.snapshots - before, f[5].toInt());
    QCOMPARE(dialog->result(), int(f[3].isEmpty() ? QDialog::Accepted : QDialog::Rejected));
    if (f[6] != "-1") { // what the compiler reads from the text
        const int n = f[0].right(1).toInt();
        QCOMPARE(compiled(0x0070 + 2 * n, 2), f[6].toUInt());
        QCOMPARE(bool(compiled(0x006B, 1) & (1u << n)), !ui->high->isChecked());
    }
}

void TestEditInputDialog::outputs_data()
{
    // settings | NIM | LVTTL | stored (empty: unchanged) | undo steps
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("default unchanged") << "|1|0||0";
    QTest::newRow("both") << "|1|1|bNIM=true bTTL=true |1";
    QTest::newRow("LVTTL only") << "|0|1|bNIM=false bTTL=true |1";
    QTest::newRow("none") << "bNIM=true bTTL=true |0|0|bNIM=false bTTL=false |1";
    QTest::newRow("stored unchanged") << "bNIM=false bTTL=true |0|1||0";
    // clang-format on
}

void TestEditInputDialog::outputs()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    DesignKit kit(*bench->data);
    BlockItem *block = kit.output(5, kit.input("IN-CH0"), f[0]);
    open(block);
    QVERIFY(ui->input->isHidden() && ui->userControl->isHidden() && ui->oscillator->isHidden());
    QCOMPARE(dialog->maximumSize(), QSize(200, 120));
    ui->nimOut->setChecked(f[1] == "1");
    ui->ttlOut->setChecked(f[2] == "1");
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(block->params(), f[3].isEmpty() ? f[0] : f[3]);
    QCOMPARE(bench->host.snapshots - before, f[4].toInt());
    QCOMPARE(compiled(0x0068, 1) >> 5 & 1, f[1].toUInt());
    QCOMPARE(compiled(0x0069, 1) >> 5 & 1, f[2].toUInt());
}

void TestEditInputDialog::portsAndNames()
{
    DesignKit kit(*bench->data);
    BlockItem *ch0 = kit.input("IN-CH0");
    kit.input("IN-CH2");
    kit.setSheet(1);
    bench->addSheet();
    BlockItem *farCh1 = kit.input("IN-CH1");
    farCh1->setUserName("Veto");
    BlockItem *farCh0 = kit.input("IN-CH0");
    kit.setSheet(0);

    // Only the ports free on this sheet, the block's own first.
    open(ch0);
    QCOMPARE(items(ui->comboBox).join(','),
             QString("IN-CH0,IN-CH1,IN-CH3,IN-CH4,IN-CH5,IN-CH6,IN-CH7,IN-OPT,IN-USER"));
    // A port used on another sheet brings that channel's name along.
    ui->comboBox->setCurrentText("IN-CH1");
    QCOMPARE(ui->lineEdit->text(), QString("Veto"));
    ui->comboBox->setCurrentText("IN-CH3");
    QCOMPARE(ui->lineEdit->text(), QString("IN-CH3"));
    int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->name() + ch0->displayName(), QString("IN-CH3IN-CH3"));
    QCOMPARE(bench->host.snapshots - before, 1);
    QCOMPARE(farCh0->displayName(), QString("IN-CH0"));

    // Onto the channel of another sheet with a level change: one undo step
    // holds both, and the blocks share the channel's name.
    open(ch0);
    ui->comboBox->setCurrentText("IN-CH1");
    ui->ttl->setChecked(true);
    before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->name() + ch0->displayName(), QString("IN-CH1Veto"));
    QCOMPARE(ch0->params(), QString("bUser=false bHigh=true Vth=3194"));
    QCOMPARE(bench->host.snapshots - before, 1);

    // A rename on its own port follows to the channel on every sheet.
    open(ch0);
    ui->lineEdit->setText("Trigger");
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->displayName() + farCh1->displayName() + farCh0->displayName(),
             QString("TriggerTriggerIN-CH0"));

    // Cancel changes nothing.
    open(ch0);
    ui->comboBox->setCurrentText("IN-CH5");
    ui->lineEdit->setText("Other");
    ui->user->setChecked(true);
    before = bench->host.snapshots;
    QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(ch0->name() + ch0->displayName() + ch0->params(),
             QString("IN-CH1Triggerbool").replace("bool", "bUser=false bHigh=true Vth=3194"));
    QCOMPARE(bench->host.snapshots, before);

    // Outputs: the free ports of the whole design; a port name follows the
    // port, a name the user gave stays.
    BlockItem *out2 = kit.output(2, ch0);
    kit.output(4, ch0);
    open(out2);
    QCOMPARE(items(ui->comboBox).join(','),
             QString("OUT-CH2,OUT-CH0,OUT-CH1,OUT-CH3,OUT-CH5,OUT-CH6,OUT-CH7"));
    ui->comboBox->setCurrentText("OUT-CH6");
    QCOMPARE(ui->lineEdit->text(), QString("OUT-CH6"));
    QCOMPARE(pressOk(), QString());
    QCOMPARE(out2->kind() + out2->name(), QString("OUT-CH6OUT-CH6"));
    open(out2);
    ui->lineEdit->setText("Scaler");
    ui->comboBox->setCurrentText("OUT-CH7");
    QCOMPARE(ui->lineEdit->text(), QString("Scaler"));
    QCOMPARE(pressOk(), QString());
    QCOMPARE(out2->kind() + out2->displayName(), QString("OUT-CH7Scaler"));
}

void TestEditInputDialog::nameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");
    const QString characters = "IN-CH0|A name can consist only of the following characters:\n"
                               "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";
    const QString inUse = "IN-CH0|\"%1\" cannot be used or it is already in use.";
    QTest::newRow("letters digits _ -") << "Ch_1-a"
                                        << "";
    QTest::newRow("blank") << "Ch 1" << characters;
    QTest::newRow("dot") << "Ch.1" << characters;
    QTest::newRow("empty") << "" << characters;
    for (const char *taken : {"Stop", "IN-CH5", "IN-USER", "MsrCnt1", "OUT-CH0"})
        QTest::newRow(taken) << taken << inUse.arg(taken);
}

void TestEditInputDialog::nameRule()
{
    QFETCH(QString, name);
    QFETCH(QString, warning);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input("IN-CH0");
    kit.input("IN-CH1")->setUserName("Stop");
    open(block);
    ui->lineEdit->setText(name);
    QCOMPARE(pressOk(), warning);
    QCOMPARE(block->displayName(), warning.isEmpty() ? name : QString("IN-CH0"));
}

void TestEditInputDialog::pulse_data()
{
    // settings | w: main|unit|sub|unit typed, or f: type|unit|main|frequency typed in frequency
    // entry (shown first: main|frequency) | warning title~text | stored | words 0x88|0x8C
    QTest::addColumn<QString>("spec");
    const QString w = "MainCnt=100nsec SubCnt=900nsec|";
    const QString range = "Invalid Setting~\"%1\" must be an integer number from %2 to 4294967295";
    const QString bad = "Invalid Setting~";
    const QString cut = QString(notice).replace('|', '~');
    // clang-format off
    QTest::newRow("microseconds") << w + "w|1.5|usec|2|usec||||MainCnt=1.5usec SubCnt=2usec|1500|1999";
    QTest::newRow("milliseconds at the limit") << w + "w|4294.967295|msec|1|msec||||MainCnt=4294.967295msec SubCnt=1msec|4294967295|999999";
    QTest::newRow("seconds at the limit") << w + "w|1|sec|4.294967295|sec||||MainCnt=1sec SubCnt=4.294967295sec|1000000000|4294967294";
    QTest::newRow("exact decimals") << w + "w|1.005|usec|1.001|usec||||MainCnt=1.005usec SubCnt=1.001usec|1005|1000";
    QTest::newRow("true width zero, trimmed") << w + "w| 0 |nsec| 30|nsec||||MainCnt=0nsec SubCnt=30nsec|0|29";
    QTest::newRow("false width zero") << w + "w|100|nsec|0|nsec|||" + range.arg("False Width", "1") + "|||";
    QTest::newRow("half a nanosecond in usec") << w + "w|100|nsec|0.0005|usec|||" + range.arg("False Width", "0.001") + "|||";
    QTest::newRow("true width above") << w + "w|4294.967296|msec|1|nsec|||" + range.arg("True Width", "0") + "|||";
    QTest::newRow("true width negative") << w + "w|-1|nsec|1|nsec|||" + range.arg("True Width", "0") + "|||";
    QTest::newRow("false width infinite") << w + "w|1|nsec|inf|nsec|||" + range.arg("False Width", "1") + "|||";
    QTest::newRow("fraction of a ns") << w + "w|1.5|nsec|3|nsec|||" + cut + "1.5 is rounded off and becomes 1|||";
    QTest::newRow("fraction in usec") << w + "w|1.0005|usec|3|nsec|||" + cut + "1000.5 is rounded off and becomes 1000|||";
    QTest::newRow("both cut") << w + "w|1.5|nsec|2.7|nsec|||" + cut + "1.5 is rounded off and becomes 1,\nand 2.7 is rounded off and becomes 2|||";
    QTest::newRow("false width cut") << w + "w|1|nsec|2.7|nsec|||" + cut + "2.7 is rounded off and becomes 2|||";
    QTest::newRow("frequency first in Hz") << w + "f|True Width|Hz|||100|1000000||MainCnt=100nsec SubCnt=900nsec Disp=Hz|100|899";
    QTest::newRow("duty in KHz") << w + "f|Duty|KHz|||10|1000||MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|100|899";
    QTest::newRow("MHz of usec widths") << "MainCnt=1.5usec SubCnt=2.5usec|f|True Width|MHz|||1.5|0.25||MainCnt=1.5usec SubCnt=2.5usec Disp=MHz|1500|2499";
    QTest::newRow("duty typed") << w + "f|Duty|KHz|25|1000|10|1000||MainCnt=250nsec SubCnt=750nsec Disp=DutyKHz|250|749";
    QTest::newRow("three hertz half duty") << w + "f|Duty|Hz|50|3|10|1000000||MainCnt=166666666nsec SubCnt=166666667nsec Disp=DutyHz|166666666|166666666";
    QTest::newRow("frequency zero") << w + "f|True Width|KHz|100|0|100|1000|" + bad + "Frequency must be larger than 0.|||";
    QTest::newRow("frequency negative") << w + "f|True Width|KHz|100|-5|100|1000|" + bad + "Frequency must be larger than 0.|||";
    QTest::newRow("duty zero") << w + "f|Duty|KHz|0|1000|10|1000|" + bad + "Duty must be larger than 0.|||";
    QTest::newRow("duty full") << w + "f|Duty|KHz|100|1000|10|1000|" + bad + "Duty must be less than 100%.|||";
    QTest::newRow("reopened unchanged") << "MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|f|Duty|KHz|||10|1000||MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|100|899";
    // clang-format on
}

void TestEditInputDialog::pulse()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input("IN-USER", f[0]);
    open(block);
    PulseEntry *entry = dialog->pulseEntry();
    const bool widths = f[1] == "w";
    if (widths) {
        ui->mainComboBox->setCurrentText(f[3]);
        ui->subComboBox->setCurrentText(f[5]);
        ui->mainLineEdit->setText(f[2]);
        ui->subLineEdit->setText(f[4]);
    } else {
        ui->frequency->setChecked(true);
        QCOMPARE(ui->labelSub->text(), QString("&Frequency"));
        entry->typeComboBox->setCurrentText(f[2]);
        entry->freqUnitComboBox->setCurrentText(f[3]);
        QCOMPARE(ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(), f[6] + '|' + f[7]);
        if (!f[4].isEmpty()) {
            ui->mainLineEdit->setText(f[4]);
            ui->subLineEdit->setText(f[5]);
        }
    }
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString(f[8]).replace('~', '|'));
    QCOMPARE(block->params(), f[9].isEmpty() ? f[0] : f[9]);
    QCOMPARE(bench->host.snapshots - before, f[9].isEmpty() || f[9] == f[0] ? 0 : 1);
    if (!f[8].isEmpty()) {
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(entry->frequencyEntry, !widths); // back where the check began
        return;
    }
    QCOMPARE(compiled(0x0088, 4), f[10].toUInt());
    QCOMPARE(compiled(0x008C, 4), f[11].toUInt());
    open(block); // reopened as stored
    QCOMPARE(dialog->pulseEntry()->frequencyEntry, !widths);
    if (!widths)
        QCOMPARE(dialog->pulseEntry()->typeComboBox->currentText() +
                     dialog->pulseEntry()->freqUnitComboBox->currentText(),
                 f[2] + f[3]);
}

void TestEditInputDialog::editOpensChannelsAndCounters()
{
    bench->paletteDrop("CntFnc", sheet, {300, 300});
    bench->paletteDrop("OUT-CH", sheet, {600, 300});
    BlockItem *counter = bench->at(sheet, ProgramWidget::FunctionColumn, 0);
    BlockItem *output = bench->at(sheet, ProgramWidget::OutputColumn, 0);
    QString name = "IN-CH2";
    BlockItem *input = sheet->addInputItem(name);
    QVERIFY(counter && output && input);
    input->setUserName("Beam");

    QVector<QPointer<QWidget>> opened;
    ModalHooks::setSettingsRunner([&opened](const ModalHooks::SettingsRequest &request) {
        opened.append(SettingsDialogs::create(request));
    });
    for (BlockItem *block : {counter, input, output})
        NIMActionEdit(QString(), block, sheet);
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());

    QCOMPARE(opened.size(), 3);
    auto at = [this](BlockItem *block, int cap) {
        const QPoint p =
            sheet->mapToGlobal(QPoint(block->pos().x() - 100, qMin(block->pos().y(), cap)));
        return QPoint(qMax(p.x(), 20), qMax(p.y(), 50));
    };
    QVERIFY(qobject_cast<EditCntFncDialog *>(opened[0]));
    QCOMPARE(opened[0]->windowTitle(), counter->displayName());
    QCOMPARE(opened[0]->pos(), at(counter, 400));
    QVERIFY(qobject_cast<EditInputDialog *>(opened[1]));
    QCOMPARE(opened[1]->windowTitle(), QString("Input"));
    QCOMPARE(opened[1]->pos(), at(input, 300));
    QCOMPARE(opened[1]->findChild<QLineEdit *>("lineEdit")->text(), QString("Beam"));
    QVERIFY(qobject_cast<EditInputDialog *>(opened[2]));
    QCOMPARE(opened[2]->windowTitle(), QString("OUT-CH"));
    QCOMPARE(opened[2]->pos(), at(output, 300));
    qDeleteAll(opened);
}

QTEST_MAIN(TestEditInputDialog)
#include "tst_editinputdialog.moc"
