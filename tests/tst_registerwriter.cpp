#include <QTest>

#include "memorymodule.h"

class TestRegisterWriter : public QObject
{
    Q_OBJECT

private slots:
    void batchesFollowAddressRuns();
    void batchesAreCappedAndSplitIntoRequests();
    void failuresAreReported_data();
    void failuresAreReported();
    void cancelStopsBeforeTheNextBatch();
};

void TestRegisterWriter::batchesFollowAddressRuns()
{
    MemoryModule module;
    QCOMPARE(module.write8(1, 0x10), 1);
    module.write8(2, 0x11);
    QVERIFY(module.requests.isEmpty());
    module.write8(3, 0x20); // a gap sends the run so far
    QCOMPARE(module.requests.size(), 1);
    QCOMPARE(module.requests[0].address, quint32(0x10));
    QCOMPARE(module.requests[0].data, QByteArray("\x01\x02", 2));
    QCOMPARE(module.flushBatch(), 1);
    QCOMPARE(module.flushBatch(), 0); // empty batch: nothing sent, progress still reported
    QCOMPARE(module.progress, (QVector<int>{2, 3, 3}));
    QCOMPARE(module.bytesSent(), 3);

    // Wider values are big-endian and keep only their low bits.
    QCOMPARE(module.write16(0x12345678, 0x30), 2);
    QCOMPARE(module.write32(int(0x89ABCDEF), 0x32), 4);
    module.flushBatch();
    QCOMPARE(module.read(0x30, 6), QByteArray("\x56\x78\x89\xAB\xCD\xEF", 6));
}

void TestRegisterWriter::batchesAreCappedAndSplitIntoRequests()
{
    MemoryModule module;
    for (int i = 0; i < 300; ++i)
        module.write8(i, 0x100 + i);
    module.flushBatch();
    QCOMPARE(module.batches.size(), 2);
    QCOMPARE(module.batches[0].length, 255);
    QCOMPARE(module.batches[1].address, quint32(0x100 + 255));
    QCOMPARE(module.batches[1].length, 45);
    QCOMPARE(module.requests.size(), 3); // 128 + 127, then 45
    QCOMPARE(module.requests[0].data.size(), 128);
    QCOMPARE(module.requests[1].address, quint32(0x180));
    QCOMPARE(module.requests[1].data.size(), 127);
    for (int i = 0; i < 300; ++i)
        QCOMPARE(quint8(module.memory[0x100 + i]), quint8(i));

    // 16-bit values never straddle two batches: 254 bytes, then the rest.
    MemoryModule words;
    for (int i = 0; i < 200; ++i)
        words.write16(i, 0x2000 + 2 * i);
    words.flushBatch();
    QCOMPARE(words.batches[0].length, 254);
    QCOMPARE(words.batches[1].length, 146);
}

void TestRegisterWriter::failuresAreReported_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("unreachable") << -1 << "QVexbus: 127.0.0.1 is not available.";
    QTest::newRow("short") << 3 << "QVexbus: Error";
}

void TestRegisterWriter::failuresAreReported()
{
    QFETCH(int, result);
    QFETCH(QString, message);
    MemoryModule module;
    module.failAt = 1; // the second request of the batch
    module.failResult = result;
    for (int i = 0; i < 200; ++i)
        module.write8(i, i);
    try {
        module.flushBatch();
        QFAIL("no failure reported");
    } catch (const QString &text) {
        QCOMPARE(text, message);
    }
    QVERIFY(module.progress.isEmpty());
    QCOMPARE(module.bytesSent(), 0);
}

void TestRegisterWriter::cancelStopsBeforeTheNextBatch()
{
    MemoryModule module;
    module.cancelAfterRequests = 0;
    module.write8(1, 0x10);
    try {
        module.flushBatch();
        QFAIL("cancel not reported");
    } catch (const QString &text) {
        QCOMPARE(text, QStringLiteral("REGX: Download Cancelled"));
    }
    QVERIFY(module.requests.isEmpty());
}

QTEST_MAIN(TestRegisterWriter)
#include "tst_registerwriter.moc"
