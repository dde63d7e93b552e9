#include "editdialog.h"
#include "tablerow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QTest>

#include <limits>

namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// A stored time text: the field and unit it fills, then the field moved to
// the unit of the target factor.
struct TimeCase {
    QString stored, shown, unit;
    int target;
    QString converted;
};

// Rounded half up; cut to whole, to unsigned and to signed 32 bits.
struct WholeCase {
    double value, rounded;
    quint64 whole;
    quint32 unsigned32;
    qint32 signed32;
};

} // namespace

Q_DECLARE_METATYPE(TimeCase)
Q_DECLARE_METATYPE(WholeCase)

class TestEditDialog : public QObject
{
    Q_OBJECT

    EditDialog dialog;
    QLineEdit field;
    QComboBox units;

private slots:
    void formatNumber_data();
    void formatNumber();
    void timeUnits_data();
    void timeUnits();
    void readNumber_data();
    void readNumber();
    void limits_data();
    void limits();
    void wholeNumbers_data();
    void wholeNumbers();
};

void TestEditDialog::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    row("below 1e-14", 1e-15, "0");
    row("NaN", nan, "0");
    row("infinity", inf, "0");
    row("1e-14", 1e-14, "0.00000000000001");
    row("half", 0.5, "0.5");
    row("whole keeps its zeros", 1000.0, "1000");
    row("two thirds", 2.0 / 3, "0.66666666667");
    row("eleven digits", 1.2345678901234, "1.2345678901");
    row("product error", 32.767 * 1000, "32767");
    row("eleven digits with fraction", 12345678901.6, "12345678902");
    row("32-bit limit in sec", 4.294967295, "4.294967295");
    // From 1e11 to 1e15 the whole value is written out, so that it reads back.
    row("twelve digits", 123456789012.0, "123456789012");
    row("1e15", 1e15, "1000000000000000");
    row("above 1e15", 2.5e16, "2.5e+16");
}

void TestEditDialog::formatNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(dialog.formatNumber(value), text);
}

void TestEditDialog::timeUnits_data()
{
    const Table<TimeCase> add("c");
    add("usec to ns", {"1.5usec", "1.5", "usec", 1, "1500"});
    add("bare number to us", {"1500", "1500", "nsec", 1000, "1.5"});
    add("exact thousandth", {"1.001usec", "1.001", "usec", 1, "1001"});
    add("delay limit", {"32.767usec", "32.767", "usec", 1, "32767"});
    add("msec is not sec", {"30msec", "30", "msec", 1000000000, "0.03"});
    add("nsec is not sec", {"4294967295nsec", "4294967295", "nsec", 1000000000, "4.294967295"});
    add("sec to msec", {"4.294967295sec", "4.294967295", "sec", 1000000, "4294.967295"});
    add("suffix alone", {"msec", "0", "sec", 1000, "0"});
    add("nan is no number", {"nanusec", "0", "usec", 1, "0"});
}

void TestEditDialog::timeUnits()
{
    QFETCH(TimeCase, c);
    if (!units.count())
        units.addItems({"sec", "msec", "usec", "nsec"});
    units.setCurrentIndex(-1);
    int factor = 7;
    dialog.showTime(&field, &units, &factor, c.stored);
    QCOMPARE(field.text(), c.shown);
    QCOMPARE(units.currentText(), c.unit);
    const QMap<int, void (EditDialog::*)(QLineEdit *, int *)> moves{
        {EditDialog::Second, &EditDialog::toSec},
        {EditDialog::Millisecond, &EditDialog::toMsec},
        {EditDialog::Microsecond, &EditDialog::toUsec},
        {EditDialog::Nanosecond, &EditDialog::toNsec}};
    (dialog.*moves.value(c.target))(&field, &factor);
    QCOMPARE(field.text(), c.converted);
    QCOMPARE(factor, c.target);
}

void TestEditDialog::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    row("decimal", "1.25", 1.25, true);
    row("C locale only", "1,25", 0.0, false);
    row("nan", "nan", 0.0, false);
    row("inf", "inf", 0.0, false);
    row("overflow", "1e999", 0.0, false);
}

void TestEditDialog::readNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, ok);
    bool read = !ok;
    QCOMPARE(EditDialog::readNumber(text, &read), value);
    QCOMPARE(read, ok);
}

void TestEditDialog::limits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("limit");
    QTest::addColumn<bool>("above");
    QTest::addColumn<bool>("below");
    row("limit typed in us", 32.767 * 1000, 32767.0, false, false);
    row("one ns above", 32.768 * 1000, 32767.0, true, false);
    row("a tenth of a ns above", 32767.1, 32767.0, true, false);
    row("32-bit limit in sec", 4.294967295 * 1e9, 4294967295.0, false, false);
    row("one ns above 32 bits", 4.294967296 * 1e9, 4294967295.0, true, false);
    row("minimum typed in us", 0.005 * 1000, 5.0, false, false);
    row("below minimum", 4.0, 5.0, false, true);
    row("NaN is neither", nan, 5.0, false, false);
}

void TestEditDialog::limits()
{
    QFETCH(double, value);
    QFETCH(double, limit);
    QFETCH(bool, above);
    QFETCH(bool, below);
    QCOMPARE(EditDialog::isAbove(value, limit), above);
    QCOMPARE(EditDialog::isBelow(value, limit), below);
}

void TestEditDialog::wholeNumbers_data()
{
    const Table<WholeCase> add("c");
    const quint64 max = std::numeric_limits<quint64>::max();
    add("half", {2.5, 3.0, quint64(2), 2u, 2});
    add("below half", {2.4999, 2.0, quint64(2), 2u, 2});
    add("exact us in ns", {1.001 * 1000, 1001.0, quint64(1001), 1001u, 1001});
    add("true fraction", {10.7, 11.0, quint64(10), 10u, 10});
    add("just below whole", {10.9999, 11.0, quint64(10), 10u, 10});
    add("32-bit limit in sec",
        {4.294967295 * 1e9, 4294967295.0, quint64(4294967295u), 4294967295u, 2147483647});
    add("above 32 bits", {5e9, 5e9, quint64(5000000000u), 4294967295u, 2147483647});
    add("negative", {-3.5, 0.0, quint64(0), 0u, -3});
    add("NaN", {nan, 0.0, quint64(0), 0u, 0});
    add("huge", {1e30, double(max), max, 4294967295u, 2147483647});
    add("minus huge", {-1e30, 0.0, quint64(0), 0u, qint32(-2147483647 - 1)});
}

void TestEditDialog::wholeNumbers()
{
    QFETCH(WholeCase, c);
    QCOMPARE(dialog.roundValue(c.value), c.rounded);
    QCOMPARE(EditDialog::cutToWhole(c.value), c.whole);
    QCOMPARE(EditDialog::cutToUInt32(c.value), c.unsigned32);
    QCOMPARE(EditDialog::cutToInt32(c.value), c.signed32);
}

QTEST_MAIN(TestEditDialog)
#include "tst_editdialog.moc"
