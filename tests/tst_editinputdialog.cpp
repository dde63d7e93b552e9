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

} // namespace

// Rows are '|'-separated specs.
class TestEditInputDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { sheet = (bench = std::make_unique<SheetBench>())->sheets.first(); }
    void cleanup() { dialog.reset(), bench.reset(); }
    void opening_data();
    void opening();
    void levels_data();
    void levels();
    void portsAndNames();
    void editOpensChannelsAndCounters();

private:
    void open(BlockItem *block)
    {
        dialog.reset(new EditInputDialog(sheet, block, nullptr));
        ui = dialog->form();
    }
    // One step of the user: a level (nim, ttl, high:V, low:V), control or release, output
    // levels (out:NT), widths (w:main,unit,sub,unit; empty texts left alone), frequency entry
    // (f:type,unit[,main,frequency typed[,main,frequency shown first]]), a field (main:V, sub:V),
    // a name (name:V) or a port (port:V).
    void act(const QString &step)
    {
        const QString action = step.section(':', 0, 0), value = step.section(':', 1);
        const QStringList v = value.split(',');
        if (action == "out") {
            ui->nimOut->setChecked(value[0] == '1');
            ui->ttlOut->setChecked(value[1] == '1');
        } else if (action == "nim" || action == "ttl") {
            (action == "nim" ? ui->nim : ui->ttl)->setChecked(true);
        } else if (action == "control" || action == "release") {
            ui->userControl->setChecked(action == "control");
        } else if (action == "high" || action == "low") {
            ui->user->setChecked(true);
            (action == "high" ? ui->high : ui->low)->setChecked(true);
            ui->vth->setText(value);
        } else if (action == "w") {
            ui->pulseWidth->setChecked(true);
            ui->mainComboBox->setCurrentText(v[1]);
            ui->subComboBox->setCurrentText(v[3]);
            if (!v[0].isEmpty())
                act("main:" + v[0]), act("sub:" + v[2]);
        } else if (action == "f") {
            ui->frequency->setChecked(true);
            dialog->pulseEntry()->typeComboBox->setCurrentText(v[0]);
            dialog->pulseEntry()->freqUnitComboBox->setCurrentText(v[1]);
            if (v.size() > 5)
                QCOMPARE(ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(),
                         v[4] + '|' + v[5]);
            if (v.size() > 3 && !v[2].isEmpty())
                act("main:" + v[2]), act("sub:" + v[3]);
        } else if (action == "main" || action == "sub") {
            (action == "main" ? ui->mainLineEdit : ui->subLineEdit)->setText(value);
        } else if (action == "port") {
            ui->comboBox->setCurrentText(value);
        } else {
            QCOMPARE(action, QString("name"));
            ui->lineEdit->setText(value);
        }
    }
    // The warnings of pressing OK; `steps` counts the undo steps it recorded.
    QString pressOk()
    {
        bench->warnings.clear();
        const int before = bench->host.snapshots;
        QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        steps = bench->host.snapshots - before;
        return bench->warnings.join("\n--\n");
    }
    // Registers of the image a download of the design writes ("address/width&mask=value ...").
    QString compiled(const QString &words)
    {
        MemoryModule module;
        if (!bench->data->download(&module))
            return "no download";
        return MemoryModule::words(words,
                                   [&module](quint32 a, int n) { return module.read(a, n); });
    }

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditInputDialog> dialog;
    Ui_EditInputDialog *ui = nullptr;
    ProgramWidget *sheet = nullptr;
    int steps = 0;
};

void TestEditInputDialog::opening_data()
{
    // port | settings | level radio | high | Vth | user control | oscillator | max width | height
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
    open(DesignKit(*bench->data).input(f[0], f[1]));
    const QString level = ui->nim->isChecked()                                 ? "nim"
                          : ui->ttl->isChecked()                               ? "ttl"
                          : ui->user->isChecked() && ui->property->isEnabled() ? "user"
                                                                               : "none";
    QCOMPARE(
        QStringList({ui->comboBox->currentText(), ui->lineEdit->text(), level,
                     QString::number(ui->high->isChecked()), ui->vth->text(),
                     QString::number(ui->userControl->isChecked()),
                     QString::number(!ui->oscillator->isHidden() && ui->oscillator->isEnabled()),
                     QString::number(dialog->maximumWidth()),
                     QString::number(dialog->maximumHeight())}),
        QStringList({f[0], f[0]}) + f.mid(2));
    QCOMPARE(ui->userControl->isEnabled(), f[0] != "IN-OPT");
    QCOMPARE(ui->input->isHidden(), f[0] == "IN-USER");
    QVERIFY(ui->output->isHidden() && !(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    if (f[0] == "IN-USER" && f[6] == "0")
        QCOMPARE(ui->mainLineEdit->text() + ui->subLineEdit->text(), QString("01"));
}

void TestEditInputDialog::levels_data()
{
    // port[/channel=settings of a copy on another sheet, met first by the compiler] | settings
    // | steps (;-separated, as act takes them) | warning title~text | stored
    // (empty: unchanged) | undo steps | compiled registers [| after the warning: steps before a
    // second OK, or cancel]
    QTest::addColumn<QString>("spec");
    const QString range = "IN-CH0~Please set Vth between -2.5V and 2.5V";
    const QString user = "||bUser=true bHigh=";
    const QString cut = QString(notice).replace('|', '~');
    const QString osc = "IN-USER|MainCnt=100nsec SubCnt=900nsec|";
    const QString width = "Invalid Setting~\"%1\" must be an integer number from %2 to 4294967295";
    // clang-format off
    QTest::newRow("unchanged NIM") << "IN-CH0||nim|||0|70/2=1720 6b/1&1=1";
    QTest::newRow("to TTL") << "IN-CH0||ttl||bUser=false bHigh=true Vth=3194|1|70/2=3194 6b/1&1=0";
    QTest::newRow("TTL back to NIM") << "IN-CH0|bUser=false bHigh=true Vth=3194|nim||bUser=false bHigh=false Vth=1720|1|70/2=1720 6b/1&1=1";
    QTest::newRow("threshold high") << "IN-CH0||high:1.25" + user + "true Vth=3071|1|70/2=3071 6b/1&1=0";
    QTest::newRow("threshold low") << "IN-CH0||low:-1.37" + user + "false Vth=925|1|70/2=925 6b/1&1=1";
    QTest::newRow("upper bound") << "IN-CH0||low:2.5" + user + "false Vth=4095|1|70/2=4095";
    QTest::newRow("lower bound") << "IN-CH0||low:-2.5" + user + "false Vth=0|1|70/2=0";
    QTest::newRow("above range") << "IN-CH0||low:2.51|" + range + "||0|";
    QTest::newRow("below range") << "IN-CH0||low:-2.51|" + range + "||0|";
    QTest::newRow("no number") << "IN-CH0||low:abc|" + range + "||0|";
    QTest::newRow("not a number") << "IN-CH0||low:nan|" + range + "||0|";
    QTest::newRow("infinite") << "IN-CH0||low:inf|" + range + "||0|";
    QTest::newRow("to user control") << "IN-CH0||control||bUserControl=true|1|";
    QTest::newRow("option port") << "IN-OPT||nim||bUserControl=true|1|";
    QTest::newRow("control given back") << "IN-CH0|bUserControl=true|release||bUser=false bHigh=false Vth=1720|1|70/2=1720";
    QTest::newRow("output default unchanged") << "OUT-CH5||out:10|||0|68/1&20=32 69/1&20=0";
    QTest::newRow("output both") << "OUT-CH5||out:11||bNIM=true bTTL=true |1|68/1&20=32 69/1&20=32";
    QTest::newRow("output LVTTL only") << "OUT-CH5||out:01||bNIM=false bTTL=true |1|68/1&20=0 69/1&20=32";
    QTest::newRow("output none") << "OUT-CH5|bNIM=true bTTL=true |out:00||bNIM=false bTTL=false |1|68/1&20=0 69/1&20=0";
    QTest::newRow("output stored unchanged") << "OUT-CH5|bNIM=false bTTL=true |out:01|||0|68/1&20=0 69/1&20=32";
    // The user input's oscillator: w: main,unit,sub,unit typed; f: type,unit,main,frequency
    // typed in frequency entry (none: as shown), shown first main,frequency.
    QTest::newRow("microseconds") << osc + "w:1.5,usec,2,usec||MainCnt=1.5usec SubCnt=2usec|1|88/4=1500 8c/4=1999";
    QTest::newRow("milliseconds at the limit") << osc + "w:4294.967295,msec,1,msec||MainCnt=4294.967295msec SubCnt=1msec|1|88/4=4294967295 8c/4=999999";
    QTest::newRow("seconds at the limit") << osc + "w:1,sec,4.294967295,sec||MainCnt=1sec SubCnt=4.294967295sec|1|88/4=1000000000 8c/4=4294967294";
    QTest::newRow("exact decimals") << osc + "w:1.005,usec,1.001,usec||MainCnt=1.005usec SubCnt=1.001usec|1|88/4=1005 8c/4=1000";
    QTest::newRow("true width zero, trimmed") << osc + "w: 0 ,nsec, 30,nsec||MainCnt=0nsec SubCnt=30nsec|1|88/4=0 8c/4=29";
    QTest::newRow("false width under a microsecond") << osc + "w:100,nsec,0.5,usec||MainCnt=100nsec SubCnt=0.5usec|1|88/4=100 8c/4=499";
    QTest::newRow("false width zero") << osc + "w:100,nsec,0,nsec|" + width.arg("False Width", "1") + "||0|";
    QTest::newRow("half a nanosecond in usec") << osc + "w:100,nsec,0.0005,usec|" + width.arg("False Width", "0.001") + "||0|";
    QTest::newRow("true width above") << osc + "w:4294.967296,msec,1,nsec|" + width.arg("True Width", "0") + "||0|";
    QTest::newRow("true width negative") << osc + "w:-1,nsec,1,nsec|" + width.arg("True Width", "0") + "||0|";
    QTest::newRow("false width infinite") << osc + "w:1,nsec,inf,nsec|" + width.arg("False Width", "1") + "||0|";
    QTest::newRow("fraction in usec") << osc + "w:1.0005,usec,3,nsec|" + cut + "1000.5 is rounded off and becomes 1000||0|";
    QTest::newRow("both cut") << osc + "w:1.5,nsec,2.7,nsec|" + cut + "1.5 is rounded off and becomes 1,\nand 2.7 is rounded off and becomes 2||0|";
    QTest::newRow("false width cut") << osc + "w:1,nsec,2.7,nsec|" + cut + "2.7 is rounded off and becomes 2||0|";
    QTest::newRow("frequency first in Hz") << osc + "f:True Width,Hz,,,100,1000000||MainCnt=100nsec SubCnt=900nsec Disp=Hz|1|88/4=100 8c/4=899";
    QTest::newRow("duty in KHz") << osc + "f:Duty,KHz,,,10,1000||MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|1|88/4=100 8c/4=899";
    QTest::newRow("MHz of usec widths") << "IN-USER|MainCnt=1.5usec SubCnt=2.5usec|f:True Width,MHz,,,1.5,0.25||MainCnt=1.5usec SubCnt=2.5usec Disp=MHz|1|88/4=1500 8c/4=2499";
    QTest::newRow("duty typed") << osc + "f:Duty,KHz,25,1000,10,1000||MainCnt=250nsec SubCnt=750nsec Disp=DutyKHz|1|88/4=250 8c/4=749";
    QTest::newRow("three hertz half duty") << osc + "f:Duty,Hz,50,3,10,1000000||MainCnt=166666666nsec SubCnt=166666667nsec Disp=DutyHz|1|88/4=166666666 8c/4=166666666";
    QTest::newRow("frequency zero") << osc + "f:True Width,KHz,100,0,100,1000|Invalid Setting~Frequency must be larger than 0.||0|";
    QTest::newRow("duty zero") << osc + "f:Duty,KHz,0,1000,10,1000|Invalid Setting~Duty must be larger than 0.||0|";
    QTest::newRow("duty full") << osc + "f:Duty,KHz,100,1000,10,1000|Invalid Setting~Duty must be less than 100%.||0|";
    QTest::newRow("reopened unchanged") << "IN-USER|MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|f:Duty,KHz,,,10,1000||MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|0|88/4=100 8c/4=899";
    QTest::newRow("back to widths drops Disp") << "IN-USER|MainCnt=100nsec SubCnt=900nsec Disp=Hz|w:,nsec,,nsec||MainCnt=100nsec SubCnt=900nsec|1|88/4=100 8c/4=899";
    QTest::newRow("typed forms unchanged") << "IN-USER|MainCnt=1.690sec SubCnt=1e-06msec|w:,sec,,msec|||0|88/4=1690000000";
    QTest::newRow("unit changed, value kept") << "IN-USER|MainCnt=1.5usec SubCnt=2usec|w:,nsec,,usec||MainCnt=1500nsec SubCnt=2usec|1|88/4=1500";
    QTest::newRow("same number, other unit") << "IN-USER|MainCnt=5usec SubCnt=2usec|w:5,nsec,2,usec||MainCnt=5nsec SubCnt=2usec|1|88/4=5";
    QTest::newRow("duty below a nanosecond") << osc + "f:Duty,MHz,5,100,10,1|" + width.arg("True Width", "1") + "||0|88/4=100";
    QTest::newRow("true width below a nanosecond") << osc + "f:True Width,MHz,0.5,100,100,1|" + width.arg("True Width", "1") + "||0|88/4=100";
    // A port move brings the group of the new port, with what the block brings along.
    QTest::newRow("level port to IN-USER") << "IN-CH0|bUser=false bHigh=true Vth=3194|port:IN-USER||MainCnt=0nsec SubCnt=1nsec|1|88/4=0 8c/4=0 6c/2=0";
    QTest::newRow("IN-USER to a level port") << osc + "port:IN-CH3||bUser=false bHigh=false Vth=1720|1|76/2=1720 6b/1&8=8 88/4=0";
    QTest::newRow("controlled IN-USER to a level port") << "IN-USER||port:IN-CH3||bUserControl=true|1|6c/2=8";
    // Refused, then mended and confirmed, or cancelled: what the user chose is what is stored.
    const QString refusedName = "|IN-USER~A name can consist only of the following characters:\nalphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";
    const QString inKHz = "IN-USER|MainCnt=100nsec SubCnt=900nsec Disp=KHz|";
    const QString tooSlow = "f:Duty,KHz,10,0.0001,10,1000";
    QTest::newRow("name refused in frequency entry") << osc + "f:True Width,KHz,,,100,1000;name:Ch 1" + refusedName + "|MainCnt=100nsec SubCnt=900nsec Disp=KHz|1|88/4=100|name:Clock";
    QTest::newRow("name refused, then Cancel") << osc + "f:True Width,KHz,,,100,1000;name:Ch 1" + refusedName + "||0||cancel";
    QTest::newRow("unit kept after a refused OK") << inKHz + "f:True Width,MHz,100.5,1,100,1|" + cut + "100.5 is rounded off and becomes 100|MainCnt=100nsec SubCnt=900nsec Disp=MHz|1||";
    QTest::newRow("width type kept after a refused OK") << inKHz + tooSlow + "|" + width.arg("False Width", "1") + "|MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz|1||main:10;sub:1000";
    QTest::newRow("new name, refused range, then Cancel") << inKHz + tooSlow + ";name:Clock|" + width.arg("False Width", "1") + "||0||cancel";
    // A channel's copies share its settings; a move onto a channel takes the channel's.
    const QString ttl = "bUser=false bHigh=true Vth=3194";
    const QString onOsc = "IN-CH4/IN-USER=MainCnt=100nsec SubCnt=900nsec|" + ttl + "|port:IN-USER";
    QTest::newRow("threshold of a copy") << "IN-CH0/IN-CH0=||high:1.25||bUser=true bHigh=true Vth=3071|1|70/2=3071 6b/1&1=0";
    QTest::newRow("oscillator of a copy") << "IN-USER/IN-USER=MainCnt=100nsec SubCnt=900nsec|MainCnt=100nsec SubCnt=900nsec|w:1.5,usec,2,usec||MainCnt=1.5usec SubCnt=2usec|1|88/4=1500 8c/4=1999";
    QTest::newRow("user control of a copy") << "IN-CH2/IN-CH2=" + ttl + "|" + ttl + "|control||bUserControl=true|1|6c/2=4";
    QTest::newRow("output levels of a copy") << "OUT-CH5/OUT-CH5=||out:01||bNIM=false bTTL=true |1|68/1&20=0 69/1&20=32";
    QTest::newRow("differing copies agree after a change") << "IN-CH0/IN-CH0=" + ttl + "||low:-1||bUser=true bHigh=false Vth=1229|1|70/2=1229 6b/1&1=1";
    QTest::newRow("differing copies, unchanged OK") << "IN-CH0/IN-CH0=" + ttl + "||nim|||0|70/2=3194";
    QTest::newRow("moved onto a channel") << "IN-CH4/IN-CH0=" + ttl + "||port:IN-CH0||" + ttl + "|1|70/2=3194 78/2=0";
    QTest::newRow("moved onto a channel and changed") << "IN-CH4/IN-CH0=" + ttl + "||port:IN-CH0;nim||bUser=false bHigh=false Vth=1720|1|70/2=1720 6b/1&1=1";
    QTest::newRow("moved onto an oscillator") << onOsc + "||MainCnt=100nsec SubCnt=900nsec|1|88/4=100 8c/4=899";
    QTest::newRow("onto an oscillator, back and away") << onOsc + ";port:IN-CH4;port:IN-CH6|||1|7c/2=3194 88/4=100";
    // clang-format on
    // Names, by the rule Rename follows; a name in use on IN-CH1 is "Stop". The stored column
    // holds the name shown afterwards.
    const QString characters = "IN-CH0~A name can consist only of the following characters:\n"
                               "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)|IN-CH0|0|";
    QTest::newRow("name of letters digits _ -") << "IN-CH0||name:Ch_1-a||Ch_1-a|1|";
    for (const QString bad : {"Ch 1", "Ch.1", ""})
        QTest::newRow(qPrintable("name " + bad)) << "IN-CH0||name:" + bad + '|' + characters;
    for (const QString taken : {"Stop", "IN-CH5", "IN-USER", "MsrCnt1", "OUT-CH0"})
        QTest::newRow(qPrintable("name " + taken))
            << "IN-CH0||name:" + taken + "|IN-CH0~\"" + taken +
                   "\" cannot be used or it is already in use.|IN-CH0|0|";
}

void TestEditInputDialog::levels()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    const QString port = f[0].section('/', 0, 0), copied = f[0].section('/', 1);
    const bool output = f[0].startsWith("OUT");
    DesignKit kit(*bench->data, 1);
    const auto make = [&](const QString &channel, const QString &settings, BlockItem *from) {
        return output ? kit.output(channel.right(1).toInt(), from, settings)
                      : kit.input(channel, settings);
    };
    const QString channel = copied.section('=', 0, 0), shared = copied.section('=', 1);
    BlockItem *copy = copied.isEmpty() ? nullptr : make(channel, shared, nullptr);
    kit.setSheet(0);
    BlockItem *block = make(port, f[1], output ? kit.input("IN-CH0") : nullptr);
    kit.input("IN-CH1")->setUserName("Stop");
    open(block);
    const QStringList todo = f[2].split(';');
    const QString action = todo[0].section(':', 0, 0);
    const QStringList v = todo[0].section(':', 1).split(',');
    const bool frequency = action == "f";
    const bool pulse = frequency || action == "w";
    if (output) {
        QVERIFY(ui->input->isHidden() && ui->userControl->isHidden() && ui->oscillator->isHidden());
        QCOMPARE(dialog->maximumSize(), QSize(200, 120));
    }
    QString movedTo = port;
    for (const QString &step : todo) {
        act(step);
        movedTo = step.startsWith("port:") ? step.mid(5) : movedTo;
    }
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString(f[3]).replace('~', '|'));
    if (pulse && !f[3].isEmpty()) // after a warning: back where the check began
        QCOMPARE(dialog->pulseEntry()->frequencyEntry, frequency);
    const bool retried = f.size() > 7;
    if (retried && f[7] == "cancel") {
        QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    } else if (retried) {
        for (const QString &step : f[7].split(';', Qt::SkipEmptyParts))
            act(step);
        QCOMPARE(pressOk(), QString());
    }
    QCOMPARE(action == "name" ? block->displayName() : block->params(),
             f[4].isEmpty() ? f[1] : f[4]);
    if (action != "name" && action != "port" && f[4].isEmpty())
        QCOMPARE(block->displayName(), port);
    QCOMPARE(block->name(), movedTo);
    if (copy) // as stored when it is of the block's channel now
        QCOMPARE(copy->params(), channel == block->name() && !f[4].isEmpty() ? f[4] : shared);
    QCOMPARE(bench->host.snapshots - before, f[5].toInt());
    const bool accepted = retried ? f[7] != "cancel" : f[3].isEmpty();
    QCOMPARE(dialog->result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(compiled(f[6]), f[6]);
    if (copy && accepted) { // its dialog shows what it holds
        open(copy);
        QCOMPARE(pressOk(), QString());
        QCOMPARE(steps, 0);
    }
    if (!pulse || !accepted)
        return;
    open(block); // reopened as stored
    PulseEntry *entry = dialog->pulseEntry();
    QCOMPARE(entry->frequencyEntry, frequency);
    if (frequency && !retried)
        QCOMPARE(entry->typeComboBox->currentText() + entry->freqUnitComboBox->currentText(),
                 v[0] + v[1]);
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
    auto ports = [this]() {
        QStringList texts;
        for (int i = 0; i < ui->comboBox->count(); ++i)
            texts << ui->comboBox->itemText(i);
        return texts.join(',');
    };

    // Only the ports free on this sheet, the block's own first; a port used on
    // another sheet brings that channel's name along.
    open(ch0);
    QCOMPARE(ports(), QString("IN-CH0,IN-CH1,IN-CH3,IN-CH4,IN-CH5,IN-CH6,IN-CH7,IN-OPT,IN-USER"));
    ui->comboBox->setCurrentText("IN-CH1");
    QCOMPARE(ui->lineEdit->text(), QString("Veto"));
    ui->comboBox->setCurrentText("IN-CH3");
    QCOMPARE(ui->lineEdit->text() + pressOk(), QString("IN-CH3"));
    QCOMPARE(steps, 1);
    QCOMPARE(ch0->name() + ch0->displayName() + farCh0->displayName(),
             QString("IN-CH3IN-CH3IN-CH0"));

    // Onto the channel of another sheet with a level change: one undo step
    // holds both, and the blocks share the channel's name.
    open(ch0);
    ui->comboBox->setCurrentText("IN-CH1");
    ui->ttl->setChecked(true);
    QString snapshot;
    bench->host.onSnapshot = [&snapshot, ch0]() { snapshot = ch0->params(); };
    QCOMPARE(pressOk(), QString());
    bench->host.onSnapshot = nullptr;
    QCOMPARE(steps, 1);
    const QString ttl = "bUser=false bHigh=true Vth=3194";
    QCOMPARE(ch0->name() + ch0->displayName() + ch0->params(), "IN-CH1Veto" + ttl);
    QCOMPARE(snapshot, ttl); // the settings were in place when the undo step was taken

    // A rename on its own port follows to the channel on every sheet.
    open(ch0);
    ui->lineEdit->setText("Trigger");
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->displayName() + farCh1->displayName() + farCh0->displayName(),
             QString("TriggerTriggerIN-CH0"));

    // Outputs: the free ports of the whole design; a port name follows the
    // port, a name the user gave stays.
    BlockItem *out2 = kit.output(2, ch0);
    kit.output(4, ch0);
    open(out2);
    QCOMPARE(ports(), QString("OUT-CH2,OUT-CH0,OUT-CH1,OUT-CH3,OUT-CH5,OUT-CH6,OUT-CH7"));
    ui->comboBox->setCurrentText("OUT-CH6");
    QCOMPARE(ui->lineEdit->text() + pressOk(), QString("OUT-CH6"));
    QCOMPARE(out2->kind() + out2->name(), QString("OUT-CH6OUT-CH6"));
    open(out2);
    ui->lineEdit->setText("Scaler");
    ui->comboBox->setCurrentText("OUT-CH7");
    QCOMPARE(ui->lineEdit->text() + pressOk(), QString("Scaler"));
    QCOMPARE(out2->kind() + out2->displayName(), QString("OUT-CH7Scaler"));
}

void TestEditInputDialog::editOpensChannelsAndCounters()
{
    bench->paletteDrop("CntFnc", sheet, {300, 300});
    bench->paletteDrop("OUT-CH", sheet, {600, 300});
    QString name = "IN-CH2";
    BlockItem *input = sheet->addInputItem(name);
    input->setUserName("Beam");
    const QList<BlockItem *> blocks{bench->at(sheet, ProgramWidget::FunctionColumn, 0), input,
                                    bench->at(sheet, ProgramWidget::OutputColumn, 0)};
    QVERIFY(!blocks.contains(nullptr));

    QVector<QPointer<QWidget>> opened;
    ModalHooks::setSettingsRunner([&opened](const ModalHooks::SettingsRequest &request) {
        opened.append(SettingsDialogs::create(request));
    });
    for (BlockItem *block : blocks)
        NIMActionEdit(QString(), block, sheet);
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());
    QCOMPARE(opened.size(), 3);
    QVERIFY(qobject_cast<EditCntFncDialog *>(opened[0]) &&
            qobject_cast<EditInputDialog *>(opened[1]) &&
            qobject_cast<EditInputDialog *>(opened[2]));
    QCOMPARE(opened[1]->findChild<QLineEdit *>("lineEdit")->text(), QString("Beam"));
    const QStringList titles{blocks[0]->displayName(), "Input", "OUT-CH"};
    for (int i = 0; i < 3; ++i) {
        const QPoint p = sheet->mapToGlobal(
            QPoint(blocks[i]->pos().x() - 100, qMin(blocks[i]->pos().y(), i ? 300 : 400)));
        QCOMPARE(opened[i]->windowTitle(), titles[i]);
        QCOMPARE(opened[i]->pos(), QPoint(qMax(p.x(), 20), qMax(p.y(), 50)));
    }
    qDeleteAll(opened);
}

QTEST_MAIN(TestEditInputDialog)
#include "tst_editinputdialog.moc"
