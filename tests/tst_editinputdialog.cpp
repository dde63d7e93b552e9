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
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QtEndian>

#include <memory>

class TestEditInputDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void thresholdCodes_data();
    void thresholdCodes();
    void opening_data();
    void opening();
    void levels_data();
    void levels();
    void outputs_data();
    void outputs();
    void portsAndNames();
    void nameRule_data();
    void nameRule();
    void pulseWidths_data();
    void pulseWidths();
    void pulseFrequency_data();
    void pulseFrequency();
    void pulseChecks_data();
    void pulseChecks();
    void editOpensChannelsAndCounters();

private:
    EditInputDialog *open(BlockItem *block);
    QString pressOk();
    // The register bytes a download of the design writes at the address.
    QByteArray compiled(quint32 address, int length);

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditInputDialog> dialog;
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

EditInputDialog *TestEditInputDialog::open(BlockItem *block)
{
    dialog.reset(new EditInputDialog(sheet, block, nullptr));
    return dialog.get();
}

QString TestEditInputDialog::pressOk()
{
    bench->warnings.clear();
    QTest::mouseClick(dialog->form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
    return bench->warnings.join(QStringLiteral("\n--\n"));
}

QByteArray TestEditInputDialog::compiled(quint32 address, int length)
{
    MemoryModule module;
    if (!bench->data->download(&module))
        return QByteArray();
    return module.read(address, length);
}

void TestEditInputDialog::thresholdCodes_data()
{
    QTest::addColumn<double>("volts");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    QTest::newRow("NIM") << -0.4 << 1720 << "-0.4";
    QTest::newRow("TTL") << 1.4 << 3194 << "1.4";
    QTest::newRow("lowest") << -2.5 << 0 << "-2.5";
    QTest::newRow("highest") << 2.5 << 4095 << "2.5";
    QTest::newRow("zero") << 0.0 << 2048 << "0";
    QTest::newRow("hundredths") << 1.25 << 3071 << "1.25";
    QTest::newRow("negative hundredths") << -1.37 << 925 << "-1.37";
}

void TestEditInputDialog::thresholdCodes()
{
    QFETCH(double, volts);
    QFETCH(int, code);
    QFETCH(QString, shown);
    QCOMPARE(EditInputDialog::vthToCode(volts), code);
    QCOMPARE(EditInputDialog::vthText(quint16(code)), shown);
}

void TestEditInputDialog::opening_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("level"); // nim, ttl, user
    QTest::addColumn<bool>("high");
    QTest::addColumn<QString>("vth");
    QTest::addColumn<bool>("userControl");
    QTest::addColumn<bool>("oscillator"); // shown and enabled
    QTest::addColumn<QSize>("maximum");

    QTest::newRow("plain input") << "IN-CH0"
                                 << ""
                                 << "nim" << false << "-0.4" << false << false << QSize(287, 272);
    QTest::newRow("ttl") << "IN-CH3"
                         << "bUser=false bHigh=true Vth=3194"
                         << "ttl" << true << "1.4" << false << false << QSize(287, 272);
    QTest::newRow("user threshold low")
        << "IN-CH1"
        << "bUser=true bHigh=false Vth=925"
        << "user" << false << "-1.37" << false << false << QSize(287, 272);
    QTest::newRow("user threshold high")
        << "IN-CH2"
        << "bUser=true bHigh=true Vth=4095"
        << "user" << true << "2.5" << false << false << QSize(287, 272);
    QTest::newRow("user control") << "IN-CH4"
                                  << "bUserControl=true"
                                  << "nim" << false << "-0.4" << true << false << QSize(287, 272);
    QTest::newRow("option port") << "IN-OPT"
                                 << ""
                                 << "nim" << false << "-0.4" << true << false << QSize(287, 272);
    QTest::newRow("user input, never edited")
        << "IN-USER"
        << ""
        << "nim" << false << "-0.4" << true << false << QSize(370, 272);
    QTest::newRow("user input oscillator")
        << "IN-USER"
        << "MainCnt=100nsec SubCnt=1.5usec"
        << "nim" << false << "-0.4" << false << true << QSize(370, 100);
}

void TestEditInputDialog::opening()
{
    QFETCH(QString, port);
    QFETCH(QString, settings);
    QFETCH(QString, level);
    QFETCH(bool, high);
    QFETCH(QString, vth);
    QFETCH(bool, userControl);
    QFETCH(bool, oscillator);
    QFETCH(QSize, maximum);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input(port, settings);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    QCOMPARE(ui->comboBox->currentText(), port);
    QCOMPARE(ui->lineEdit->text(), port);
    QCOMPARE(ui->nim->isChecked(), level == "nim");
    QCOMPARE(ui->ttl->isChecked(), level == "ttl");
    QCOMPARE(ui->user->isChecked(), level == "user");
    QCOMPARE(ui->property->isEnabled(), level == "user");
    QCOMPARE(ui->high->isChecked(), high);
    QCOMPARE(ui->vth->text(), vth);
    QCOMPARE(ui->userControl->isChecked(), userControl);
    QCOMPARE(ui->userControl->isEnabled(), port != "IN-OPT");
    QCOMPARE(!ui->oscillator->isHidden() && ui->oscillator->isEnabled(), oscillator);
    QCOMPARE(ui->input->isHidden(), port == "IN-USER");
    QVERIFY(ui->output->isHidden());
    QCOMPARE(dialog->maximumSize(), maximum);
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    if (port == "IN-USER" && !oscillator) {
        QCOMPARE(ui->mainLineEdit->text(), QStringLiteral("0"));
        QCOMPARE(ui->subLineEdit->text(), QStringLiteral("1"));
    }
}

void TestEditInputDialog::levels_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("action"); // nim, ttl, user:<high|low>:<volts>, control
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("threshold"); // compiled threshold of the channel, -1: not compiled

    const QString range = "IN-CH0|Please set Vth between -2.5V and 2.5V";
    QTest::newRow("unchanged NIM") << "IN-CH0"
                                   << ""
                                   << "nim"
                                   << ""
                                   << "" << 0 << 1720;
    QTest::newRow("to TTL") << "IN-CH0"
                            << ""
                            << "ttl"
                            << ""
                            << "bUser=false bHigh=true Vth=3194" << 1 << 3194;
    QTest::newRow("TTL back to NIM") << "IN-CH0"
                                     << "bUser=false bHigh=true Vth=3194"
                                     << "nim"
                                     << ""
                                     << "bUser=false bHigh=false Vth=1720" << 1 << 1720;
    QTest::newRow("threshold high") << "IN-CH0"
                                    << ""
                                    << "user:high:1.25"
                                    << ""
                                    << "bUser=true bHigh=true Vth=3071" << 1 << 3071;
    QTest::newRow("threshold low") << "IN-CH0"
                                   << ""
                                   << "user:low:-1.37"
                                   << ""
                                   << "bUser=true bHigh=false Vth=925" << 1 << 925;
    QTest::newRow("upper bound") << "IN-CH0"
                                 << ""
                                 << "user:low:2.5"
                                 << ""
                                 << "bUser=true bHigh=false Vth=4095" << 1 << 4095;
    QTest::newRow("lower bound") << "IN-CH0"
                                 << ""
                                 << "user:low:-2.5"
                                 << ""
                                 << "bUser=true bHigh=false Vth=0" << 1 << 0;
    QTest::newRow("above range") << "IN-CH0"
                                 << ""
                                 << "user:low:2.51" << range << "" << 0 << -1;
    QTest::newRow("below range") << "IN-CH0"
                                 << ""
                                 << "user:low:-2.51" << range << "" << 0 << -1;
    QTest::newRow("no number") << "IN-CH0"
                               << ""
                               << "user:low:abc" << range << "" << 0 << -1;
    QTest::newRow("empty") << "IN-CH0"
                           << ""
                           << "user:low:" << range << "" << 0 << -1;
    QTest::newRow("not a number") << "IN-CH0"
                                  << ""
                                  << "user:low:nan" << range << "" << 0 << -1;
    QTest::newRow("infinite") << "IN-CH0"
                              << ""
                              << "user:low:inf" << range << "" << 0 << -1;
    QTest::newRow("to user control") << "IN-CH0"
                                     << ""
                                     << "control"
                                     << ""
                                     << "bUserControl=true" << 1 << -1;
    QTest::newRow("option port stores user control") << "IN-OPT"
                                                     << ""
                                                     << "nim"
                                                     << ""
                                                     << "bUserControl=true" << 1 << -1;
    QTest::newRow("user control given back") << "IN-CH0"
                                             << "bUserControl=true"
                                             << "uncontrol"
                                             << ""
                                             << "bUser=false bHigh=false Vth=1720" << 1 << 1720;
}

void TestEditInputDialog::levels()
{
    QFETCH(QString, port);
    QFETCH(QString, settings);
    QFETCH(QString, action);
    QFETCH(QString, warning);
    QFETCH(QString, stored);
    QFETCH(int, steps);
    QFETCH(int, threshold);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input(port, settings);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    const QStringList parts = action.split(':');
    if (parts[0] == "nim")
        ui->nim->setChecked(true);
    else if (parts[0] == "ttl")
        ui->ttl->setChecked(true);
    else if (parts[0] == "control")
        ui->userControl->setChecked(true);
    else if (parts[0] == "uncontrol")
        ui->userControl->setChecked(false);
    if (parts[0] == "user") {
        ui->user->setChecked(true);
        (parts[1] == "high" ? ui->high : ui->low)->setChecked(true);
        ui->vth->setText(parts[2]);
    }
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), warning);
    QCOMPARE(block->params(), stored.isEmpty() ? settings : stored);
    QCOMPARE(bench->host.snapshots - before, steps);
    QCOMPARE(dialog->result(), int(warning.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
    if (threshold >= 0) {
        // What the compiler reads back from the text: the channel's threshold word.
        const QByteArray word = compiled(0x0070 + 2 * port.right(1).toUInt(), 2);
        QCOMPARE(int(quint8(word[0])) << 8 | quint8(word[1]), threshold);
        const quint8 polarity = quint8(compiled(0x006B, 1)[0]);
        QCOMPARE(bool(polarity & (1u << port.right(1).toUInt())), !ui->high->isChecked());
    }
}

void TestEditInputDialog::outputs_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("nim");
    QTest::addColumn<bool>("ttl");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("steps");

    QTest::newRow("default unchanged") << "" << true << false << "" << 0;
    QTest::newRow("both") << "" << true << true << "bNIM=true bTTL=true " << 1;
    QTest::newRow("LVTTL only") << "" << false << true << "bNIM=false bTTL=true " << 1;
    QTest::newRow("none") << "bNIM=true bTTL=true " << false << false << "bNIM=false bTTL=false "
                          << 1;
    QTest::newRow("stored unchanged")
        << "bNIM=false bTTL=true " << false << true << "bNIM=false bTTL=true " << 0;
}

void TestEditInputDialog::outputs()
{
    QFETCH(QString, settings);
    QFETCH(bool, nim);
    QFETCH(bool, ttl);
    QFETCH(QString, stored);
    QFETCH(int, steps);
    DesignKit kit(*bench->data);
    BlockItem *source = kit.input("IN-CH0");
    BlockItem *block = kit.output(5, source, settings);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    QVERIFY(ui->input->isHidden() && ui->userControl->isHidden() && ui->oscillator->isHidden());
    QCOMPARE(dialog->maximumSize(), QSize(200, 120));
    ui->nimOut->setChecked(nim);
    ui->ttlOut->setChecked(ttl);
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(block->params(), stored.isEmpty() ? settings : stored);
    QCOMPARE(bench->host.snapshots - before, steps);
    QCOMPARE(bool(quint8(compiled(0x0068, 1)[0]) & 0x20), nim);
    QCOMPARE(bool(quint8(compiled(0x0069, 1)[0]) & 0x20), ttl);
}

void TestEditInputDialog::portsAndNames()
{
    DesignKit kit(*bench->data);
    BlockItem *ch0 = kit.input("IN-CH0");
    kit.input("IN-CH2");
    kit.setSheet(1);
    ProgramWidget *second = bench->addSheet();
    BlockItem *farCh1 = kit.input("IN-CH1");
    farCh1->setUserName("Veto");
    BlockItem *farCh0 = kit.input("IN-CH0");
    kit.setSheet(0);
    sheet = bench->sheets.first();

    // Only the ports free on this sheet, the block's own first.
    open(ch0);
    Ui_EditInputDialog *ui = dialog->form();
    QStringList offered;
    for (int i = 0; i < ui->comboBox->count(); ++i)
        offered << ui->comboBox->itemText(i);
    QCOMPARE(offered, (QStringList{"IN-CH0", "IN-CH1", "IN-CH3", "IN-CH4", "IN-CH5", "IN-CH6",
                                   "IN-CH7", "IN-OPT", "IN-USER"}));

    // A port used on another sheet brings that channel's name along.
    ui->comboBox->setCurrentText("IN-CH1");
    QCOMPARE(ui->lineEdit->text(), QStringLiteral("Veto"));
    ui->comboBox->setCurrentText("IN-CH3");
    QCOMPARE(ui->lineEdit->text(), QStringLiteral("IN-CH3"));
    int before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->name(), QStringLiteral("IN-CH3"));
    QCOMPARE(ch0->displayName(), QStringLiteral("IN-CH3"));
    QCOMPARE(bench->host.snapshots - before, 1);
    QCOMPARE(farCh0->displayName(), QStringLiteral("IN-CH0"));

    // Moved onto the channel of another sheet, with a level change: one undo
    // step holds both, and the two blocks share the name.
    open(ch0);
    ui = dialog->form();
    ui->comboBox->setCurrentText("IN-CH1");
    ui->ttl->setChecked(true);
    before = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->name(), QStringLiteral("IN-CH1"));
    QCOMPARE(ch0->displayName(), QStringLiteral("Veto"));
    QCOMPARE(ch0->params(), QStringLiteral("bUser=false bHigh=true Vth=3194"));
    QCOMPARE(bench->host.snapshots - before, 1);

    // A rename on its own port follows to the channel's blocks on every sheet.
    open(ch0);
    ui = dialog->form();
    ui->lineEdit->setText("Trigger");
    QCOMPARE(pressOk(), QString());
    QCOMPARE(ch0->displayName(), QStringLiteral("Trigger"));
    QCOMPARE(farCh1->displayName(), QStringLiteral("Trigger"));
    QCOMPARE(farCh0->displayName(), QStringLiteral("IN-CH0"));

    // Cancel changes nothing.
    open(ch0);
    ui = dialog->form();
    ui->comboBox->setCurrentText("IN-CH5");
    ui->lineEdit->setText("Other");
    ui->user->setChecked(true);
    before = bench->host.snapshots;
    QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(ch0->name(), QStringLiteral("IN-CH1"));
    QCOMPARE(ch0->displayName(), QStringLiteral("Trigger"));
    QCOMPARE(ch0->params(), QStringLiteral("bUser=false bHigh=true Vth=3194"));
    QCOMPARE(bench->host.snapshots, before);
    Q_UNUSED(second);

    // Outputs: free ports of the whole design; a port name follows the port.
    BlockItem *out2 = kit.output(2, ch0);
    kit.output(4, ch0);
    open(out2);
    ui = dialog->form();
    offered.clear();
    for (int i = 0; i < ui->comboBox->count(); ++i)
        offered << ui->comboBox->itemText(i);
    QCOMPARE(offered.join(","), (QStringList{"OUT-CH2", "OUT-CH0", "OUT-CH1", "OUT-CH3", "OUT-CH5",
                                             "OUT-CH6", "OUT-CH7"})
                                    .join(","));
    ui->comboBox->setCurrentText("OUT-CH6");
    QCOMPARE(ui->lineEdit->text(), QStringLiteral("OUT-CH6"));
    QCOMPARE(pressOk(), QString());
    QCOMPARE(out2->kind(), QStringLiteral("OUT-CH6"));
    QCOMPARE(out2->name(), QStringLiteral("OUT-CH6"));
    // A name the user gave stays when the port changes.
    open(out2);
    ui = dialog->form();
    ui->lineEdit->setText("Scaler");
    ui->comboBox->setCurrentText("OUT-CH7");
    QCOMPARE(ui->lineEdit->text(), QStringLiteral("Scaler"));
    QCOMPARE(pressOk(), QString());
    QCOMPARE(out2->kind(), QStringLiteral("OUT-CH7"));
    QCOMPARE(out2->displayName(), QStringLiteral("Scaler"));
}

void TestEditInputDialog::nameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");

    const QString characters = "IN-CH0|A name can consist only of the following characters:\n"
                               "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";
    QTest::newRow("letters digits _ -") << "Ch_1-a"
                                        << "";
    QTest::newRow("blank") << "Ch 1" << characters;
    QTest::newRow("dot") << "Ch.1" << characters;
    QTest::newRow("empty") << "" << characters;
    QTest::newRow("name of another block")
        << "Stop"
        << "IN-CH0|\"Stop\" cannot be used or it is already in use.";
    QTest::newRow("another channel") << "IN-CH5"
                                     << "IN-CH0|\"IN-CH5\" cannot be used or it is already in use.";
    QTest::newRow("user port name") << "IN-USER"
                                    << "IN-CH0|\"IN-USER\" cannot be used or it is already in use.";
    QTest::newRow("counter name") << "MsrCnt1"
                                  << "IN-CH0|\"MsrCnt1\" cannot be used or it is already in use.";
}

void TestEditInputDialog::nameRule()
{
    QFETCH(QString, name);
    QFETCH(QString, warning);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input("IN-CH0");
    kit.input("IN-CH1")->setUserName("Stop");
    open(block);
    dialog->form()->lineEdit->setText(name);
    QCOMPARE(pressOk(), warning);
    QCOMPARE(block->displayName(), warning.isEmpty() ? name : QStringLiteral("IN-CH0"));
}

void TestEditInputDialog::pulseWidths_data()
{
    QTest::addColumn<QString>("fields"); // main|unit|sub|unit
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<quint32>("mainWord");
    QTest::addColumn<quint32>("subWord");

    const QString invalid = "Invalid Setting|";
    const QString head = invalid + "Because it is necessary to set Counter by a unit for 1ns,\n";
    QTest::newRow("nanoseconds") << "100|nsec|900|nsec"
                                 << ""
                                 << "MainCnt=100nsec SubCnt=900nsec" << 100u << 899u;
    QTest::newRow("microseconds") << "1.5|usec|2|usec"
                                  << ""
                                  << "MainCnt=1.5usec SubCnt=2usec" << 1500u << 1999u;
    QTest::newRow("milliseconds at the limit")
        << "4294.967295|msec|1|msec"
        << ""
        << "MainCnt=4294.967295msec SubCnt=1msec" << 4294967295u << 999999u;
    QTest::newRow("seconds at the limit")
        << "1|sec|4.294967295|sec"
        << ""
        << "MainCnt=1sec SubCnt=4.294967295sec" << 1000000000u << 4294967294u;
    QTest::newRow("exact decimals") << "1.005|usec|1.001|usec"
                                    << ""
                                    << "MainCnt=1.005usec SubCnt=1.001usec" << 1005u << 1000u;
    QTest::newRow("true width zero") << "0|nsec|1|nsec"
                                     << ""
                                     << "MainCnt=0nsec SubCnt=1nsec" << 0u << 0u;
    QTest::newRow("trimmed") << " 25 |nsec| 30|nsec"
                             << ""
                             << "MainCnt=25nsec SubCnt=30nsec" << 25u << 29u;
    QTest::newRow("false width zero")
        << "100|nsec|0|nsec"
        << invalid + "\"False Width\" must be an integer number from 1 to 4294967295"
        << "" << 0u << 0u;
    QTest::newRow("false width half a nanosecond in usec")
        << "100|nsec|0.0005|usec"
        << invalid + "\"False Width\" must be an integer number from 0.001 to 4294967295"
        << "" << 0u << 0u;
    QTest::newRow("true width above")
        << "4294.967296|msec|1|nsec"
        << invalid + "\"True Width\" must be an integer number from 0 "
                     "to 4294967295"
        << "" << 0u << 0u;
    QTest::newRow("true width negative")
        << "-1|nsec|1|nsec"
        << invalid + "\"True Width\" must be an integer number from "
                     "0 to 4294967295"
        << "" << 0u << 0u;
    QTest::newRow("false width infinite")
        << "1|nsec|inf|nsec"
        << invalid + "\"False Width\" must be an integer number from 1 to 4294967295"
        << "" << 0u << 0u;
    QTest::newRow("fraction of a nanosecond")
        << "1.5|nsec|3|nsec" << head + "1.5 is rounded off and becomes 1"
        << "" << 0u << 0u;
    QTest::newRow("fraction in usec")
        << "1.0005|usec|3|nsec" << head + "1000.5 is rounded off and becomes 1000"
        << "" << 0u << 0u;
    QTest::newRow("both cut") << "1.5|nsec|2.7|nsec"
                              << head + "1.5 is rounded off and becomes 1,\nand 2.7 is rounded off "
                                        "and becomes 2"
                              << "" << 0u << 0u;
    QTest::newRow("false width cut")
        << "1|nsec|2.7|nsec" << head + "2.7 is rounded off and becomes 2"
        << "" << 0u << 0u;
}

void TestEditInputDialog::pulseWidths()
{
    QFETCH(QString, fields);
    QFETCH(QString, warning);
    QFETCH(QString, stored);
    QFETCH(quint32, mainWord);
    QFETCH(quint32, subWord);
    DesignKit kit(*bench->data);
    const QString before = "MainCnt=7nsec SubCnt=7nsec";
    BlockItem *block = kit.input("IN-USER", before);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    const QStringList f = fields.split('|');
    ui->mainComboBox->setCurrentText(f[1]);
    ui->subComboBox->setCurrentText(f[3]);
    ui->mainLineEdit->setText(f[0]);
    ui->subLineEdit->setText(f[2]);
    QCOMPARE(pressOk(), warning);
    if (!warning.isEmpty()) {
        QCOMPARE(block->params(), before);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        return;
    }
    QCOMPARE(block->params(), stored);
    const QByteArray words = compiled(0x0088, 8);
    QCOMPARE(qFromBigEndian<quint32>(words.constData()), mainWord);
    QCOMPARE(qFromBigEndian<quint32>(words.constData() + 4), subWord);
    // Reopened: the widths as stored.
    open(block);
    QCOMPARE(dialog->form()->mainComboBox->currentText(), f[1]);
    QCOMPARE(dialog->form()->mainLineEdit->text(), f[0].trimmed());
}

void TestEditInputDialog::pulseFrequency_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("shown"); // main|frequency
    QTest::addColumn<QString>("edit");  // main|frequency typed, or empty
    QTest::addColumn<QString>("back");  // main|unit|sub|unit after width entry

    QTest::newRow("Hz first") << "MainCnt=100nsec SubCnt=900nsec"
                              << "True Width"
                              << "Hz"
                              << "100|1000000"
                              << ""
                              << "100|nsec|900|nsec";
    QTest::newRow("KHz") << "MainCnt=100nsec SubCnt=900nsec"
                         << "True Width"
                         << "KHz"
                         << "100|1000"
                         << ""
                         << "100|nsec|900|nsec";
    QTest::newRow("duty") << "MainCnt=100nsec SubCnt=900nsec"
                          << "Duty"
                          << "KHz"
                          << "10|1000"
                          << ""
                          << "100|nsec|900|nsec";
    QTest::newRow("MHz in usec") << "MainCnt=1.5usec SubCnt=2.5usec"
                                 << "True Width"
                                 << "MHz"
                                 << "1.5|0.25"
                                 << ""
                                 << "1.5|usec|2.5|usec";
    QTest::newRow("three hertz half duty") << "MainCnt=100nsec SubCnt=900nsec"
                                           << "Duty"
                                           << "Hz"
                                           << "10|1000000"
                                           << "50|3"
                                           << "166666666|nsec|166666667|nsec";
}

void TestEditInputDialog::pulseFrequency()
{
    QFETCH(QString, settings);
    QFETCH(QString, type);
    QFETCH(QString, unit);
    QFETCH(QString, shown);
    QFETCH(QString, edit);
    QFETCH(QString, back);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input("IN-USER", settings);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    PulseEntry *entry = dialog->pulseEntry();
    ui->frequency->setChecked(true);
    QCOMPARE(ui->labelSub->text(), QStringLiteral("&Frequency"));
    entry->typeComboBox->setCurrentText(type);
    entry->freqUnitComboBox->setCurrentText(unit);
    const QStringList s = shown.split('|');
    QCOMPARE(ui->mainLineEdit->text(), s[0]);
    QCOMPARE(ui->subLineEdit->text(), s[1]);
    if (!edit.isEmpty()) {
        const QStringList e = edit.split('|');
        ui->mainLineEdit->setText(e[0]);
        ui->subLineEdit->setText(e[1]);
    }
    ui->pulseWidth->setChecked(true);
    const QStringList b = back.split('|');
    QCOMPARE(ui->mainLineEdit->text(), b[0]);
    QCOMPARE(ui->mainComboBox->currentText(), b[1]);
    QCOMPARE(ui->subLineEdit->text(), b[2]);
    QCOMPARE(ui->subComboBox->currentText(), b[3]);
    QCOMPARE(ui->labelMain->text(), QStringLiteral("&True Width"));
}

void TestEditInputDialog::pulseChecks_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("entry"); // main|frequency, or empty for unchanged
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("stored");

    const QString invalid = "Invalid Setting|";
    const QString plain = "MainCnt=100nsec SubCnt=900nsec";
    QTest::newRow("frequency zero")
        << plain << "True Width"
        << "KHz"
        << "100|0" << invalid + "Frequency must be larger than 0." << plain;
    QTest::newRow("frequency negative")
        << plain << "True Width"
        << "KHz"
        << "100|-5" << invalid + "Frequency must be larger than 0." << plain;
    QTest::newRow("duty zero") << plain << "Duty"
                               << "KHz"
                               << "0|1000" << invalid + "Duty must be larger than 0." << plain;
    QTest::newRow("duty full") << plain << "Duty"
                               << "KHz"
                               << "100|1000" << invalid + "Duty must be less than 100%." << plain;
    QTest::newRow("duty stored as widths") << plain << "Duty"
                                           << "KHz"
                                           << "25|1000"
                                           << ""
                                           << "MainCnt=250nsec SubCnt=750nsec Disp=DutyKHz";
    QTest::newRow("unchanged block stores the display unit")
        << plain << "True Width"
        << "KHz"
        << ""
        << ""
        << "MainCnt=100nsec SubCnt=900nsec Disp=KHz";
    QTest::newRow("reopened duty unchanged") << "MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz"
                                             << "Duty"
                                             << "KHz"
                                             << ""
                                             << ""
                                             << "MainCnt=100nsec SubCnt=900nsec Disp=DutyKHz";
}

void TestEditInputDialog::pulseChecks()
{
    QFETCH(QString, settings);
    QFETCH(QString, type);
    QFETCH(QString, unit);
    QFETCH(QString, entry);
    QFETCH(QString, warning);
    QFETCH(QString, stored);
    DesignKit kit(*bench->data);
    BlockItem *block = kit.input("IN-USER", settings);
    open(block);
    Ui_EditInputDialog *ui = dialog->form();
    PulseEntry *pulse = dialog->pulseEntry();
    ui->frequency->setChecked(true);
    pulse->typeComboBox->setCurrentText(type);
    pulse->freqUnitComboBox->setCurrentText(unit);
    if (!entry.isEmpty()) {
        const QStringList e = entry.split('|');
        ui->mainLineEdit->setText(e[0]);
        ui->subLineEdit->setText(e[1]);
    }
    const int before = bench->host.snapshots;
    QCOMPARE(pressOk(), warning);
    QCOMPARE(block->params(), stored);
    QCOMPARE(bench->host.snapshots - before, settings == stored ? 0 : 1);
    if (warning.isEmpty()) {
        // Reopened in frequency entry with the same choices.
        open(block);
        QVERIFY(dialog->pulseEntry()->frequencyEntry);
        QCOMPARE(dialog->pulseEntry()->typeComboBox->currentText(), type);
        QCOMPARE(dialog->pulseEntry()->freqUnitComboBox->currentText(), unit);
    }
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
    QCOMPARE(opened[1]->windowTitle(), QStringLiteral("Input"));
    QCOMPARE(opened[1]->pos(), at(input, 300));
    QCOMPARE(opened[1]->findChild<QLineEdit *>("lineEdit")->text(), QStringLiteral("Beam"));
    QVERIFY(qobject_cast<EditInputDialog *>(opened[2]));
    QCOMPARE(opened[2]->windowTitle(), QStringLiteral("OUT-CH"));
    QCOMPARE(opened[2]->pos(), at(output, 300));
    qDeleteAll(opened);
}

QTEST_MAIN(TestEditInputDialog)
#include "tst_editinputdialog.moc"
