#include "blockitem.h"
#include "editcntfncdialog.h"
#include "editinputdialog.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "programdata.h"
#include "pulseentry.h"
#include "scriptedanswers.h"
#include "ui_editcntfncdialog.h"
#include "ui_editinputdialog.h"
#include "windowkit.h"
#include "workerprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

namespace {

const QByteArray design =
    WindowKit::entry("Input", 0, "IN-CH0") + WindowKit::entry("Input", 1, "IN-USER") +
    WindowKit::entry("PreLogic", 0, "PreLgc0",
                     "<net port=\"0\">IN-CH0</net><net port=\"1\">IN-USER</net>"
                     "<property>_A and _B</property>") +
    WindowKit::entry("CntFnc", 0, "CntFnc0", "<net port=\"0\">PreLgc0</net>") +
    WindowKit::entry("PostLogic", 0, "PstLgc0",
                     "<net port=\"0\">CntFnc0</net><property>_A</property>") +
    WindowKit::entry("OUT-CH3", 0, "OUT-CH3", "<net port=\"0\">PstLgc0</net>");

void clickOk(QDialogButtonBox *box)
{
    QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

} // namespace

class TestSettingsRoundTrip : public QObject, public WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void channelsAndCounter();

private:
    static BlockItem *block(MainWindow *window, const QString &name);
    static quint32 word(const ModuleEmulator &module, quint32 address, int width);
};

BlockItem *TestSettingsRoundTrip::block(MainWindow *window, const QString &name)
{
    ProgramData *data = window->design();
    for (const QVector<BlockItem *> *list :
         {&data->inputBlocks, &data->functionBlocks, &data->sinkBlocks}) {
        for (BlockItem *b : *list) {
            if (b->name() == name)
                return b;
        }
    }
    return nullptr;
}

quint32 TestSettingsRoundTrip::word(const ModuleEmulator &module, quint32 address, int width)
{
    const QByteArray bytes = module.peek(address, width);
    quint32 value = 0;
    for (char b : bytes)
        value = value << 8 | quint8(b);
    return value;
}

void TestSettingsRoundTrip::channelsAndCounter()
{
    ScriptedAnswers answers;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("roundtrip.zvr3");

    // Set in the dialogs.
    {
        auto window = newWindow(true);
        QByteArray text = document(design);
        QVERIFY(window->readXmlData(&text));
        ProgramWidget *sheet = window->sheetAt(0);

        EditCntFncDialog counter(block(window.get(), "CntFnc0"), nullptr);
        counter.form()->modeComboBox->setCurrentIndex(9);
        QTest::mouseClick(counter.form()->radioButtonFrequency, Qt::LeftButton);
        counter.pulseEntry()->typeComboBox->setCurrentText("Duty");
        counter.pulseEntry()->freqUnitComboBox->setCurrentText("MHz");
        counter.form()->mainLineEdit->setText("25");
        counter.form()->subLineEdit->setText("2");
        clickOk(counter.form()->buttonBox);
        QCOMPARE(counter.result(), int(QDialog::Accepted));

        EditInputDialog channel(sheet, block(window.get(), "IN-CH0"), nullptr);
        channel.form()->user->setChecked(true);
        channel.form()->high->setChecked(true);
        channel.form()->vth->setText("0.75");
        channel.form()->lineEdit->setText("Start");
        clickOk(channel.form()->buttonBox);
        QCOMPARE(channel.result(), int(QDialog::Accepted));

        EditInputDialog user(sheet, block(window.get(), "IN-USER"), nullptr);
        user.form()->userControl->setChecked(false);
        user.form()->mainComboBox->setCurrentText("usec");
        user.form()->mainLineEdit->setText("1.5");
        user.form()->subComboBox->setCurrentText("msec");
        user.form()->subLineEdit->setText("2");
        clickOk(user.form()->buttonBox);
        QCOMPARE(user.result(), int(QDialog::Accepted));

        EditInputDialog output(sheet, block(window.get(), "OUT-CH3"), nullptr);
        output.form()->nimOut->setChecked(false);
        output.form()->ttlOut->setChecked(true);
        clickOk(output.form()->buttonBox);
        QCOMPARE(output.result(), int(QDialog::Accepted));

        QVERIFY(answers.warnings.isEmpty());
        QVERIFY(window->save(path));
    }

    // Reopened: every dialog shows what was set.
    auto window = newWindow(true);
    window->open(path);
    QCOMPARE(window->currentFileName(), path);
    ProgramWidget *sheet = window->sheetAt(0);
    {
        EditCntFncDialog counter(block(window.get(), "CntFnc0"), nullptr);
        QCOMPARE(counter.form()->modeComboBox->currentIndex(), 9);
        QVERIFY(counter.pulseEntry()->frequencyEntry);
        QCOMPARE(counter.pulseEntry()->typeComboBox->currentText(), QStringLiteral("Duty"));
        QCOMPARE(counter.pulseEntry()->freqUnitComboBox->currentText(), QStringLiteral("MHz"));
        QCOMPARE(counter.form()->mainLineEdit->text(), QStringLiteral("25"));
        QCOMPARE(counter.form()->subLineEdit->text(), QStringLiteral("2"));
        QTest::mouseClick(counter.form()->radioButtonPulseWidth, Qt::LeftButton);
        QCOMPARE(counter.form()->mainLineEdit->text(), QStringLiteral("125"));
        QCOMPARE(counter.form()->subLineEdit->text(), QStringLiteral("375"));

        EditInputDialog channel(sheet, block(window.get(), "IN-CH0"), nullptr);
        QCOMPARE(channel.form()->lineEdit->text(), QStringLiteral("Start"));
        QVERIFY(channel.form()->user->isChecked() && channel.form()->high->isChecked());
        QCOMPARE(channel.form()->vth->text(), QStringLiteral("0.75"));

        EditInputDialog user(sheet, block(window.get(), "IN-USER"), nullptr);
        QVERIFY(!user.form()->userControl->isChecked());
        QCOMPARE(user.form()->mainLineEdit->text(), QStringLiteral("1.5"));
        QCOMPARE(user.form()->mainComboBox->currentText(), QStringLiteral("usec"));
        QCOMPARE(user.form()->subLineEdit->text(), QStringLiteral("2"));
        QCOMPARE(user.form()->subComboBox->currentText(), QStringLiteral("msec"));

        EditInputDialog output(sheet, block(window.get(), "OUT-CH3"), nullptr);
        QVERIFY(!output.form()->nimOut->isChecked() && output.form()->ttlOut->isChecked());
    }

    // Downloaded by the real worker to the emulator on 127.0.0.1.
    ModuleEmulator module;
    QString error;
    QVERIFY2(module.start(0, 0, &error), qPrintable(error));
    ProbeWorker worker(module);
    worker.setDesign(window->design(), false);
    WorkerProbe probe(&worker);
    QVERIFY(probe.run());
    QVERIFY2(probe.ok, qPrintable(probe.errorText));

    int unit = -1;
    for (int c = 0; c < 8; ++c) {
        if (window->design()->unitSlots[3 + c] == block(window.get(), "CntFnc0"))
            unit = c;
    }
    QVERIFY(unit >= 0);
    QCOMPARE(word(module, 0x0008 + unit, 1), 9u);
    QCOMPARE(word(module, 0x0020 + 8 * unit, 4), 125u);
    QCOMPARE(word(module, 0x0024 + 8 * unit, 4), 375u - 1); // counted from zero
    QCOMPARE(word(module, 0x0070, 2), 2662u);               // 0.75 V
    QCOMPARE(word(module, 0x006B, 1) & 0x01, 0u);           // active high
    QCOMPARE(word(module, 0x0068, 1) & 0x08, 0u);           // OUT-CH3 without NIM
    QCOMPARE(word(module, 0x0069, 1) & 0x08, 0x08u);        // with LVTTL
    QCOMPARE(word(module, 0x0088, 4), 1500u);
    QCOMPARE(word(module, 0x008C, 4), 2000000u - 1);
}

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settingsroundtrip.moc"
