#include "blockitem.h"
#include "editcntfncdialog.h"
#include "editdlyfncdialog.h"
#include "editinputdialog.h"
#include "editlogicdialog.h"
#include "editmsrcntdialog.h"
#include "mainwindow.h"
#include "memorymodule.h"
#include "moduleemulator.h"
#include "nimactionedit.h"
#include "programdata.h"
#include "programwidget.h"
#include "pulseentry.h"
#include "scriptedanswers.h"
#include "settingsdialogs.h"
#include "ui_editcntfncdialog.h"
#include "ui_editinputdialog.h"
#include "windowkit.h"
#include "workerprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QtEndian>

#include <functional>
#include <memory>

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

template <class T> T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

void clickOk(QWidget *dialog)
{
    QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

} // namespace

class TestSettingsRoundTrip : public QObject, public WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void everyKind();

private:
    static BlockItem *block(MainWindow *window, const QString &name);
    static quint32 word(const ModuleEmulator &module, quint32 address, int width);
    // Opens the block's settings as the Edit action does and hands the dialog
    // (for a logic block its scroll-area window) to `use`; closes it after.
    static void edit(MainWindow *window, const QString &name,
                     const std::function<void(QWidget *)> &use);
};

BlockItem *TestSettingsRoundTrip::block(MainWindow *window, const QString &name)
{
    ProgramData *data = window->design();
    for (const QVector<BlockItem *> *list :
         {&data->inputBlocks, &data->preLogicBlocks, &data->functionBlocks, &data->postLogicBlocks,
          &data->sinkBlocks}) {
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

void TestSettingsRoundTrip::edit(MainWindow *window, const QString &name,
                                 const std::function<void(QWidget *)> &use)
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
    use(opened);
    delete opened;
}

void TestSettingsRoundTrip::everyKind()
{
    ScriptedAnswers answers;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("roundtrip.zvr3");
    QByteArray before;

    // Set in the dialogs.
    {
        auto window = newWindow(true);
        QByteArray text = document(design);
        QVERIFY(window->readXmlData(&text));
        MemoryModule original;
        QVERIFY(window->design()->download(&original));
        before = original.read(0x2000, 0x0800);

        edit(window.get(), "PreLgc0", [](QWidget *w) {
            auto *logic = qobject_cast<EditLogicDialog *>(qobject_cast<QScrollArea *>(w)->widget());
            QVERIFY(logic);
            child<QTextEdit>(logic, "textEdit")->setPlainText("_A or _B");
            clickOk(logic);
        });
        edit(window.get(), "CntFnc0", [](QWidget *w) {
            auto *counter = qobject_cast<EditCntFncDialog *>(w);
            QVERIFY(counter);
            counter->form()->modeComboBox->setCurrentIndex(9);
            QTest::mouseClick(counter->form()->radioButtonFrequency, Qt::LeftButton);
            counter->pulseEntry()->typeComboBox->setCurrentText("Duty");
            counter->pulseEntry()->freqUnitComboBox->setCurrentText("MHz");
            counter->form()->mainLineEdit->setText("25");
            counter->form()->subLineEdit->setText("2");
            clickOk(counter);
            QCOMPARE(counter->result(), int(QDialog::Accepted));
        });
        edit(window.get(), "DlyFnc0", [](QWidget *w) {
            QVERIFY(qobject_cast<EditDlyFncDialog *>(w));
            child<QComboBox>(w, "unitComboBox")->setCurrentText("us");
            child<QLineEdit>(w, "delayEdit")->setText("1.234");
            clickOk(w);
        });
        edit(window.get(), "MsrCnt1", [](QWidget *w) {
            QVERIFY(qobject_cast<EditMsrCntDialog *>(w));
            child<QComboBox>(w, "m_areaComboBox")->setCurrentIndex(1);
            child<QComboBox>(w, "m_enbComboBox")->setCurrentIndex(3);
            clickOk(w);
        });
        edit(window.get(), "IN-CH0", [](QWidget *w) {
            auto *channel = qobject_cast<EditInputDialog *>(w);
            QVERIFY(channel);
            channel->form()->user->setChecked(true);
            channel->form()->high->setChecked(true);
            channel->form()->vth->setText("0.75");
            channel->form()->lineEdit->setText("Start");
            clickOk(channel);
            QCOMPARE(channel->result(), int(QDialog::Accepted));
        });
        edit(window.get(), "IN-USER", [](QWidget *w) {
            auto *user = qobject_cast<EditInputDialog *>(w);
            QVERIFY(user);
            user->form()->userControl->setChecked(false);
            user->form()->mainComboBox->setCurrentText("usec");
            user->form()->mainLineEdit->setText("1.5");
            user->form()->subComboBox->setCurrentText("msec");
            user->form()->subLineEdit->setText("2");
            clickOk(user);
            QCOMPARE(user->result(), int(QDialog::Accepted));
        });
        edit(window.get(), "OUT-CH3", [](QWidget *w) {
            auto *output = qobject_cast<EditInputDialog *>(w);
            QVERIFY(output);
            output->form()->nimOut->setChecked(false);
            output->form()->ttlOut->setChecked(true);
            clickOk(output);
        });
        QCOMPARE(answers.warnings.join("//"), QString());
        QVERIFY(window->save(path));
    }

    // Reopened: the pulse dialogs show what was set, in the entry it was set in.
    auto window = newWindow(true);
    window->open(path);
    QCOMPARE(window->currentFileName(), path);
    edit(window.get(), "CntFnc0", [](QWidget *w) {
        auto *counter = qobject_cast<EditCntFncDialog *>(w);
        QCOMPARE(counter->form()->modeComboBox->currentIndex(), 9);
        QVERIFY(counter->pulseEntry()->frequencyEntry);
        QCOMPARE(counter->pulseEntry()->typeComboBox->currentText(), QStringLiteral("Duty"));
        QCOMPARE(counter->pulseEntry()->freqUnitComboBox->currentText(), QStringLiteral("MHz"));
        QCOMPARE(counter->form()->mainLineEdit->text(), QStringLiteral("25"));
        QCOMPARE(counter->form()->subLineEdit->text(), QStringLiteral("2"));
        QTest::mouseClick(counter->form()->radioButtonPulseWidth, Qt::LeftButton);
        QCOMPARE(counter->form()->mainLineEdit->text(), QStringLiteral("125"));
        QCOMPARE(counter->form()->subLineEdit->text(), QStringLiteral("375"));
    });
    edit(window.get(), "IN-USER", [](QWidget *w) {
        auto *user = qobject_cast<EditInputDialog *>(w);
        QVERIFY(!user->form()->userControl->isChecked());
        QCOMPARE(user->form()->mainLineEdit->text(), QStringLiteral("1.5"));
        QCOMPARE(user->form()->mainComboBox->currentText(), QStringLiteral("usec"));
        QCOMPARE(user->form()->subLineEdit->text(), QStringLiteral("2"));
        QCOMPARE(user->form()->subComboBox->currentText(), QStringLiteral("msec"));
    });

    // Downloaded by the real worker to the emulator on 127.0.0.1.
    ModuleEmulator module;
    QString error;
    QVERIFY2(module.start(0, 0, &error), qPrintable(error));
    ProbeWorker worker(module);
    worker.setDesign(window->design(), false);
    WorkerProbe probe(&worker);
    QVERIFY(probe.run());
    QVERIFY2(probe.ok, qPrintable(probe.errorText));

    ProgramData *data = window->design();
    int counterUnit = -1;
    int delayUnit = -1;
    for (int c = 0; c < 8; ++c) {
        if (data->unitSlots[3 + c] == block(window.get(), "CntFnc0"))
            counterUnit = c;
        if (data->unitSlots[ProgramData::delayUnitSlot[c]] == block(window.get(), "DlyFnc0"))
            delayUnit = c;
    }
    QVERIFY(counterUnit >= 0 && delayUnit >= 0);
    QCOMPARE(word(module, 0x0008 + counterUnit, 1), 9u);
    QCOMPARE(word(module, 0x0020 + 8 * counterUnit, 4), 125u);
    QCOMPARE(word(module, 0x0024 + 8 * counterUnit, 4), 375u - 1); // counted from zero
    QCOMPARE(word(module, 0x0010 + 2 * delayUnit, 2), 1234u);
    QCOMPARE(word(module, 0x0061, 1), 13u);          // gate 1, source 3
    QCOMPARE(word(module, 0x0070, 2), 2662u);        // 0.75 V
    QCOMPARE(word(module, 0x006B, 1) & 0x01, 0u);    // active high
    QCOMPARE(word(module, 0x0068, 1) & 0x08, 0u);    // OUT-CH3 without NIM
    QCOMPARE(word(module, 0x0069, 1) & 0x08, 0x08u); // with LVTTL
    QCOMPARE(word(module, 0x0088, 4), 1500u);
    QCOMPARE(word(module, 0x008C, 4), 2000000u - 1);
    // The logic took effect: its table is the compiled one, and not the old one.
    MemoryModule expected;
    QVERIFY(data->download(&expected));
    QCOMPARE(module.designImage(), expected.image());
    QVERIFY(module.peek(0x2000, 0x0800) != before);
}

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settingsroundtrip.moc"
