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
#include "tablerow.h"
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
const QString characters = "A name can consist only of the following characters:\n"
                           "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";

// The oscillator's entry refused at the first OK, then corrected (or
// cancelled) before the second; steps as the dialog's `act` takes them.
struct RetryCase {
    QString settings;
    QStringList first;
    QString warning;
    QString shown; // main|frequency or sub|entry (F or W) after the refusal
    QStringList second;
    QString stored, name; // stored empty: unchanged
    int steps;
};

// One channel on two sheets. `second` is the settings of its copy on the
// second sheet, "drop" for a copy dropped there from the palette, or
// "channel:settings" for a block of another channel there. `stored` is what
// every copy holds afterwards; empty: each what it held.
struct CopyCase {
    QString channel, first, second;
    int edited; // the sheet whose block the dialog edits, 0 or 1
    QStringList steps;
    QString stored;
    int undoSteps;
    QString registers;
};

} // namespace

Q_DECLARE_METATYPE(RetryCase)
Q_DECLARE_METATYPE(CopyCase)

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
    void retries_data();
    void retries();
    void channelCopies_data();
    void channelCopies();
    void portsAndNames();
    void editOpensChannelsAndCounters();

private:
    void open(BlockItem *block, ProgramWidget *on = nullptr)
    {
        dialog.reset(new EditInputDialog(on ? on : sheet, block, nullptr));
        ui = dialog->form();
    }
    // One step of the user in the dialog: a level (nim, ttl, high:V, low:V),
    // control or release, output levels (out:NT), widths (w:main,unit,sub,unit,
    // empty texts left alone), frequency entry (f:type,unit), the entry (F, W),
    // a frequency unit (unit:KHz), the width type (type:Duty), field texts
    // (main:V, sub:V), a name (name:V) or a port (port:V).
    void act(const QString &step)
    {
        const QString action = step.section(':', 0, 0);
        const QString value = step.section(':', 1);
        const QStringList v = value.split(',');
        PulseEntry *entry = dialog->pulseEntry();
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
            act("W");
            ui->mainComboBox->setCurrentText(v[1]);
            ui->subComboBox->setCurrentText(v[3]);
            if (!v[0].isEmpty()) {
                act("main:" + v[0]);
                act("sub:" + v[2]);
            }
        } else if (action == "f") {
            act("F");
            act("type:" + v[0]);
            act("unit:" + v[1]);
        } else if (action == "F" || action == "W") {
            (action == "F" ? ui->frequency : ui->pulseWidth)->setChecked(true);
        } else if (action == "unit") {
            entry->freqUnitComboBox->setCurrentText(value);
        } else if (action == "type") {
            entry->typeComboBox->setCurrentText(value);
        } else if (action == "main" || action == "sub") {
            (action == "main" ? ui->mainLineEdit : ui->subLineEdit)->setText(value);
        } else if (action == "name") {
            ui->lineEdit->setText(value);
        } else if (action == "port") {
            ui->comboBox->setCurrentText(value);
        } else {
            QFAIL(qPrintable("no step " + step));
        }
    }
    QString fields() const { return ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(); }
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
    // port | settings | action | warning title~text | stored (empty: unchanged) | undo steps
    // | compiled registers
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
    QTest::newRow("duty below a nanosecond") << osc + "f:Duty,MHz,5,100,10,1|" + width.arg("True Width", "1") + "||0|88/4=100";
    QTest::newRow("true width below a nanosecond") << osc + "f:True Width,MHz,0.5,100,100,1|" + width.arg("True Width", "1") + "||0|88/4=100";
    // A port move brings the group of the new port, with what the block brings along.
    QTest::newRow("level port to IN-USER") << "IN-CH0|bUser=false bHigh=true Vth=3194|port:IN-USER||MainCnt=0nsec SubCnt=1nsec|1|88/4=0 8c/4=0 6c/2=0";
    QTest::newRow("IN-USER to a level port") << osc + "port:IN-CH3||bUser=false bHigh=false Vth=1720|1|76/2=1720 6b/1&8=8 88/4=0";
    QTest::newRow("controlled IN-USER to a level port") << "IN-USER||port:IN-CH3||bUserControl=true|1|6c/2=8";
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
    DesignKit kit(*bench->data);
    const bool output = f[0].startsWith("OUT");
    BlockItem *block = output ? kit.output(f[0].right(1).toInt(), kit.input("IN-CH0"), f[1])
                              : kit.input(f[0], f[1]);
    kit.input("IN-CH1")->setUserName("Stop");
    open(block);
    const QString action = f[2].section(':', 0, 0);
    const QStringList v = f[2].section(':', 1).split(',');
    const bool frequency = action == "f";
    const bool pulse = frequency || action == "w";
    PulseEntry *entry = dialog->pulseEntry();
    if (output) {
        QVERIFY(ui->input->isHidden() && ui->userControl->isHidden() && ui->oscillator->isHidden());
        QCOMPARE(dialog->maximumSize(), QSize(200, 120));
    }
    if (frequency) {
        act("f:" + v[0] + ',' + v[1]);
        QCOMPARE(fields(), v[4] + '|' + v[5]);
        if (!v[2].isEmpty()) {
            act("main:" + v[2]);
            act("sub:" + v[3]);
        }
    } else {
        act(f[2]);
    }
    QCOMPARE(pressOk(), QString(f[3]).replace('~', '|'));
    QCOMPARE(action == "name" ? block->displayName() : block->params(),
             f[4].isEmpty() ? f[1] : f[4]);
    if (action == "port")
        QCOMPARE(block->name(), f[2].section(':', 1));
    QCOMPARE(steps, f[5].toInt());
    QCOMPARE(dialog->result(), int(f[3].isEmpty() ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(compiled(f[6]), f[6]);
    if (pulse && f[3].isEmpty()) {
        open(block); // reopened as stored
        entry = dialog->pulseEntry();
    }
    if (pulse) // after a warning: back where the check began
        QCOMPARE(entry->frequencyEntry, frequency);
    if (frequency && f[3].isEmpty())
        QCOMPARE(entry->typeComboBox->currentText() + entry->freqUnitComboBox->currentText(),
                 v[0] + v[1]);
}

void TestEditInputDialog::retries_data()
{
    const Table<RetryCase> add("c");
    const QString osc = "MainCnt=100nsec SubCnt=900nsec";
    const QString refused = "IN-USER|" + characters;
    const QString falseWidth =
        invalid + "\"False Width\" must be an integer number from 1 to 4294967295";
    const QString tiny = "99.9999999|0.000999999999|F";
    // clang-format off
    add("name refused in frequency entry", {osc, {"F", "unit:KHz", "name:Ch 1"}, refused, "100|1000|F", {"name:Clock"}, osc + " Disp=KHz", "Clock", 1});
    add("name refused, then Cancel", {osc, {"F", "unit:KHz", "name:Ch 1"}, refused, "100|1000|F", {"cancel"}, "", "IN-USER", 0});
    add("unit kept after a refused OK", {osc + " Disp=KHz", {"unit:MHz", "main:100.5"}, notice + "100.5 is rounded off and becomes 100", "100|1|F", {}, osc + " Disp=MHz", "IN-USER", 1});
    add("width type kept after a refused OK", {osc + " Disp=KHz", {"type:Duty", "sub:0.0001"}, falseWidth, tiny, {"main:10", "sub:1000"}, osc + " Disp=DutyKHz", "IN-USER", 1});
    add("refused range with a new name, then Cancel", {osc + " Disp=KHz", {"type:Duty", "sub:0.0001", "name:Clock"}, falseWidth, tiny, {"cancel"}, "", "IN-USER", 0});
    // clang-format on
}

void TestEditInputDialog::retries()
{
    QFETCH(RetryCase, c);
    BlockItem *block = DesignKit(*bench->data).input("IN-USER", c.settings);
    open(block);
    for (const QString &step : c.first)
        act(step);
    QCOMPARE(pressOk(), c.warning);
    const int before = bench->host.snapshots;
    QCOMPARE(fields() + (dialog->pulseEntry()->frequencyEntry ? "|F" : "|W"), c.shown);
    QCOMPARE(block->params() + block->displayName(), c.settings + "IN-USER");
    if (c.second == QStringList{"cancel"}) {
        QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(dialog->isHidden());
    } else {
        for (const QString &step : c.second)
            act(step);
        QCOMPARE(pressOk(), QString());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
    QCOMPARE(block->params(), c.stored.isEmpty() ? c.settings : c.stored);
    QCOMPARE(block->displayName(), c.name);
    QCOMPARE(bench->host.snapshots - before, c.steps);
}

void TestEditInputDialog::channelCopies_data()
{
    const Table<CopyCase> add("c");
    const QString ttl = "bUser=false bHigh=true Vth=3194";
    const QString osc = "MainCnt=100nsec SubCnt=900nsec";
    // clang-format off
    add("threshold through the second sheet", {"IN-CH0", "", "", 1, {"high:1.25"}, "bUser=true bHigh=true Vth=3071", 1, "70/2=3071 6b/1&1=0"});
    add("oscillator through the second sheet", {"IN-USER", osc, osc, 1, {"w:1.5,usec,2,usec"}, "MainCnt=1.5usec SubCnt=2usec", 1, "88/4=1500 8c/4=1999"});
    add("user control through the first sheet", {"IN-CH2", ttl, ttl, 0, {"control"}, "bUserControl=true", 1, "6c/2=4"});
    add("outputs", {"OUT-CH5", "", "", 1, {"out:01"}, "bNIM=false bTTL=true ", 1, "68/1&20=0 69/1&20=32"});
    add("differing copies agree after a change", {"IN-CH0", ttl, "", 1, {"low:-1"}, "bUser=true bHigh=false Vth=1229", 1, "70/2=1229 6b/1&1=1"});
    add("differing copies, unchanged OK", {"IN-CH0", ttl, "", 1, {}, "", 0, "70/2=3194"});
    add("dropped copy", {"IN-CH0", ttl, "drop", 1, {"ttl"}, ttl, 0, "70/2=3194 6b/1&1=0"});
    add("moved onto the channel", {"IN-CH0", ttl, "IN-CH4:", 1, {"port:IN-CH0"}, ttl, 1, "70/2=3194 78/2=0"});
    add("moved onto the channel and changed", {"IN-CH0", ttl, "IN-CH4:", 1, {"port:IN-CH0", "nim"}, "bUser=false bHigh=false Vth=1720", 1, "70/2=1720 6b/1&1=1"});
    add("moved onto the oscillator", {"IN-USER", osc, "IN-CH4:" + ttl, 1, {"port:IN-USER"}, osc, 1, "88/4=100 8c/4=899"});
    add("moved onto the oscillator, back and away", {"IN-USER", osc, "IN-CH4:" + ttl, 1, {"port:IN-USER", "port:IN-CH4", "port:IN-CH6"}, "", 1, "7c/2=3194 88/4=100"});
    // clang-format on
}

void TestEditInputDialog::channelCopies()
{
    QFETCH(CopyCase, c);
    const bool output = c.channel.startsWith("OUT");
    ProgramWidget *sheets[2] = {sheet, bench->addSheet()};
    DesignKit kit(*bench->data);
    auto place = [&](int on, const QString &channel, const QString &settings) {
        kit.setSheet(on);
        return output ? kit.output(channel.right(1).toInt(), nullptr, settings)
                      : kit.input(channel, settings);
    };
    BlockItem *copies[2] = {place(0, c.channel, c.first), nullptr};
    if (c.second == "drop") {
        bench->paletteDrop("Input", sheets[1], {20, 600});
        copies[1] = bench->at(sheets[1], ProgramWidget::InputColumn, 0);
        QCOMPARE(copies[1]->name(), c.channel);
    } else if (c.second.contains(':')) {
        copies[1] = place(1, c.second.section(':', 0, 0), c.second.section(':', 1));
    } else {
        copies[1] = place(1, c.channel, c.second);
    }
    const QString held[2] = {copies[0]->params(), copies[1]->params()};
    open(copies[c.edited], sheets[c.edited]);
    for (const QString &step : c.steps)
        act(step);
    QCOMPARE(pressOk(), QString());
    QCOMPARE(steps, c.undoSteps);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(copies[i]->params(), c.stored.isEmpty() ? held[i] : c.stored);
    QCOMPARE(compiled(c.registers), c.registers);
    // What the other copy's dialog shows is what was stored.
    open(copies[1 - c.edited], sheets[1 - c.edited]);
    QCOMPARE(pressOk(), QString());
    QCOMPARE(steps, 0);
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
