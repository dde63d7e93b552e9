#include "blockitem.h"
#include "designkit.h"
#include "editcntfncdialog.h"
#include "memorymodule.h"
#include "programdata.h"
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
    QString digits = QString::number(ns).rightJustified(shift + 1, '0');
    digits.insert(digits.size() - shift, '.');
    while (digits.endsWith('0') && digits.contains('.'))
        digits.chop(1);
    return digits.endsWith('.') ? digits.chopped(1) : digits;
}

// Field names of modes 2k and 2k + 1, main then sub.
const QStringList labels = QString("Pulse Width|Minimum Idle Time|Delay Time|Pulse Width|"
                                   "Guard Time (turn True)|Guard Time (turn False)|"
                                   "Delay time (turn True)|Delay time (turn False)|"
                                   "True Width|False Width")
                               .split('|');

const QString notice =
    "Invalid Setting|Because it is necessary to set Counter by a unit for 1ns,\n";

} // namespace

// Rows are '|'-separated specs; a warning is "title|text", "~" standing for no title.
class TestEditCntFncDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        bench.reset(new SheetBench);
        block = DesignKit(*bench->data).counter(QString(), nullptr);
    }
    void cleanup() { dialog.reset(), bench.reset(); }
    void shown_data();
    void shown();
    void checks_data();
    void checks();
    void frequency_data();
    void frequency();

private:
    void open(const QString &settings)
    {
        block->params() = settings;
        dialog.reset(new EditCntFncDialog(block, nullptr));
        ui = dialog->form();
        entry = dialog->pulseEntry();
    }
    // main|unit|sub|unit from f[at] on; an empty unit is left alone.
    void type(const QStringList &f, int at = 0)
    {
        for (int i : {1, 3})
            if (!f[at + i].isEmpty())
                (i == 1 ? ui->mainComboBox : ui->subComboBox)->setCurrentText(f[at + i]);
        ui->mainLineEdit->setText(f[at]);
        ui->subLineEdit->setText(f[at + 2]);
    }
    QString pressOk()
    {
        bench->warnings.clear();
        QTest::mouseClick(ui->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        return bench->warnings.join("\n--\n");
    }
    QString fields() const { return ui->mainLineEdit->text() + '|' + ui->subLineEdit->text(); }

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditCntFncDialog> dialog;
    Ui_EditCntFncDialog *ui = nullptr;
    PulseEntry *entry = nullptr;
    BlockItem *block = nullptr;
};

void TestEditCntFncDialog::shown_data()
{
    // settings | steps after opening (a number: that mode; F, W: the entry; a frequency unit;
    // s=text: the sub field) | mode | main | sub | units: of the widths, or the type and unit
    // of frequency entry (empty: counts)
    QTest::addColumn<QString>("spec");
    // clang-format off
    QTest::newRow("new block") << "||0|5|5|nsec nsec";
    QTest::newRow("units") << "Mode=3 MainCnt=1.5usec SubCnt=2msec||3|1.5|2|usec msec";
    QTest::newRow("duty in MHz") << "Mode=8 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz||8|50|10|Duty MHz";
    QTest::newRow("width in KHz") << "Mode=9 MainCnt=100nsec SubCnt=300nsec Disp=KHz||9|100|2500|True Width KHz";
    QTest::newRow("counts above 2^31") << "Mode=10 MainCnt=3000000000 SubCnt=4294967295||10|3000000000|4294967295|";
    QTest::newRow("mode past the table") << "Mode=12 MainCnt=7nsec SubCnt=8nsec||0|7|8|nsec nsec";
    QTest::newRow("negative mode") << "Mode=-1 MainCnt=7nsec SubCnt=8nsec||0|7|8|nsec nsec";
    QTest::newRow("mode in the low byte only") << "Mode=265 MainCnt=7nsec SubCnt=8nsec||0|7|8|nsec nsec";
    QTest::newRow("mode not a number") << "Mode=9x MainCnt=7nsec SubCnt=8nsec||0|7|8|nsec nsec";
    QTest::newRow("sub raised to the oscillator minimum") << "Mode=0 MainCnt=7nsec SubCnt=3nsec|8|8|7|6|nsec nsec";
    QTest::newRow("sub above the minimum stays") << "Mode=0 MainCnt=7nsec SubCnt=7nsec|8|8|7|7|nsec nsec";
    QTest::newRow("to counts and back") << "Mode=3 MainCnt=1.5usec SubCnt=2usec|10,3|3|1.5|2|usec usec";
    QTest::newRow("counts saturate") << "Mode=2 MainCnt=5sec SubCnt=2.5sec|10|10|4294967295|2500000000|";
    QTest::newRow("big count back to time") << "Mode=10 MainCnt=3000000000 SubCnt=3|0|0|3000000000|5|nsec nsec";
    QTest::newRow("exact microseconds to counts") << "Mode=0 MainCnt=1.005usec SubCnt=4.001usec|10|10|1005|4001|";
    QTest::newRow("frequency entry left for mode 2") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=KHz|2|2|1.5|2.5|usec usec";
    QTest::newRow("frequency keeps its unit") << "Mode=9 MainCnt=100nsec SubCnt=900nsec|F,KHz,W,F,s=0,W,s=900,F|9|100|1000|True Width KHz";
    // clang-format on
}

void TestEditCntFncDialog::shown()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    open(f[0]);
    MemoryModule module; // gets the mode the dialog opens with, in the only counter's register
    bench->data->download(&module);
    QCOMPARE(int(module.read(0x0008, 1).at(0)), ui->modeComboBox->currentIndex());
    for (const QString &step : f[1].split(',', Qt::SkipEmptyParts)) {
        if (step == "F" || step == "W")
            QTest::mouseClick(step == "F" ? ui->radioButtonFrequency : ui->radioButtonPulseWidth,
                              Qt::LeftButton);
        else if (step.startsWith("s="))
            ui->subLineEdit->setText(step.mid(2));
        else if (step[0].isDigit())
            ui->modeComboBox->setCurrentIndex(step.toInt());
        else
            entry->freqUnitComboBox->setCurrentText(step);
    }
    QCOMPARE(ui->modeComboBox->currentIndex(), f[2].toInt());
    QCOMPARE(fields(), f[3] + '|' + f[4]);
    QCOMPARE(entry->frequencyEntry
                 ? entry->typeComboBox->currentText() + ' ' + entry->freqUnitComboBox->currentText()
             : ui->mainComboBox->isHidden()
                 ? QString()
                 : ui->mainComboBox->currentText() + ' ' + ui->subComboBox->currentText(),
             f[5]);
    QCOMPARE(ui->radioButtonFrequency->isHidden(), f[2] != "8" && f[2] != "9");
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
}

void TestEditCntFncDialog::checks_data()
{
    // settings | main | unit | sub | unit | warning title|text | fields after (main|sub), or
    // without a warning: | the stored text
    QTest::addColumn<QString>("spec");
    const QString trueCount =
        "Invalid Setting|\"True Count\" must be an integer number from 2 to 4294967295";
    const QString counts = "Mode=10 MainCnt=9 SubCnt=9|";
    const QString widths = "Mode=1 MainCnt=9nsec SubCnt=9nsec|";

    // Every mode and field, in each unit: the minimum, one step below, the maximum and one step
    // above; and texts that are no numbers, corrected to the minimum.
    const quint64 maxNs = 4294967295u;
    const char *units[4] = {"sec", "msec", "usec", "nsec"};
    for (int mode = 0; mode < 10; ++mode) {
        const QString settings = QString("Mode=%1 MainCnt=100nsec SubCnt=100nsec").arg(mode);
        for (int sub : {0, 1}) {
            const quint64 least = sub && mode >= 8 ? 6 : 5;
            const QString warning = QString("~|\"%1\" must be %2ns - 4.29sec")
                                        .arg(labels[mode / 2 * 2 + sub])
                                        .arg(least);
            auto row = [&](const QString &what, const QString &typed, const QString &unit,
                           const QString &corrected) {
                QStringList f{"100", "nsec", "100", "nsec"};
                f[2 * sub] = typed;
                f[2 * sub + 1] = unit;
                QStringList after{"100", "100"};
                after[sub] = corrected;
                const QString stored = QString("|Mode=%1 MainCnt=%2 SubCnt=%3")
                                           .arg(mode)
                                           .arg(f[0] + f[1], f[2] + f[3]);
                QTest::newRow(
                    qPrintable(QString("mode %1 %2 ").arg(mode).arg(sub ? "sub" : "main") + what))
                    << settings + '|' + f.join('|') + '|' +
                           (corrected.isEmpty() ? stored : warning + '|' + after.join('|'));
            };
            for (int u = 0; u < 4; ++u) {
                const int shift = 9 - 3 * u;
                const QString unit = units[u];
                row(unit + " min", decimal(least, shift), unit, "");
                row(unit + " below", decimal(least - 1, shift), unit, decimal(least, shift));
                row(unit + " max", decimal(maxNs, shift), unit, "");
                row(unit + " above", decimal(maxNs + 1, shift), unit, decimal(maxNs, shift));
            }
            for (const char *text : {"nan", "inf", "x"})
                row(text, text, "usec", decimal(least, 3));
        }
    }
    // clang-format off
    QTest::newRow("count minimum") << counts + "2||2|||Mode=10 MainCnt=2 SubCnt=2";
    QTest::newRow("count maximum") << counts + "4294967295||4294967295|||Mode=10 MainCnt=4294967295 SubCnt=4294967295";
    QTest::newRow("count below") << counts + "1||9||" + trueCount + "|2|9";
    QTest::newRow("count above") << counts + "4294967296||9||" + trueCount + "|2|9";
    QTest::newRow("count negative") << counts + "-3||9||" + trueCount + "|2|9";
    QTest::newRow("count fraction") << counts + "2.5||9||" + trueCount + "|2|9";
    QTest::newRow("sub count text") << counts + "7||many||Invalid Setting|\"False Count\" must be an integer number from 2 to 4294967295|7|2";
    QTest::newRow("fraction dropped") << widths + "10.7|nsec|100|nsec|" + notice + "10.7 is rounded off and becomes 10|10|100";
    QTest::newRow("both cut") << widths + "10.7|nsec|0.0123456|msec|" + notice + "10.7 is rounded off and becomes 10,\nand 0.0123456 is rounded off and becomes 0.012345|10|0.012345";
    QTest::newRow("sub cut") << widths + "1.5|usec|2.0005|usec|" + notice + "2.0005 is rounded off and becomes 2|1.5|2";
    QTest::newRow("unchanged") << widths + "9|nsec|9|nsec||Mode=1 MainCnt=9nsec SubCnt=9nsec";
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
    type(f, 1);
    const int snapshots = bench->host.snapshots;
    const QString warning = f[5].isEmpty() ? QString() : QString(f[5]).remove('~') + '|' + f[6];
    QCOMPARE(pressOk(), warning);
    QCOMPARE(block->params(), warning.isEmpty() ? f[6] : f[0]);
    // An undo step only for a new text: none for a warning, none for the same text.
    QCOMPARE(bench->host.snapshots - snapshots, int(block->params() != f[0]));
    if (warning.isEmpty())
        return;
    QCOMPARE(fields(), f[7] + '|' + f[8]);
    if (warning.contains("rounded")) { // the corrected values pass
        QCOMPARE(pressOk(), QString());
        QVERIFY(block->params().contains("MainCnt=" + f[7] + f[2]));
    }
}

void TestEditCntFncDialog::frequency_data()
{
    // settings | type (after "unit>": a main unit chosen first) | unit | shown main|frequency
    // | typed main|frequency (or -|-) | widths back main|unit|sub|unit (or -|-|-|-: OK without
    // a trip through the widths) | warning title|text | stored (empty: none)
    QTest::addColumn<QString>("spec");
    const QString w = "Mode=9 MainCnt=100nsec SubCnt=900nsec|";
    const QString bad = "Invalid Setting|";
    // clang-format off
    QTest::newRow("widths unchanged") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec|True Width|KHz|1.5|250|-|-|1.5|usec|2.5|usec|||Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=KHz";
    QTest::newRow("duty unchanged") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec|Duty|Hz|37.5|250000|-|-|1.5|usec|2.5|usec|||Mode=8 MainCnt=1.5usec SubCnt=2.5usec Disp=DutyHz";
    QTest::newRow("awkward period") << "Mode=8 MainCnt=7nsec SubCnt=6nsec|Duty|MHz|53.846153846|76.923076923|-|-|7|nsec|6|nsec|||Mode=8 MainCnt=7nsec SubCnt=6nsec Disp=DutyMHz";
    QTest::newRow("period cut, not rounded") << w + "True Width|MHz|100|1|100|3|100|nsec|233|nsec|" + notice + "3 is rounded off and becomes 3.003003003|Mode=9 MainCnt=100nsec SubCnt=233nsec Disp=MHz";
    QTest::newRow("width beyond the period") << w + "True Width|MHz|100|1|500|3|500|nsec|333|nsec|" + notice + "3 is rounded off and becomes 1.2004801921|";
    QTest::newRow("duty of three hertz") << "Mode=9 MainCnt=1msec SubCnt=1msec|Duty|Hz|50|500|50|3|166.666666|msec|166.666667|msec|" + notice + "3 is rounded off and becomes 3.000000003|";
    QTest::newRow("duty moved by the cut") << w + "Duty|MHz|10|1|33.3|10|33|nsec|67|nsec|" + notice + "33.3 is rounded off and becomes 33|Mode=9 MainCnt=33nsec SubCnt=67nsec Disp=DutyMHz";
    QTest::newRow("duty stored as widths") << w + "Duty|MHz|10|1|50|10|50|nsec|50|nsec|||Mode=9 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz";
    QTest::newRow("zero frequency") << w + "True Width|MHz|100|1|100|0|100|nsec|0|nsec|" + bad + "Frequency must be larger than 0.|";
    QTest::newRow("negative frequency") << w + "True Width|MHz|100|1|100|-1|100|nsec|0|nsec|" + bad + "Frequency must be larger than 0.|";
    QTest::newRow("zero duty") << w + "Duty|MHz|10|1|0|10|0|nsec|100|nsec|" + bad + "Duty must be larger than 0.|";
    QTest::newRow("full duty") << w + "Duty|MHz|10|1|100|10|100|nsec|0|nsec|" + bad + "Duty must be less than 100%.|";
    QTest::newRow("false width below its minimum") << w + "True Width|MHz|100|1|100|10|100|nsec|0|nsec|~|\"False Width\" must be 6ns - 4.29sec|";
    QTest::newRow("unit factors read after the conversion") << "Mode=9 MainCnt=1.5usec SubCnt=2.5usec|nsec>Duty|Hz|37.5|250000|-|-|-|-|-|-|||Mode=9 MainCnt=1.5usec SubCnt=2.5usec Disp=DutyHz";
    // clang-format on
}

void TestEditCntFncDialog::frequency()
{
    QFETCH(QString, spec);
    const QStringList f = spec.split('|');
    const bool typed = f[5] != "-";
    const bool trip = f[7] != "-";
    open(f[0]);
    QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
    ui->mainComboBox->setCurrentText(f[1].section('>', 0, -2)); // none without a '>'
    entry->typeComboBox->setCurrentText(f[1].section('>', -1));
    entry->freqUnitComboBox->setCurrentText(f[2]);
    QCOMPARE(fields(), f[3] + '|' + f[4]);
    QCOMPARE(entry->percentLabel->isHidden(), !f[1].endsWith("Duty"));
    // To widths and back: the widths in their units, then the entry as it was.
    for (int pass = trip ? 0 : 1; pass < 2; ++pass) {
        if (typed) {
            ui->mainLineEdit->setText(f[5]);
            ui->subLineEdit->setText(f[6]);
        }
        if (pass == 1)
            break;
        QTest::mouseClick(ui->radioButtonPulseWidth, Qt::LeftButton);
        QCOMPARE(QStringList({ui->mainLineEdit->text(), ui->mainComboBox->currentText(),
                              ui->subLineEdit->text(), ui->subComboBox->currentText()}),
                 f.mid(7, 4));
        QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
        if (!typed)
            QCOMPARE(fields(), f[3] + '|' + f[4]);
    }
    const QString warning = f[11].isEmpty() ? QString() : QString(f[11]).remove('~') + '|' + f[12];
    QCOMPARE(pressOk(), warning);
    if (!warning.isEmpty()) {
        QCOMPARE(block->params(), f[0]);
        QVERIFY(entry->frequencyEntry); // ready for the next try
        if (f[13].isEmpty())
            return;
        QCOMPARE(pressOk(), QString());
    }
    QCOMPARE(block->params(), f[13]);
    open(f[13]); // reopened as confirmed
    QCOMPARE(entry->typeComboBox->currentText() + entry->freqUnitComboBox->currentText(),
             f[1].section('>', -1) + f[2]);
    QVERIFY(entry->frequencyEntry);
}

QTEST_MAIN(TestEditCntFncDialog)
#include "tst_editcntfncdialog.moc"
