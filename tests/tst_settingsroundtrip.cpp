#include "blockitem.h"
#include "editcntfncdialog.h"
#include "editinputdialog.h"
#include "mainwindow.h"
#include "memorymodule.h"
#include "moduleemulator.h"
#include "nimactionedit.h"
#include "programdata.h"
#include "programwidget.h"
#include "pulseentry.h"
#include "scriptedanswers.h"
#include "settingsdialogs.h"
#include "windowkit.h"
#include "workerprobe.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray design =
    WindowKit::entry("Input", 0, "IN-CH0") + WindowKit::entry("Input", 1, "IN-USER") +
    WindowKit::entry("PreLogic", 0, "PreLgc0",
                     "<net port=\"0\">IN-CH0</net><net port=\"1\">IN-USER</net>"
                     "<property>_A and _B</property>") +
    WindowKit::entry("CntFnc", 0, "CntFnc0", "<net port=\"0\">PreLgc0</net>") +
    WindowKit::entry("DlyFnc", 1, "DlyFnc0", "<net port=\"0\">PreLgc0</net>") +
    WindowKit::entry("PostLogic", 0, "PstLgc0",
                     "<net port=\"0\">CntFnc0</net><net port=\"1\">DlyFnc0</net>"
                     "<property>_A</property>") +
    WindowKit::entry("OUT-CH3", 0, "OUT-CH3", "<net port=\"0\">PstLgc0</net>") +
    WindowKit::entry("MsrCnt1", 1, "MsrCnt1", "<net port=\"0\">PstLgc0</net>");

// A widget of the dialog by object name; "type" and "freqUnit" are the pulse entry's lists.
QWidget *part(QWidget *dialog, const QString &name)
{
    PulseEntry *entry = nullptr;
    if (auto *counter = qobject_cast<EditCntFncDialog *>(dialog))
        entry = counter->pulseEntry();
    if (auto *channel = qobject_cast<EditInputDialog *>(dialog))
        entry = channel->pulseEntry();
    if (entry && (name == "type" || name == "freqUnit"))
        return name == "type" ? entry->typeComboBox : entry->freqUnitComboBox;
    return dialog->findChild<QWidget *>(name);
}

// "name=value;..." steps: "!" clicks the button; otherwise the text, check or list entry ("#n":
// the n-th) is set, or with `compare` checked.
void play(QWidget *dialog, const QString &steps, bool compare)
{
    for (const QString &step : steps.split(';')) {
        const QString name = step.section('=', 0, 0);
        const QString value = step.section('=', 1);
        QWidget *w = part(dialog, name);
        QVERIFY2(w, qPrintable(name));
        const bool index = value.startsWith('#');
        const char *key = index                            ? "currentIndex"
                          : w->inherits("QComboBox")       ? "currentText"
                          : w->inherits("QTextEdit")       ? "plainText"
                          : w->inherits("QAbstractButton") ? "checked"
                                                           : "text";
        if (value == "!")
            qobject_cast<QAbstractButton *>(w)->click();
        else if (compare)
            QCOMPARE(name + '=' + (index ? "#" : "") + w->property(key).toString(), step);
        else
            w->setProperty(key, index ? value.mid(1) : value);
    }
}

} // namespace

class TestSettingsRoundTrip : public QObject, public WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void everyKind_data();
    void everyKind();

private:
    // Opens the block's settings as the Edit action does, plays the steps and closes it.
    static BlockItem *block(MainWindow *window, const QString &name);
    static void edit(MainWindow *window, const QString &name, const QString &steps, bool compare);
};

BlockItem *TestSettingsRoundTrip::block(MainWindow *window, const QString &name)
{
    BlockItem *found = nullptr;
    ProgramData *data = window->design();
    for (const auto *list :
         {&data->inputBlocks, &data->preLogicBlocks, &data->functionBlocks, &data->sinkBlocks}) {
        for (BlockItem *b : *list)
            found = b->name() == name ? b : found;
    }
    return found;
}

void TestSettingsRoundTrip::edit(MainWindow *window, const QString &name, const QString &steps,
                                 bool compare)
{
    BlockItem *target = block(window, name);
    QVERIFY2(target, qPrintable(name));
    QPointer<QWidget> opened;
    ModalHooks::setSettingsRunner([&opened](const ModalHooks::SettingsRequest &request) {
        opened = SettingsDialogs::create(request);
    });
    NIMActionEdit(QString(), target, window->sheetAt(target->sheet()));
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());
    QVERIFY2(opened, qPrintable(name));
    play(opened, steps, compare);
    if (!compare) {
        auto *dialog = qobject_cast<QDialog *>(opened.data());
        dialog = dialog ? dialog : opened->findChild<QDialog *>(); // a logic dialog's scroll area
        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        if (qobject_cast<EditCntFncDialog *>(dialog) || qobject_cast<EditInputDialog *>(dialog))
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
    delete opened;
}

void TestSettingsRoundTrip::everyKind_data()
{
    // block | steps in the dialog | steps checked on reopening (empty: the same) | registers
    // downloaded to the emulator ("a+ku": address a plus k times the block's function unit)
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("logic") << "PreLgc0|textEdit=_A or _B||";
    QTest::newRow("counter duty") << "CntFnc0|modeComboBox=#9;radioButtonFrequency=!;type=Duty;freqUnit=MHz;mainLineEdit=25;subLineEdit=2"
        "|modeComboBox=#9;type=Duty;freqUnit=MHz;mainLineEdit=25;subLineEdit=2;radioButtonPulseWidth=!;mainLineEdit=125;subLineEdit=375"
        "|8+1u/1=9 20+8u/4=125 24+8u/4=374";
    QTest::newRow("delay") << "DlyFnc0|unitComboBox=us;delayEdit=1.234||10+2u/2=1234";
    QTest::newRow("measurement counter") << "MsrCnt1|m_areaComboBox=#1;m_enbComboBox=#3||61/1=13";
    QTest::newRow("input threshold") << "IN-CH0|user=true;high=true;vth=0.75;lineEdit=Start||70/2=2662 6b/1&1=0";
    QTest::newRow("user oscillator") << "IN-USER|userControl=false;mainComboBox=usec;mainLineEdit=1.5;subComboBox=msec;subLineEdit=2||88/4=1500 8c/4=1999999";
    QTest::newRow("output levels") << "OUT-CH3|nimOut=false;ttlOut=true||68/1&8=0 69/1&8=8";
    // clang-format on
}

void TestSettingsRoundTrip::everyKind()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    ScriptedAnswers answers;
    QTemporaryDir dir;
    const QString path = dir.filePath("roundtrip.zvr3");
    QByteArray before;
    {
        auto window = newWindow(true);
        QByteArray text = document(design);
        QVERIFY(window->readXmlData(&text));
        MemoryModule original;
        QVERIFY(window->design()->download(&original));
        before = original.image();
        edit(window.get(), f[0], f[1], false);
        QCOMPARE(answers.warnings.join("//"), QString());
        QVERIFY(window->save(path));
    }
    auto window = newWindow(true);
    window->open(path);
    QCOMPARE(window->currentFileName(), path);
    edit(window.get(), f[0], f[2].isEmpty() ? f[1] : f[2], true);

    // Downloaded by the real worker to the emulator on 127.0.0.1.
    ModuleEmulator module;
    QString error;
    QVERIFY2(module.start(0, 0, &error), qPrintable(error));
    ProbeWorker worker(module);
    worker.setDesign(window->design(), false);
    WorkerProbe probe(&worker);
    QVERIFY(probe.run());
    QVERIFY2(probe.ok, qPrintable(probe.errorText));
    MemoryModule expected;
    QVERIFY(window->design()->download(&expected));
    QCOMPARE(module.designImage(), expected.image());
    QVERIFY(module.designImage() != before); // the change took effect
    int unit = 0;
    for (int c = 0; c < 8; ++c) {
        const BlockItem *target = block(window.get(), f[0]);
        if (window->design()->unitSlots[3 + c] == target ||
            window->design()->unitSlots[ProgramData::delayUnitSlot[c]] == target)
            unit = c;
    }
    QCOMPARE(MemoryModule::words(
                 f[3], [&module](quint32 a, int n) { return module.peek(a, n); }, unit),
             f[3]);
}

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settingsroundtrip.moc"
