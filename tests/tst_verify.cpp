#include <QTest>

#include "blockitem.h"
#include "designkit.h"
#include "memorymodule.h"
#include "programdata.h"

class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void roundTripMatches();
    void firstDifferenceIsReported_data();
    void firstDifferenceIsReported();
    void shortReadBackIsAMismatch();
};

namespace {

// The verify step of the module worker: areas in order, stop at the first difference.
QString verify(ProgramData &design, const MemoryModule &module)
{
    QString scratch;
    design.registerTableHtml(scratch);
    QString diff;
    const bool match = design.verifyRegisters(module.read(0x0004, 140), diff) &&
                       design.verifyFunctionTable(module.read(0x2000, 2048), diff) &&
                       design.verifyOutputTable(module.read(0x2800, 2048), diff) &&
                       design.verifyDelayTable(module.read(0x3000, 2048), diff) &&
                       design.verifyMsrCntTable(module.read(0x3800, 2048), diff);
    return match ? QString() : diff;
}

} // namespace

void TestVerify::roundTripMatches()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    MemoryModule module;
    design.download(&module);
    QCOMPARE(verify(design, module), QString());

    // Registers read but not compared, and the live user-control register.
    for (int address : {0x64, 0x67, 0x6A, 0x6E, 0x6F, 0x80, 0x87})
        module.memory[address] = char(0x5A);
    QCOMPARE(verify(design, module), QString());

    QString html;
    design.registerTableHtml(html);
    QCOMPARE(html, QStringLiteral("<table width=\"100%\">\n"
                                  "<tr><td></td><td>Current</td><td>Register</td></tr>\n"));
}

void TestVerify::firstDifferenceIsReported_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("text");
    // Full design: counter unit 2 (slot 5) has main 7 and sub 2.
    QTest::newRow("mode mask") << 0x0007 << "address 0x00000006\ncurrent:001c  register:0000\n";
    QTest::newRow("counter main") << 0x0033
                                  << "address 0x00000030\ncurrent:00000007  register:000000ff\n";
    QTest::newRow("counter sub") << 0x0034
                                 << "address 0x00000034\ncurrent:00000002  register:ff000002\n";
    QTest::newRow("function table")
        << 0x2003 << "address 0x00002002\ncurrent:9001  register:90ff\n";
    QTest::newRow("output table") << 0x2800 << "address 0x00002800\ncurrent:08  register:ff\n";
    QTest::newRow("feedback table") << 0x37FF << "address 0x000037ff\ncurrent:00  register:ff\n";
    QTest::newRow("counter table") << 0x3801 << "address 0x00003801\ncurrent:20  register:ff\n";
}

void TestVerify::firstDifferenceIsReported()
{
    QFETCH(int, address);
    QFETCH(QString, text);
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    MemoryModule module;
    design.download(&module);
    const char original = module.memory.at(address);
    module.memory[address] = char(original == char(0xFF) ? 0x00 : 0xFF);
    // Later areas differ too; only the first difference counts.
    module.memory[0x3FFF] = char(module.memory.at(0x3FFF) ^ 0x01);
    if (address == 0x0007)
        module.memory[address] = 0;
    QCOMPARE(verify(design, module), text);
}

void TestVerify::shortReadBackIsAMismatch()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    design.assignResources();
    MemoryModule module;
    design.download(&module);
    QString diff;
    QVERIFY(!design.verifyRegisters(module.read(0x0004, 133), diff));
    QCOMPARE(diff, QStringLiteral("address 0x00000088\ncurrent:000005dc  register:missing\n"));
    diff.clear();
    QVERIFY(!design.verifyFunctionTable(QByteArray(), diff));
    QCOMPARE(diff, QStringLiteral("address 0x00002000\ncurrent:8000  register:missing\n"));
    diff.clear();
    QVERIFY(!design.verifyMsrCntTable(module.read(0x3800, 2047), diff));
    QVERIFY(diff.startsWith(QStringLiteral("address 0x00003fff\n")));
    // Longer data is compared as far as the area goes.
    diff.clear();
    QVERIFY(design.verifyOutputTable(module.read(0x2800, 4096), diff));
    QVERIFY(diff.isEmpty());
}

QTEST_MAIN(TestVerify)
#include "tst_verify.moc"
