#include "blockitem.h"
#include "designkit.h"
#include "editcntfncdialog.h"
#include "pulseentry.h"
#include "sheetbench.h"
#include "ui_editcntfncdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

// A whole number of nanoseconds written in a unit with `shift` decimal places.
QString decimal(quint64 ns, int shift)
{
    QString digits = QString::number(ns).rightJustified(shift + 1, QLatin1Char('0'));
    if (shift == 0)
        return digits;
    digits.insert(digits.size() - shift, QLatin1Char('.'));
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    return digits;
}

const char *const labels[10][2] = {{"Pulse Width", "Minimum Idle Time"},
                                   {"Pulse Width", "Minimum Idle Time"},
                                   {"Delay Time", "Pulse Width"},
                                   {"Delay Time", "Pulse Width"},
                                   {"Guard Time (turn True)", "Guard Time (turn False)"},
                                   {"Guard Time (turn True)", "Guard Time (turn False)"},
                                   {"Delay time (turn True)", "Delay time (turn False)"},
                                   {"Delay time (turn True)", "Delay time (turn False)"},
                                   {"True Width", "False Width"},
                                   {"True Width", "False Width"}};

const QString notice =
    "Invalid Setting|Because it is necessary to set Counter by a unit for 1ns,\n";

} // namespace

// Rows are '|'-separated specs, one per line.
class TestEditCntFncDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opening_data();
    void opening();
    void limits_data();
    void limits();
    void checks_data();
    void checks();
    void modeSwitch_data();
    void modeSwitch();
    void frequency_data();
    void frequency();
    void undoAndCancel();

private:
    void open(const QString &settings);
    void setFields(const QStringList &f, int at);
    QString pressOk();

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditCntFncDialog> dialog;
    Ui_EditCntFncDialog *ui = nullptr;
    PulseEntry *entry = nullptr;
    BlockItem *block = nullptr;
};

void TestEditCntFncDialog::init()
{
    bench.reset(new SheetBench);
    DesignKit kit(*bench->data);
    block = kit.counter(QString(), nullptr);
}

void TestEditCntFncDialog::cleanup()
{
    dialog.reset();
    bench.reset();
}

void TestEditCntFncDialog::open(const QString &settings)
{
    block->params() = settings;
    dialog.reset(new EditCntFncDialog(block, nullptr));
    ui = dialog->form();
    entry = dialog->pulseEntry();
}

// main|main unit|sub|sub unit from field `at` on; an empty unit is left alone.
void TestEditCntFncDialog::setFields(const QStringList &f, int at)
{
    if (!f[at + 1].isEmpty())
        ui->mainComboBox->setCurrentText(f[at + 1]);
    if (!f[at + 3].isEmpty())
        ui->subComboBox->setCurrentText(f[at + 3]);
    ui->mainLineEdit->setText(f[at]);
    ui->subLineEdit->setText(f[at + 2]);
}

QString TestEditCntFncDialog::pressOk()
{
    bench->warnings.clear();
    QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
    return bench->warnings.join("\n--\n");
}

void TestEditCntFncDialog::opening_data()
{
    // settings | mode | main | main unit (empty: "%") | sub | sub unit | label of sub
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("new block") << "|0|5|nsec|5|nsec|Minimum Idle &Time";
    QTest::newRow("units") << "Mode=3 MainCnt=1.5usec SubCnt=2msec|3|1.5|usec|2|msec|&Pulse Width";
    QTest::newRow("lower-case time") << "Mode=6 MainCnt=5nsec SubCnt=5nsec|6|5|nsec|5|nsec|Delay time (turn &False)";
    QTest::newRow("duty in MHz") << "Mode=8 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz|8|50||10|MHz|&Frequency";
    QTest::newRow("width in KHz") << "Mode=9 MainCnt=100nsec SubCnt=300nsec Disp=KHz|9|100|nsec|2500|KHz|&Frequency";
    QTest::newRow("counts above 2^31") << "Mode=10 MainCnt=3000000000 SubCnt=4294967295|10|3000000000|-|4294967295|-|&False Count";
    QTest::newRow("mode past the table") << "Mode=12 MainCnt=7nsec SubCnt=8nsec|0|7|nsec|8|nsec|Minimum Idle &Time";
    QTest::newRow("negative mode") << "Mode=-1 MainCnt=7nsec SubCnt=8nsec|0|7|nsec|8|nsec|Minimum Idle &Time";
    QTest::newRow("oscillator widths") << "Mode=8 MainCnt=1sec SubCnt=2sec|8|1|sec|2|sec|&False Width";
    // clang-format on
}

void TestEditCntFncDialog::opening()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    open(f[0]);
    QCOMPARE(ui->modeComboBox->currentIndex(), f[1].toInt());
    QCOMPARE(ui->mainLineEdit->text(), f[2]);
    QCOMPARE(ui->subLineEdit->text(), f[4]);
    QCOMPARE(entry->percentLabel->isHidden(), !f[3].isEmpty());
    QCOMPARE(ui->mainComboBox->isHidden(), f[3].isEmpty() || f[3] == "-");
    if (f[3] != "-" && !f[3].isEmpty())
        QCOMPARE(ui->mainComboBox->currentText(), f[3]);
    const bool frequency = f[6] == "&Frequency";
    QCOMPARE(entry->frequencyEntry, frequency);
    if (f[5] != "-")
        QCOMPARE((frequency ? entry->freqUnitComboBox : ui->subComboBox)->currentText(), f[5]);
    QCOMPARE(ui->labelSub->text(), f[6]);
    QCOMPARE(ui->radioButtonFrequency->isHidden(),
             !spec.contains("Mode=8") && !spec.contains("Mode=9"));
    QCOMPARE(dialog->windowTitle(), block->displayName());
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
}

void TestEditCntFncDialog::limits_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("onMain");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("warning"); // empty: stored
    QTest::addColumn<QString>("corrected");

    // Every mode and field, in each unit: the minimum, one step below, the
    // maximum and one step above; and the texts that are no numbers.
    const quint64 maxNs = 4294967295u;
    const char *units[4] = {"sec", "msec", "usec", "nsec"};
    // clang-format off
    for (int mode = 0; mode < 10; ++mode) {
        for (bool onMain : {true, false}) {
            const quint64 least = onMain || mode < 8 ? 5 : 6;
            const QString warning = QString("|\"%1\" must be %2ns - 4.29sec")
                                        .arg(labels[mode][onMain ? 0 : 1])
                                        .arg(least);
            const QString tag = QString("mode %1 %2 ").arg(mode).arg(onMain ? "main" : "sub");
            for (int u = 0; u < 4; ++u) {
                const int shift = 9 - 3 * u;
                const QString min = decimal(least, shift);
                const QString max = decimal(maxNs, shift);
                const QString t = tag + units[u];
                QTest::newRow(qPrintable(t + " min")) << mode << onMain << units[u] << min << "" << min;
                QTest::newRow(qPrintable(t + " below")) << mode << onMain << units[u] << decimal(least - 1, shift) << warning << min;
                QTest::newRow(qPrintable(t + " max")) << mode << onMain << units[u] << max << "" << max;
                QTest::newRow(qPrintable(t + " above")) << mode << onMain << units[u] << decimal(maxNs + 1, shift) << warning << max;
            }
            for (const char *text : {"nan", "inf", "x"})
                QTest::newRow(qPrintable(tag + text)) << mode << onMain << "usec" << text << warning << "";
        }
    }
    // clang-format on
}

void TestEditCntFncDialog::limits()
{
    QFETCH(int, mode);
    QFETCH(bool, onMain);
    QFETCH(QString, unit);
    QFETCH(QString, typed);
    QFETCH(QString, warning);
    QFETCH(QString, corrected);
    const QString before = QString("Mode=%1 MainCnt=100nsec SubCnt=100nsec").arg(mode);
    open(before);
    const QString other = "100|nsec";
    setFields(
        (onMain ? typed + '|' + unit + '|' + other : other + '|' + typed + '|' + unit).split('|'),
        0);
    QCOMPARE(pressOk(), warning);
    if (!corrected.isEmpty())
        QCOMPARE((onMain ? ui->mainLineEdit : ui->subLineEdit)->text(), corrected);
    const QString value = typed + unit;
    QCOMPARE(block->params(),
             !warning.isEmpty() ? before
                                : QString("Mode=%1 MainCnt=%2 SubCnt=%3")
                                      .arg(mode)
                                      .arg(onMain ? value : "100nsec", onMain ? "100nsec" : value));
}

void TestEditCntFncDialog::checks_data()
{
    // settings | main | main unit | sub | sub unit | warning title|text ("~": no title)
    // | fields after (main|sub) or the stored text
    QTest::addColumn<QString>("spec");
    const QString trueCount =
        "Invalid Setting|\"True Count\" must be an integer number from 2 to 4294967295";
    const QString falseCount =
        "Invalid Setting|\"False Count\" must be an integer number from 2 to 4294967295";
    const QString counts = "Mode=10 MainCnt=9 SubCnt=9|";
    // clang-format off
    QTest::newRow("count minimum") << counts + "2||2|||Mode=10 MainCnt=2 SubCnt=2";
    QTest::newRow("count maximum") << counts + "4294967295||4294967295|||Mode=10 MainCnt=4294967295 SubCnt=4294967295";
    QTest::newRow("count below") << counts + "1||9||" + trueCount + "|2|9";
    QTest::newRow("count above") << counts + "4294967296||9||" + trueCount + "|2|9";
    QTest::newRow("count negative") << counts + "-3||9||" + trueCount + "|2|9";
    QTest::newRow("count fraction") << counts + "2.5||9||" + trueCount + "|2|9";
    QTest::newRow("sub count text") << counts + "7||many||" + falseCount + "|7|2";
    const QString widths = "Mode=1 MainCnt=9nsec SubCnt=9nsec|";
    QTest::newRow("fraction dropped") << widths + "10.7|nsec|100|nsec|" + notice + "10.7 is rounded off and becomes 10|10|100";
    QTest::newRow("both cut") << widths + "10.7|nsec|0.0123456|msec|" + notice + "10.7 is rounded off and becomes 10,\nand 0.0123456 is rounded off and becomes 0.012345|10|0.012345";
    QTest::newRow("sub cut") << widths + "1.5|usec|2.0005|usec|" + notice + "2.0005 is rounded off and becomes 2|1.5|2";
    QTest::newRow("exact decimals") << widths + "1.005|usec|4294.967295|msec||Mode=1 MainCnt=1.005usec SubCnt=4294.967295msec";
    QTest::newRow("exact seconds") << widths + "0.000000007|sec|4.294967295|sec||Mode=1 MainCnt=0.000000007sec SubCnt=4.294967295sec";
    QTest::newRow("above in sub, main corrected too") << widths + "5|sec|5|sec|~|\"Minimum Idle Time\" must be 5ns - 4.29sec|4.294967295|4.294967295";
    // clang-format on
}

void TestEditCntFncDialog::checks()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    open(f[0]);
    setFields(f, 1);
    const QString warning = f[5].isEmpty() ? QString() : QString(f[5]).remove('~') + '|' + f[6];
    const int rest = f[5].isEmpty() ? 6 : 7;
    QCOMPARE(pressOk(), warning);
    if (warning.isEmpty()) {
        QCOMPARE(block->params(), f[rest]);
        return;
    }
    QCOMPARE(block->params(), f[0]);
    QCOMPARE(ui->mainLineEdit->text(), f[rest]);
    QCOMPARE(ui->subLineEdit->text(), f[rest + 1]);
    if (warning.contains("rounded")) { // the corrected values pass
        QCOMPARE(pressOk(), QString());
        QVERIFY(block->params().contains("MainCnt=" + f[rest] + f[2]));
    }
}

void TestEditCntFncDialog::modeSwitch_data()
{
    // settings | modes chosen | main | unit (empty: hidden) | sub | unit
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("sub raised to the oscillator minimum") << "Mode=0 MainCnt=7nsec SubCnt=3nsec|8|7|nsec|6|nsec";
    QTest::newRow("sub above the minimum stays") << "Mode=0 MainCnt=7nsec SubCnt=7nsec|8|7|nsec|7|nsec";
    QTest::newRow("to counts and back") << "Mode=3 MainCnt=1.5usec SubCnt=2usec|10,3|1.5|usec|2|usec";
    QTest::newRow("counts saturate") << "Mode=2 MainCnt=5sec SubCnt=2.5sec|10|4294967295||2500000000|";
    QTest::newRow("big count back to time") << "Mode=10 MainCnt=3000000000 SubCnt=3|0|3000000000|nsec|5|nsec";
    QTest::newRow("exact microseconds to counts") << "Mode=0 MainCnt=1.005usec SubCnt=4.001usec|10|1005||4001|";
    QTest::newRow("frequency entry left for mode 2") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=KHz|2|1.5|usec|2.5|usec";
    // clang-format on
}

void TestEditCntFncDialog::modeSwitch()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    open(f[0]);
    for (const QString &mode : f[1].split(','))
        ui->modeComboBox->setCurrentIndex(mode.toInt());
    QCOMPARE(ui->mainLineEdit->text(), f[2]);
    QCOMPARE(ui->subLineEdit->text(), f[4]);
    QCOMPARE(ui->mainComboBox->isHidden(), f[3].isEmpty());
    if (!f[3].isEmpty())
        QCOMPARE(ui->mainComboBox->currentText() + ui->subComboBox->currentText(), f[3] + f[5]);
}

void TestEditCntFncDialog::frequency_data()
{
    // settings | type | unit | shown main|frequency | typed main|frequency (or -|-)
    // | widths back main|unit|sub|unit | warning on OK | stored
    QTest::addColumn<QString>("spec");
    const QString w = "Mode=9 MainCnt=100nsec SubCnt=900nsec|";
    const QString bad = "Invalid Setting|";
    // clang-format off
    QTest::newRow("widths unchanged") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec|True Width|KHz|1.5|250|-|-|1.5|usec|2.5|usec||Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=KHz";
    QTest::newRow("duty unchanged") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec|Duty|Hz|37.5|250000|-|-|1.5|usec|2.5|usec||Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=DutyHz";
    QTest::newRow("awkward period") << "Mode=8 MainCnt=7nsec SubCnt=6nsec|Duty|MHz|53.846153846|76.923076923|-|-|7|nsec|6|nsec||Mode=8 MainCnt=7nsec SubCnt=6nsec Disp=DutyMHz";
    QTest::newRow("period cut, not rounded") << w + "True Width|MHz|100|1|100|3|100|nsec|233|nsec|" + notice + "3 is rounded off and becomes 3.003003003|Mode=9 MainCnt=100nsec SubCnt=233nsec Disp=MHz";
    QTest::newRow("width beyond the period") << w + "True Width|MHz|100|1|500|3|500|nsec|333|nsec|" + notice + "3 is rounded off and becomes 1.2004801921|";
    QTest::newRow("duty of three hertz") << "Mode=9 MainCnt=1msec SubCnt=1msec|Duty|Hz|50|500|50|3|166.666666|msec|166.666667|msec|" + notice + "3 is rounded off and becomes 3.000000003|";
    QTest::newRow("duty moved by the cut") << w + "Duty|MHz|10|1|33.3|10|33|nsec|67|nsec|" + notice + "33.3 is rounded off and becomes 33|Mode=9 MainCnt=33nsec SubCnt=67nsec Disp=DutyMHz";
    QTest::newRow("duty stored as widths") << w + "Duty|MHz|10|1|50|10|50|nsec|50|nsec||Mode=9 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz";
    QTest::newRow("zero frequency") << w + "True Width|MHz|100|1|100|0|100|nsec|0|nsec|" + bad + "Frequency must be larger than 0.|";
    QTest::newRow("negative frequency") << w + "True Width|MHz|100|1|100|-1|100|nsec|0|nsec|" + bad + "Frequency must be larger than 0.|";
    QTest::newRow("zero duty") << w + "Duty|MHz|10|1|0|10|0|nsec|100|nsec|" + bad + "Duty must be larger than 0.|";
    QTest::newRow("full duty") << w + "Duty|MHz|10|1|100|10|100|nsec|0|nsec|" + bad + "Duty must be less than 100%.|";
    QTest::newRow("false width below its minimum") << w + "True Width|MHz|100|1|100|10|100|nsec|0|nsec|~|\"False Width\" must be 6ns - 4.29sec|";
    // clang-format on
}

void TestEditCntFncDialog::frequency()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    open(f[0]);
    QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
    QVERIFY(entry->frequencyEntry);
    entry->typeComboBox->setCurrentText(f[1]);
    entry->freqUnitComboBox->setCurrentText(f[2]);
    QCOMPARE(ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(), f[3] + '|' + f[4]);
    QCOMPARE(entry->percentLabel->isHidden(), f[1] != "Duty");
    if (f[5] != "-") {
        ui->mainLineEdit->setText(f[5]);
        ui->subLineEdit->setText(f[6]);
    }
    // To widths and back: the widths in their units, then the entry as it was.
    QTest::mouseClick(ui->radioButtonPulseWidth, Qt::LeftButton);
    QCOMPARE(QStringList({ui->mainLineEdit->text(), ui->mainComboBox->currentText(),
                          ui->subLineEdit->text(), ui->subComboBox->currentText()}),
             f.mid(7, 4));
    QCOMPARE(ui->labelMain->text(), QString("&True Width"));
    QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
    if (f[5] == "-")
        QCOMPARE(ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(), f[3] + '|' + f[4]);
    else { // typed again: the round trip shows what the cut widths give
        ui->mainLineEdit->setText(f[5]);
        ui->subLineEdit->setText(f[6]);
    }

    const QString warning = f[11].isEmpty() ? QString() : QString(f[11]).remove('~') + '|' + f[12];
    const QString stored = f.last();
    QCOMPARE(pressOk(), warning);
    if (!warning.isEmpty()) {
        QCOMPARE(block->params(), f[0]);
        QVERIFY(entry->frequencyEntry); // ready for the next try
        if (stored.isEmpty())
            return;
        QCOMPARE(pressOk(), QString());
    }
    QCOMPARE(block->params(), stored);
    open(stored); // reopened as confirmed
    QVERIFY(entry->frequencyEntry);
    QCOMPARE(entry->typeComboBox->currentText() + entry->freqUnitComboBox->currentText(),
             f[1] + f[2]);
}

void TestEditCntFncDialog::undoAndCancel()
{
    const int snapshots = bench->host.snapshots;
    open("Mode=0 MainCnt=1.5usec SubCnt=2.5usec");
    QCOMPARE(pressOk(), QString());
    QCOMPARE(bench->host.snapshots, snapshots); // the same text: no redraw, no undo step
    open("Mode=0 MainCnt=1.5usec SubCnt=2.5usec");
    ui->modeComboBox->setCurrentIndex(9);
    QCOMPARE(pressOk(), QString());
    QCOMPARE(block->params(), QString("Mode=9 MainCnt=1.5usec SubCnt=2.5usec"));
    QCOMPARE(bench->host.snapshots, snapshots + 1);
    open(block->params());
    ui->modeComboBox->setCurrentIndex(2);
    ui->mainLineEdit->setText("77");
    QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(block->params(), QString("Mode=9 MainCnt=1.5usec SubCnt=2.5usec"));
    QCOMPARE(bench->host.snapshots, snapshots + 1);
}

QTEST_MAIN(TestEditCntFncDialog)
#include "tst_editcntfncdialog.moc"
