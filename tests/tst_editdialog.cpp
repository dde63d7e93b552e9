#include "editdialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <cmath>
#include <limits>

class TestEditDialog : public QObject
{
    Q_OBJECT

private slots:
    void formatNumber_data();
    void formatNumber();
    void formatNumberReadsBack_data();
    void formatNumberReadsBack();
    void showTime_data();
    void showTime();
    void unitChange_data();
    void unitChange();
    void roundValue_data();
    void roundValue();
    void readNumber_data();
    void readNumber();
    void limits_data();
    void limits();
    void cutToWhole_data();
    void cutToWhole();
};

void TestEditDialog::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative") << -5.0 << "0";
    QTest::newRow("below 1e-14") << 1e-15 << "0";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "0";
    QTest::newRow("infinity") << inf << "0";
    QTest::newRow("minus infinity") << -inf << "0";
    QTest::newRow("1e-14") << 1e-14 << "0.00000000000001";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("hundred") << 100.0 << "100";
    QTest::newRow("thousand") << 1000.0 << "1000";
    QTest::newRow("delay limit") << 32.767 << "32.767";
    QTest::newRow("one third") << 1.0 / 3 << "0.33333333333";
    QTest::newRow("two thirds") << 2.0 / 3 << "0.66666666667";
    QTest::newRow("eleven digits") << 1.2345678901234 << "1.2345678901";
    QTest::newRow("product error") << 32.767 * 1000 << "32767";
    QTest::newRow("eleven digit whole") << 12345600000.0 << "12345600000";
    QTest::newRow("eleven digits with fraction") << 12345678901.6 << "12345678902";
    QTest::newRow("32-bit limit") << 4294967295.0 << "4294967295";
    QTest::newRow("32-bit limit in sec") << 4.294967295 << "4.294967295";
    QTest::newRow("above 1e15") << 2.5e16 << "2.5e+16";
}

void TestEditDialog::formatNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    EditDialog dialog;
    QCOMPARE(dialog.formatNumber(value), text);
}

void TestEditDialog::formatNumberReadsBack_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("1e11") << 1e11;
    QTest::newRow("123456789012") << 123456789012.0;
    QTest::newRow("just below 1e15") << 999999999999999.0;
    QTest::newRow("1e15") << 1e15;
}

void TestEditDialog::formatNumberReadsBack()
{
    // Between 1e11 and 1e15 the text is a plain decimal of the whole value.
    QFETCH(double, value);
    const QString text = EditDialog::numberText(value);
    QVERIFY2(!text.contains('e'), qPrintable(text));
    bool ok = false;
    QCOMPARE(text.toDouble(&ok), std::round(value));
    QVERIFY(ok);
}

void TestEditDialog::showTime_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("rest");
    QTest::newRow("usec") << "1.5usec"
                          << "1.5" << 1000 << "usec"
                          << "1.5";
    QTest::newRow("bare number") << "250"
                                 << "250" << 1 << "nsec"
                                 << "250";
    QTest::newRow("sec") << "2sec"
                         << "2" << 1000000000 << "sec"
                         << "2";
    QTest::newRow("msec not seconds") << "30msec"
                                      << "30" << 1000000 << "msec"
                                      << "30";
    QTest::newRow("nsec") << "4294967295nsec"
                          << "4294967295" << 1 << "nsec"
                          << "4294967295";
    QTest::newRow("suffix alone") << "msec"
                                  << "0" << 1000000000 << "sec"
                                  << "m";
    QTest::newRow("not a number") << "abcusec"
                                  << "0" << 1000 << "usec"
                                  << "abc";
    QTest::newRow("nan is no number") << "nanusec"
                                      << "0" << 1000 << "usec"
                                      << "nan";
    QTest::newRow("infinity is no number") << "inf"
                                           << "0" << 1 << "nsec"
                                           << "inf";
    QTest::newRow("empty") << ""
                           << "0" << 1 << "nsec"
                           << "";
}

void TestEditDialog::showTime()
{
    QFETCH(QString, stored);
    QFETCH(QString, field);
    QFETCH(int, factor);
    QFETCH(QString, unit);
    QFETCH(QString, rest);
    EditDialog dialog;
    QLineEdit edit;
    QComboBox units;
    units.addItems({"sec", "msec", "usec", "nsec"});
    int unitFactor = 7;
    dialog.showTime(&edit, &units, &unitFactor, stored);
    QCOMPARE(edit.text(), field);
    QCOMPARE(unitFactor, factor);
    QCOMPARE(units.currentText(), unit);
    QCOMPARE(stored, rest);
}

void TestEditDialog::unitChange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("result");
    QTest::newRow("ns to us") << "1500" << 1 << 1000 << "1.5";
    QTest::newRow("us to ns") << "1.5" << 1000 << 1 << "1500";
    QTest::newRow("no number to sec") << "abc" << 1 << 1000000000 << "0";
    QTest::newRow("nan to sec") << "nan" << 1 << 1000000000 << "0";
    QTest::newRow("delay limit us to ns") << "32.767" << 1000 << 1 << "32767";
    QTest::newRow("ns limit to sec") << "4294967295" << 1 << 1000000000 << "4.294967295";
    QTest::newRow("sec to msec") << "4.294967295" << 1000000000 << 1000000 << "4294.967295";
    QTest::newRow("exact thousandth") << "1.001" << 1000 << 1 << "1001";
    QTest::newRow("same unit") << "12.50" << 1000 << 1000 << "12.5";
}

void TestEditDialog::unitChange()
{
    QFETCH(QString, text);
    QFETCH(int, factor);
    QFETCH(int, target);
    QFETCH(QString, result);
    EditDialog dialog;
    QLineEdit edit(text);
    int unitFactor = factor;
    switch (target) {
    case EditDialog::Second:
        dialog.toSec(&edit, &unitFactor);
        break;
    case EditDialog::Millisecond:
        dialog.toMsec(&edit, &unitFactor);
        break;
    case EditDialog::Microsecond:
        dialog.toUsec(&edit, &unitFactor);
        break;
    default:
        dialog.toNsec(&edit, &unitFactor);
    }
    QCOMPARE(edit.text(), result);
    QCOMPARE(unitFactor, target);
}

void TestEditDialog::roundValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("half up") << 2.5 << 3.0;
    QTest::newRow("below half") << 2.4999 << 2.0;
    QTest::newRow("zero") << 0.0 << 0.0;
    QTest::newRow("delay limit plus half") << 32767.5 << 32768.0;
    QTest::newRow("negative") << -3.0 << 0.0;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    QTest::newRow("huge saturates") << 1e30 << double(std::numeric_limits<quint64>::max());
}

void TestEditDialog::roundValue()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    EditDialog dialog;
    QCOMPARE(dialog.roundValue(value), rounded);
}

void TestEditDialog::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("decimal") << "1.25" << 1.25 << true;
    QTest::newRow("C locale only") << "1,25" << 0.0 << false;
    QTest::newRow("exponent") << "2e3" << 2000.0 << true;
    QTest::newRow("word") << "abc" << 0.0 << false;
    QTest::newRow("nan") << "nan" << 0.0 << false;
    QTest::newRow("inf") << "inf" << 0.0 << false;
    QTest::newRow("minus inf") << "-inf" << 0.0 << false;
    QTest::newRow("overflow") << "1e999" << 0.0 << false;
    QTest::newRow("empty") << "" << 0.0 << false;
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
    QTest::newRow("limit typed in us") << 32.767 * 1000 << 32767.0 << false << false;
    QTest::newRow("one ns above") << 32.768 * 1000 << 32767.0 << true << false;
    QTest::newRow("a tenth of a ns above") << 32767.1 << 32767.0 << true << false;
    QTest::newRow("32-bit limit in sec") << 4.294967295 * 1e9 << 4294967295.0 << false << false;
    QTest::newRow("one ns above 32 bits") << 4.294967296 * 1e9 << 4294967295.0 << true << false;
    QTest::newRow("minimum typed in us") << 0.005 * 1000 << 5.0 << false << false;
    QTest::newRow("below minimum") << 4.0 << 5.0 << false << true;
    QTest::newRow("NaN is neither")
        << std::numeric_limits<double>::quiet_NaN() << 5.0 << false << false;
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

void TestEditDialog::cutToWhole_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<quint64>("whole");
    QTest::addColumn<quint32>("unsigned32");
    QTest::addColumn<qint32>("signed32");
    QTest::newRow("exact us in ns") << 1.001 * 1000 << quint64(1001) << 1001u << 1001;
    QTest::newRow("true fraction") << 10.7 << quint64(10) << 10u << 10;
    QTest::newRow("just below whole") << 10.9999 << quint64(10) << 10u << 10;
    QTest::newRow("32-bit limit in sec")
        << 4.294967295 * 1e9 << quint64(4294967295u) << 4294967295u << 2147483647;
    QTest::newRow("above 32 bits") << 5e9 << quint64(5000000000u) << 4294967295u << 2147483647;
    QTest::newRow("negative") << -3.5 << quint64(0) << 0u << -3;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << quint64(0) << 0u << 0;
    QTest::newRow("huge") << 1e30 << std::numeric_limits<quint64>::max() << 4294967295u
                          << 2147483647;
    QTest::newRow("minus huge") << -1e30 << quint64(0) << 0u << qint32(-2147483647 - 1);
}

void TestEditDialog::cutToWhole()
{
    QFETCH(double, value);
    QFETCH(quint64, whole);
    QFETCH(quint32, unsigned32);
    QFETCH(qint32, signed32);
    QCOMPARE(EditDialog::cutToWhole(value), whole);
    QCOMPARE(EditDialog::cutToUInt32(value), unsigned32);
    QCOMPARE(EditDialog::cutToInt32(value), signed32);
}

QTEST_MAIN(TestEditDialog)
#include "tst_editdialog.moc"
