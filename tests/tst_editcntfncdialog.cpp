#include "blockitem.h"
#include "designkit.h"
#include "editcntfncdialog.h"
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

// A whole number of nanoseconds written in a unit with `shift` decimal places
// (9 sec, 6 msec, 3 usec, 0 nsec), without trailing zeros.
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

const char *const mainLabels[11] = {"Pulse Width",
                                    "Pulse Width",
                                    "Delay Time",
                                    "Delay Time",
                                    "Guard Time (turn True)",
                                    "Guard Time (turn True)",
                                    "Delay time (turn True)",
                                    "Delay time (turn True)",
                                    "True Width",
                                    "True Width",
                                    "True Count"};
const char *const subLabels[11] = {"Minimum Idle Time",
                                   "Minimum Idle Time",
                                   "Pulse Width",
                                   "Pulse Width",
                                   "Guard Time (turn False)",
                                   "Guard Time (turn False)",
                                   "Delay time (turn False)",
                                   "Delay time (turn False)",
                                   "False Width",
                                   "False Width",
                                   "False Count"};

struct Unit {
    const char *name;
    int shift;
};
const Unit units[4] = {{"sec", 9}, {"msec", 6}, {"usec", 3}, {"nsec", 0}};

} // namespace

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
    void counts_data();
    void counts();
    void rounding_data();
    void rounding();
    void modeSwitch_data();
    void modeSwitch();
    void frequencyRoundTrip_data();
    void frequencyRoundTrip();
    void frequencyOk_data();
    void frequencyOk();
    void storeAndCancel();

private:
    EditCntFncDialog *open(const QString &settings);
    void setFields(const QString &main, const QString &mainUnit, const QString &sub,
                   const QString &subUnit);
    QString pressOk(); // the warnings shown, joined by "\n--\n"

    std::unique_ptr<SheetBench> bench;
    std::unique_ptr<EditCntFncDialog> dialog;
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

EditCntFncDialog *TestEditCntFncDialog::open(const QString &settings)
{
    block->params() = settings;
    dialog.reset(new EditCntFncDialog(block, nullptr));
    return dialog.get();
}

void TestEditCntFncDialog::setFields(const QString &main, const QString &mainUnit,
                                     const QString &sub, const QString &subUnit)
{
    Ui_EditCntFncDialog *ui = dialog->form();
    if (!mainUnit.isEmpty())
        ui->mainComboBox->setCurrentText(mainUnit);
    if (!subUnit.isEmpty())
        ui->subComboBox->setCurrentText(subUnit);
    ui->mainLineEdit->setText(main);
    ui->subLineEdit->setText(sub);
}

QString TestEditCntFncDialog::pressOk()
{
    bench->warnings.clear();
    QTest::mouseClick(dialog->form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
    return bench->warnings.join(QStringLiteral("\n--\n"));
}

void TestEditCntFncDialog::opening_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("fields"); // main|main unit|sub|sub unit
    QTest::addColumn<QString>("labels");
    QTest::addColumn<bool>("frequency");

    QTest::newRow("new block") << "" << 0 << "5|nsec|5|nsec"
                               << "&Pulse Width|Minimum Idle &Time" << false;
    QTest::newRow("mode 3 in usec")
        << "Mode=3 MainCnt=1.5usec SubCnt=2msec" << 3 << "1.5|usec|2|msec"
        << "&Delay Time|&Pulse Width" << false;
    QTest::newRow("mode 6 lower case")
        << "Mode=6 MainCnt=5nsec SubCnt=5nsec" << 6 << "5|nsec|5|nsec"
        << "Delay time (turn &True)|Delay time (turn &False)" << false;
    QTest::newRow("duty in MHz") << "Mode=8 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz" << 8
                                 << "50||10|MHz"
                                 << "|&Frequency" << true;
    QTest::newRow("true width in KHz")
        << "Mode=9 MainCnt=100nsec SubCnt=300nsec Disp=KHz" << 9 << "100|nsec|2500|KHz"
        << "|&Frequency" << true;
    QTest::newRow("divider above 2^31")
        << "Mode=10 MainCnt=3000000000 SubCnt=4294967295" << 10 << "3000000000||4294967295|"
        << "&True Count|&False Count" << false;
    QTest::newRow("mode past the table")
        << "Mode=12 MainCnt=7nsec SubCnt=8nsec" << 0 << "7|nsec|8|nsec"
        << "&Pulse Width|Minimum Idle &Time" << false;
    QTest::newRow("negative mode") << "Mode=-1 MainCnt=7nsec SubCnt=8nsec" << 0 << "7|nsec|8|nsec"
                                   << "&Pulse Width|Minimum Idle &Time" << false;
    QTest::newRow("mode 8 widths") << "Mode=8 MainCnt=1sec SubCnt=2sec" << 8 << "1|sec|2|sec"
                                   << "&True Width|&False Width" << false;
}

void TestEditCntFncDialog::opening()
{
    QFETCH(QString, settings);
    QFETCH(int, mode);
    QFETCH(QString, fields);
    QFETCH(QString, labels);
    QFETCH(bool, frequency);
    open(settings);
    Ui_EditCntFncDialog *ui = dialog->form();
    PulseEntry *entry = dialog->pulseEntry();
    const QStringList f = fields.split('|');
    QCOMPARE(ui->modeComboBox->currentIndex(), mode);
    QCOMPARE(ui->mainLineEdit->text(), f[0]);
    QCOMPARE(ui->subLineEdit->text(), f[2]);
    const bool duty = !entry->percentLabel->isHidden();
    QCOMPARE(duty, f[1].isEmpty() && mode != 10);
    if (!f[1].isEmpty())
        QCOMPARE(ui->mainComboBox->currentText(), f[1]);
    QComboBox *subUnits = frequency ? entry->freqUnitComboBox : ui->subComboBox;
    if (!f[3].isEmpty())
        QCOMPARE(subUnits->currentText(), f[3]);
    QCOMPARE(ui->mainComboBox->isHidden(), mode == 10 || duty);
    QCOMPARE(entry->frequencyEntry, frequency);
    QCOMPARE(ui->radioButtonFrequency->isHidden(), mode != 8 && mode != 9);
    const QStringList l = labels.split('|');
    if (!frequency)
        QCOMPARE(ui->labelMain->text(), l[0]);
    QCOMPARE(ui->labelSub->text(), l[1]);
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

    const quint64 maxNs = 4294967295u;
    for (int mode = 0; mode < 10; ++mode) {
        for (bool onMain : {true, false}) {
            const quint64 least = onMain ? 5 : (mode == 8 || mode == 9 ? 6 : 5);
            const QString label = QLatin1String(onMain ? mainLabels[mode] : subLabels[mode]);
            const QString range =
                QStringLiteral("|\"%1\" must be %2ns - 4.29sec").arg(label).arg(least);
            for (const Unit &unit : units) {
                const QString tag = QStringLiteral("mode %1 %2 %3 ")
                                        .arg(mode)
                                        .arg(onMain ? "main" : "sub")
                                        .arg(unit.name);
                const QString minText = decimal(least, unit.shift);
                const QString maxText = decimal(maxNs, unit.shift);
                QTest::newRow(qPrintable(tag + "minimum"))
                    << mode << onMain << unit.name << minText << QString() << minText;
                QTest::newRow(qPrintable(tag + "below"))
                    << mode << onMain << unit.name << decimal(least - 1, unit.shift) << range
                    << minText;
                QTest::newRow(qPrintable(tag + "maximum"))
                    << mode << onMain << unit.name << maxText << QString() << maxText;
                QTest::newRow(qPrintable(tag + "above"))
                    << mode << onMain << unit.name << decimal(maxNs + 1, unit.shift) << range
                    << maxText;
            }
            QTest::newRow(qPrintable(QStringLiteral("mode %1 %2 nan").arg(mode).arg(onMain)))
                << mode << onMain << "nsec"
                << "nan" << range << "";
            QTest::newRow(qPrintable(QStringLiteral("mode %1 %2 inf").arg(mode).arg(onMain)))
                << mode << onMain << "usec"
                << "inf" << range << "";
        }
    }
}

void TestEditCntFncDialog::limits()
{
    QFETCH(int, mode);
    QFETCH(bool, onMain);
    QFETCH(QString, unit);
    QFETCH(QString, typed);
    QFETCH(QString, warning);
    QFETCH(QString, corrected);
    open(QStringLiteral("Mode=%1 MainCnt=100nsec SubCnt=100nsec").arg(mode));
    if (onMain)
        setFields(typed, unit, "100", "nsec");
    else
        setFields("100", "nsec", typed, unit);
    QCOMPARE(pressOk(), warning);
    QLineEdit *field = onMain ? dialog->form()->mainLineEdit : dialog->form()->subLineEdit;
    if (!corrected.isEmpty())
        QCOMPARE(field->text(), corrected);
    if (warning.isEmpty()) {
        const QString main = onMain ? typed + unit : QStringLiteral("100nsec");
        const QString sub = onMain ? QStringLiteral("100nsec") : typed + unit;
        QCOMPARE(block->params(),
                 QStringLiteral("Mode=%1 MainCnt=%2 SubCnt=%3").arg(mode).arg(main, sub));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(block->params(),
                 QStringLiteral("Mode=%1 MainCnt=100nsec SubCnt=100nsec").arg(mode));
    }
}

void TestEditCntFncDialog::counts_data()
{
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("stored");

    const QString trueCount =
        "Invalid Setting|\"True Count\" must be an integer number from 2 to 4294967295";
    const QString falseCount =
        "Invalid Setting|\"False Count\" must be an integer number from 2 to 4294967295";
    QTest::newRow("minimum") << "2"
                             << "2"
                             << ""
                             << "Mode=10 MainCnt=2 SubCnt=2";
    QTest::newRow("maximum") << "4294967295"
                             << "4294967295"
                             << ""
                             << "Mode=10 MainCnt=4294967295 SubCnt=4294967295";
    QTest::newRow("main below") << "1"
                                << "2" << trueCount << "";
    QTest::newRow("main above") << "4294967296"
                                << "2" << trueCount << "";
    QTest::newRow("main negative") << "-3"
                                   << "2" << trueCount << "";
    QTest::newRow("main fraction") << "2.5"
                                   << "2" << trueCount << "";
    QTest::newRow("sub below") << "7"
                               << "1" << falseCount << "";
    QTest::newRow("sub above") << "7"
                               << "4294967296" << falseCount << "";
    QTest::newRow("sub text") << "7"
                              << "many" << falseCount << "";
}

void TestEditCntFncDialog::counts()
{
    QFETCH(QString, main);
    QFETCH(QString, sub);
    QFETCH(QString, warning);
    QFETCH(QString, stored);
    open("Mode=10 MainCnt=9 SubCnt=9");
    setFields(main, QString(), sub, QString());
    QCOMPARE(pressOk(), warning);
    if (warning.isEmpty()) {
        QCOMPARE(block->params(), stored);
    } else {
        QCOMPARE(block->params(), QStringLiteral("Mode=10 MainCnt=9 SubCnt=9"));
        QLineEdit *field =
            warning.contains("True") ? dialog->form()->mainLineEdit : dialog->form()->subLineEdit;
        QCOMPARE(field->text(), QStringLiteral("2"));
    }
}

void TestEditCntFncDialog::rounding_data()
{
    QTest::addColumn<QString>("fields"); // main|unit|sub|unit
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("after"); // main|sub after the notice, or the stored text

    const QString head =
        "Invalid Setting|Because it is necessary to set Counter by a unit for 1ns,\n";
    QTest::newRow("fraction dropped")
        << "10.7|nsec|100|nsec" << head + "10.7 is rounded off and becomes 10"
        << "10|100";
    QTest::newRow("both cut") << "10.7|nsec|0.0123456|msec"
                              << head + "10.7 is rounded off and becomes 10,\nand 0.0123456 is "
                                        "rounded off and becomes 0.012345"
                              << "10|0.012345";
    QTest::newRow("sub only") << "1.5|usec|2.0005|usec"
                              << head + "2.0005 is rounded off and becomes 2"
                              << "1.5|2";
    QTest::newRow("exact decimal stays") << "1.005|usec|4294.967295|msec"
                                         << ""
                                         << "Mode=0 MainCnt=1.005usec SubCnt=4294.967295msec";
    QTest::newRow("exact seconds") << "0.000000007|sec|4.294967295|sec"
                                   << ""
                                   << "Mode=0 MainCnt=0.000000007sec SubCnt=4.294967295sec";
    QTest::newRow("plain") << "1.5|usec|2.5|usec"
                           << ""
                           << "Mode=0 MainCnt=1.5usec SubCnt=2.5usec";
}

void TestEditCntFncDialog::rounding()
{
    QFETCH(QString, fields);
    QFETCH(QString, notice);
    QFETCH(QString, after);
    open("Mode=0 MainCnt=9nsec SubCnt=9nsec");
    const QStringList f = fields.split('|');
    setFields(f[0], f[1], f[2], f[3]);
    QCOMPARE(pressOk(), notice);
    if (notice.isEmpty()) {
        QCOMPARE(block->params(), after);
        return;
    }
    QCOMPARE(block->params(), QStringLiteral("Mode=0 MainCnt=9nsec SubCnt=9nsec"));
    const QStringList a = after.split('|');
    QCOMPARE(dialog->form()->mainLineEdit->text(), a[0]);
    QCOMPARE(dialog->form()->subLineEdit->text(), a[1]);
    // The corrected values pass.
    QCOMPARE(pressOk(), QString());
    QCOMPARE(block->params(),
             QStringLiteral("Mode=0 MainCnt=%1%2 SubCnt=%3%4").arg(a[0], f[1], a[1], f[3]));
}

void TestEditCntFncDialog::modeSwitch_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<QString>("fields"); // main|unit|sub|unit at the end

    QTest::newRow("sub raised to the oscillator minimum")
        << "Mode=0 MainCnt=7nsec SubCnt=3nsec" << QList<int>{8} << "7|nsec|6|nsec";
    QTest::newRow("sub above the minimum stays")
        << "Mode=0 MainCnt=7nsec SubCnt=7nsec" << QList<int>{8} << "7|nsec|7|nsec";
    QTest::newRow("to counts") << "Mode=3 MainCnt=1.5usec SubCnt=2usec" << QList<int>{10}
                               << "1500||2000|";
    QTest::newRow("to counts and back")
        << "Mode=3 MainCnt=1.5usec SubCnt=2usec" << QList<int>{10, 3} << "1.5|usec|2|usec";
    QTest::newRow("counts saturate")
        << "Mode=2 MainCnt=5sec SubCnt=2.5sec" << QList<int>{10} << "4294967295||2500000000|";
    QTest::newRow("big count back to time")
        << "Mode=10 MainCnt=3000000000 SubCnt=3" << QList<int>{0} << "3000000000|nsec|5|nsec";
    QTest::newRow("exact microseconds to counts")
        << "Mode=0 MainCnt=1.005usec SubCnt=4.001usec" << QList<int>{10} << "1005||4001|";
}

void TestEditCntFncDialog::modeSwitch()
{
    QFETCH(QString, settings);
    QFETCH(QList<int>, modes);
    QFETCH(QString, fields);
    open(settings);
    for (int mode : modes)
        dialog->form()->modeComboBox->setCurrentIndex(mode);
    const QStringList f = fields.split('|');
    Ui_EditCntFncDialog *ui = dialog->form();
    QCOMPARE(ui->mainLineEdit->text(), f[0]);
    QCOMPARE(ui->subLineEdit->text(), f[2]);
    QCOMPARE(ui->mainComboBox->isHidden(), f[1].isEmpty());
    if (!f[1].isEmpty()) {
        QCOMPARE(ui->mainComboBox->currentText(), f[1]);
        QCOMPARE(ui->subComboBox->currentText(), f[3]);
    }
}

void TestEditCntFncDialog::frequencyRoundTrip_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("freqUnit");
    QTest::addColumn<QString>("shown");  // main|frequency in frequency entry
    QTest::addColumn<QString>("edit");   // main|frequency typed there, or empty
    QTest::addColumn<QString>("widths"); // main|unit|sub|unit back in width entry

    QTest::newRow("unchanged widths") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec"
                                      << "True Width"
                                      << "KHz"
                                      << "1.5|250"
                                      << ""
                                      << "1.5|usec|2.5|usec";
    QTest::newRow("duty unchanged") << "Mode=8 MainCnt=1.5usec SubCnt=2.5usec"
                                    << "Duty"
                                    << "Hz"
                                    << "37.5|250000"
                                    << ""
                                    << "1.5|usec|2.5|usec";
    QTest::newRow("three megahertz") << "Mode=9 MainCnt=100nsec SubCnt=900nsec"
                                     << "True Width"
                                     << "MHz"
                                     << "100|1"
                                     << "100|3"
                                     << "100|nsec|233|nsec";
    QTest::newRow("width beyond the period") << "Mode=9 MainCnt=100nsec SubCnt=900nsec"
                                             << "True Width"
                                             << "MHz"
                                             << "100|1"
                                             << "500|3"
                                             << "500|nsec|333|nsec";
    QTest::newRow("duty of three hertz") << "Mode=9 MainCnt=1msec SubCnt=1msec"
                                         << "Duty"
                                         << "Hz"
                                         << "50|500"
                                         << "50|3"
                                         << "166.666666|msec|166.666667|msec";
    QTest::newRow("awkward period") << "Mode=8 MainCnt=7nsec SubCnt=6nsec"
                                    << "Duty"
                                    << "MHz"
                                    << "53.846153846|76.923076923"
                                    << ""
                                    << "7|nsec|6|nsec";
}

void TestEditCntFncDialog::frequencyRoundTrip()
{
    QFETCH(QString, settings);
    QFETCH(QString, type);
    QFETCH(QString, freqUnit);
    QFETCH(QString, shown);
    QFETCH(QString, edit);
    QFETCH(QString, widths);
    open(settings);
    Ui_EditCntFncDialog *ui = dialog->form();
    PulseEntry *entry = dialog->pulseEntry();
    QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
    QVERIFY(entry->frequencyEntry);
    entry->typeComboBox->setCurrentText(type);
    entry->freqUnitComboBox->setCurrentText(freqUnit);
    const QStringList s = shown.split('|');
    QCOMPARE(ui->mainLineEdit->text(), s[0]);
    QCOMPARE(ui->subLineEdit->text(), s[1]);
    QCOMPARE(entry->percentLabel->isHidden(), type != "Duty");
    if (!edit.isEmpty()) {
        const QStringList e = edit.split('|');
        ui->mainLineEdit->setText(e[0]);
        ui->subLineEdit->setText(e[1]);
    }
    QTest::mouseClick(ui->radioButtonPulseWidth, Qt::LeftButton);
    QVERIFY(!entry->frequencyEntry);
    const QStringList w = widths.split('|');
    QCOMPARE(ui->mainLineEdit->text(), w[0]);
    QCOMPARE(ui->mainComboBox->currentText(), w[1]);
    QCOMPARE(ui->subLineEdit->text(), w[2]);
    QCOMPARE(ui->subComboBox->currentText(), w[3]);
    QCOMPARE(ui->labelMain->text(), QStringLiteral("&True Width"));
    QVERIFY(!ui->mainComboBox->isHidden());
    // And back to frequency entry: the frequency as it was left.
    if (edit.isEmpty()) {
        QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
        QCOMPARE(ui->mainLineEdit->text(), s[0]);
        QCOMPARE(ui->subLineEdit->text(), s[1]);
    }
}

void TestEditCntFncDialog::frequencyOk_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("freqUnit");
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("stored");

    const QString invalid = "Invalid Setting|";
    QTest::newRow("zero frequency") << "True Width"
                                    << "MHz"
                                    << "100"
                                    << "0" << invalid + "Frequency must be larger than 0."
                                    << "";
    QTest::newRow("negative frequency") << "True Width"
                                        << "MHz"
                                        << "100"
                                        << "-1" << invalid + "Frequency must be larger than 0."
                                        << "";
    QTest::newRow("zero duty") << "Duty"
                               << "MHz"
                               << "0"
                               << "10" << invalid + "Duty must be larger than 0."
                               << "";
    QTest::newRow("full duty") << "Duty"
                               << "MHz"
                               << "100"
                               << "10" << invalid + "Duty must be less than 100%."
                               << "";
    QTest::newRow("duty stored as widths") << "Duty"
                                           << "MHz"
                                           << "50"
                                           << "10"
                                           << ""
                                           << "Mode=9 MainCnt=50nsec SubCnt=50nsec Disp=DutyMHz";
    QTest::newRow("width stored with unit") << "True Width"
                                            << "KHz"
                                            << "100"
                                            << "1000"
                                            << ""
                                            << "Mode=9 MainCnt=100nsec SubCnt=900nsec Disp=KHz";
    QTest::newRow("frequency moved by the cut")
        << "True Width"
        << "MHz"
        << "100"
        << "3"
        << invalid +
               "Because it is necessary to set Counter by a unit for 1ns,\n3 is rounded off and "
               "becomes 3.003003003"
        << "Mode=9 MainCnt=100nsec SubCnt=233nsec Disp=MHz";
    QTest::newRow("duty moved by the cut")
        << "Duty"
        << "MHz"
        << "33.3"
        << "10"
        << invalid +
               "Because it is necessary to set Counter by a unit for 1ns,\n33.3 is rounded off and "
               "becomes 33"
        << "Mode=9 MainCnt=33nsec SubCnt=67nsec Disp=DutyMHz";
    QTest::newRow("false width below its minimum") << "True Width"
                                                   << "MHz"
                                                   << "100"
                                                   << "10"
                                                   << "|\"False Width\" must be 6ns - 4.29sec"
                                                   << "";
}

void TestEditCntFncDialog::frequencyOk()
{
    QFETCH(QString, type);
    QFETCH(QString, freqUnit);
    QFETCH(QString, main);
    QFETCH(QString, frequency);
    QFETCH(QString, warning);
    QFETCH(QString, stored);
    const QString before = "Mode=9 MainCnt=100nsec SubCnt=900nsec";
    open(before);
    Ui_EditCntFncDialog *ui = dialog->form();
    PulseEntry *entry = dialog->pulseEntry();
    QTest::mouseClick(ui->radioButtonFrequency, Qt::LeftButton);
    entry->typeComboBox->setCurrentText(type);
    entry->freqUnitComboBox->setCurrentText(freqUnit);
    ui->mainLineEdit->setText(main);
    ui->subLineEdit->setText(frequency);
    QCOMPARE(pressOk(), warning);
    if (!warning.isEmpty()) {
        QCOMPARE(block->params(), before);
        // The dialog stays in frequency entry, ready for the next try.
        QVERIFY(entry->frequencyEntry);
        QCOMPARE(entry->typeComboBox->currentText(), type);
        if (stored.isEmpty())
            return;
        QCOMPARE(pressOk(), QString());
    }
    QCOMPARE(block->params(), stored);
    // Reopened, it shows what was confirmed.
    open(stored);
    QVERIFY(dialog->pulseEntry()->frequencyEntry);
    QCOMPARE(dialog->pulseEntry()->typeComboBox->currentText(), type);
    QCOMPARE(dialog->pulseEntry()->freqUnitComboBox->currentText(), freqUnit);
}

void TestEditCntFncDialog::storeAndCancel()
{
    ProgramWidget *sheet = bench->sheets.first();
    Q_UNUSED(sheet);
    open("Mode=0 MainCnt=1.5usec SubCnt=2.5usec");
    int snapshots = bench->host.snapshots;
    QCOMPARE(pressOk(), QString());
    QCOMPARE(bench->host.snapshots, snapshots); // unchanged text: no redraw, no undo step

    open("Mode=0 MainCnt=1.5usec SubCnt=2.5usec");
    dialog->form()->modeComboBox->setCurrentIndex(9);
    QCOMPARE(pressOk(), QString());
    QCOMPARE(block->params(), QStringLiteral("Mode=9 MainCnt=1.5usec SubCnt=2.5usec"));
    QCOMPARE(bench->host.snapshots, snapshots + 1);

    open("Mode=9 MainCnt=1.5usec SubCnt=2.5usec");
    dialog->form()->modeComboBox->setCurrentIndex(2);
    dialog->form()->mainLineEdit->setText("77");
    QTest::mouseClick(dialog->form()->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(block->params(), QStringLiteral("Mode=9 MainCnt=1.5usec SubCnt=2.5usec"));
    QCOMPARE(bench->host.snapshots, snapshots + 1);
}

QTEST_MAIN(TestEditCntFncDialog)
#include "tst_editcntfncdialog.moc"
