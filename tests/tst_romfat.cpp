#include "moduleemulator.h"
#include "romfat.h"

#include <QTest>

namespace {

// A table whose pool is taken except for the clusters listed.
QByteArray poolTakenExcept(const QList<int> &freeClusters)
{
    QByteArray fat = RomFat::emptyImage();
    for (int n = RomFat::PoolFirst; n <= RomFat::PoolLast; ++n)
        RomFat::setEntry(fat, n,
                         freeClusters.contains(n) ? RomFat::FreeEntry : RomFat::LastCluster);
    return fat;
}

QString readError(const QByteArray &fat, int page)
{
    try {
        RomFat::chain(fat, page);
    } catch (const QString &text) {
        return text;
    }
    return QString();
}

QString freeError(QByteArray fat, int page)
{
    try {
        RomFat::freeChain(fat, page);
    } catch (const QString &text) {
        return text;
    }
    return QString();
}

} // namespace

class TestRomFat : public QObject
{
    Q_OBJECT

private slots:
    void emptyImage();
    void allocateAndReadBack_data();
    void allocateAndReadBack();
    void allocationSkipsTakenClusters();
    void freeingAndOverwriting();
    void pageWithoutFile();
    void poolFull();
    void corruptionTexts_data();
    void corruptionTexts();
    void emulatorPresets_data();
    void emulatorPresets();
    void loopGuard();
    void pageNames();
};

void TestRomFat::emptyImage()
{
    const QByteArray fat = RomFat::emptyImage();
    QCOMPARE(fat.size(), 4096);
    for (int i = 0; i < fat.size(); ++i) {
        const bool noFile = i < 32 || i >= 4094;
        QCOMPARE(quint8(fat[i]), quint8(noFile ? 0xFE : 0xFF));
    }
    for (int p = 0; p < 16; ++p)
        QVERIFY(!RomFat::hasFile(fat, p));
}

void TestRomFat::allocateAndReadBack_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QVector<int>>("clusters");
    QTest::addColumn<QVector<int>>("entries");

    QTest::newRow("1 byte") << 1 << QVector<int>{5} << QVector<int>{0x8000};
    QTest::newRow("4095 bytes") << 4095 << QVector<int>{5} << QVector<int>{0x8FFE};
    QTest::newRow("4096 bytes") << 4096 << QVector<int>{5} << QVector<int>{0x8FFF};
    QTest::newRow("4097 bytes") << 4097 << QVector<int>{5, 16} << QVector<int>{16, 0x8000};
    QTest::newRow("8192 bytes") << 8192 << QVector<int>{5, 16} << QVector<int>{16, 0x8FFF};
    QTest::newRow("8193 bytes") << 8193 << QVector<int>{5, 16, 17} << QVector<int>{16, 17, 0x8000};
}

void TestRomFat::allocateAndReadBack()
{
    QFETCH(int, size);
    QFETCH(QVector<int>, clusters);
    QFETCH(QVector<int>, entries);

    QByteArray fat = RomFat::emptyImage();
    QVERIFY(RomFat::hasSpace(fat, size));
    QCOMPARE(RomFat::allocate(fat, 5, size), clusters);
    for (int i = 0; i < clusters.size(); ++i)
        QCOMPARE(int(RomFat::entry(fat, clusters[i])), entries[i]);

    const QVector<RomFat::Link> links = RomFat::chain(fat, 5);
    QCOMPARE(links.size(), clusters.size());
    int total = 0;
    for (int i = 0; i < links.size(); ++i) {
        QCOMPARE(links[i].cluster, clusters[i]);
        QCOMPARE(links[i].last, i == links.size() - 1);
        total += links[i].size;
    }
    QCOMPARE(total, size);
    // Only the file's own entries changed.
    QByteArray untouched = RomFat::emptyImage();
    for (int c : clusters)
        RomFat::setEntry(untouched, c, RomFat::entry(fat, c));
    QCOMPARE(fat, untouched);
}

void TestRomFat::allocationSkipsTakenClusters()
{
    QByteArray fat = poolTakenExcept({16, 18, 40});
    QCOMPARE(RomFat::allocate(fat, 2, 3 * 4096 - 100), (QVector<int>{2, 16, 18}));
    QCOMPARE(int(RomFat::entry(fat, 2)), 16);
    QCOMPARE(int(RomFat::entry(fat, 16)), 18);
    QCOMPARE(int(RomFat::entry(fat, 18)), 0x8000 | (4096 - 100 - 1));
    QCOMPARE(int(RomFat::entry(fat, 17)), 0x8000);
    QVERIFY(RomFat::isFree(RomFat::entry(fat, 40)));
}

void TestRomFat::freeingAndOverwriting()
{
    QByteArray fat = RomFat::emptyImage();
    QCOMPARE(RomFat::allocate(fat, 3, 3 * 4096), (QVector<int>{3, 16, 17}));
    QCOMPARE(RomFat::allocate(fat, 4, 2 * 4096), (QVector<int>{4, 18}));

    // Overwriting page 3 with a smaller file: the old chain is freed first, then reused lowest
    // first.
    RomFat::freeChain(fat, 3);
    QCOMPARE(RomFat::entry(fat, 3), RomFat::FreeEntry);
    QCOMPARE(RomFat::entry(fat, 16), RomFat::FreeEntry);
    QCOMPARE(RomFat::entry(fat, 17), RomFat::FreeEntry);
    QCOMPARE(int(RomFat::entry(fat, 4)), 18);
    QCOMPARE(RomFat::allocate(fat, 3, 4097), (QVector<int>{3, 16}));
    QVERIFY(RomFat::isFree(RomFat::entry(fat, 17)));

    // Page 4 is intact, and freeing a single-cluster file frees only its page entry.
    QCOMPARE(RomFat::chain(fat, 4).size(), 2);
    QByteArray single = RomFat::emptyImage();
    RomFat::allocate(single, 7, 10);
    RomFat::freeChain(single, 7);
    QByteArray expected = RomFat::emptyImage();
    RomFat::setEntry(expected, 7, RomFat::FreeEntry);
    QCOMPARE(single, expected);
}

void TestRomFat::pageWithoutFile()
{
    QByteArray fat = RomFat::emptyImage();
    QVERIFY(RomFat::chain(fat, 9).isEmpty());
    RomFat::freeChain(fat, 9);
    QCOMPARE(fat, RomFat::emptyImage());
    // Any entry whose high byte is 0xFE means no file.
    RomFat::setEntry(fat, 9, 0xFE12);
    QVERIFY(!RomFat::hasFile(fat, 9));
    QVERIFY(RomFat::chain(fat, 9).isEmpty());
}

void TestRomFat::poolFull()
{
    const QByteArray full = poolTakenExcept({});
    QVERIFY(RomFat::hasSpace(full, 1));
    QVERIFY(RomFat::hasSpace(full, 4096));
    QVERIFY(!RomFat::hasSpace(full, 4097));

    const QByteArray oneFree = poolTakenExcept({2046});
    QVERIFY(RomFat::hasSpace(oneFree, 8192));
    QVERIFY(!RomFat::hasSpace(oneFree, 8193));

    QByteArray fat = full;
    QVERIFY(RomFat::allocate(fat, 0, 8192).isEmpty());
    QCOMPARE(fat, full);
    QCOMPARE(RomFat::allocate(fat, 0, 4096), QVector<int>{0});

    fat = oneFree;
    QCOMPARE(RomFat::allocate(fat, 1, 8192), (QVector<int>{1, 2046}));
    QVERIFY(RomFat::allocate(fat, 2, 0).isEmpty());
}

void TestRomFat::corruptionTexts_data()
{
    QTest::addColumn<QByteArray>("fat");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("freeing");

    const auto table = [](const QList<QPair<int, int>> &entries) {
        QByteArray fat = RomFat::emptyImage();
        for (const auto &e : entries)
            RomFat::setEntry(fat, e.first, quint16(e.second));
        return fat;
    };
    const QString ok;
    QTest::newRow("page length 4096")
        << table({{3, 0x9000}}) << RomFat::readLengthCorrupted() << ok;
    QTest::newRow("free mark in chain")
        << table({{3, 16}}) << RomFat::readLengthCorrupted() << RomFat::freeLengthCorrupted();
    QTest::newRow("no-file mark in chain")
        << table({{3, 16}, {16, 0xFEFE}}) << RomFat::readLengthCorrupted()
        << RomFat::freeLengthCorrupted();
    QTest::newRow("last length 4096 in pool")
        << table({{3, 16}, {16, 0x9000}}) << RomFat::readLengthCorrupted()
        << RomFat::freeLengthCorrupted();
    QTest::newRow("link to a page") << table({{3, 16}, {16, 20}, {20, 5}})
                                    << RomFat::readLinkCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("page links to a page")
        << table({{3, 4}}) << RomFat::readLinkCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("link to the table")
        << table({{3, 2047}}) << RomFat::readLinkCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("loop") << table({{3, 16}, {16, 17}, {17, 16}}) << RomFat::readLinkCorrupted()
                          << RomFat::freeLinkCorrupted();
    QTest::newRow("link beyond the store")
        << table({{3, 16}, {16, 2048}}) << RomFat::readBeyondCorrupted()
        << RomFat::freeLinkCorrupted();
}

void TestRomFat::corruptionTexts()
{
    QFETCH(QByteArray, fat);
    QFETCH(QString, reading);
    QFETCH(QString, freeing);
    QCOMPARE(readError(fat, 3), reading);
    QCOMPARE(freeError(fat, 3), freeing);
    // Other pages are still readable.
    QVERIFY(readError(fat, 10).isEmpty());
}

void TestRomFat::emulatorPresets_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("freeing");
    const QString ok;
    QTest::newRow("last too long")
        << int(ModuleEmulator::FatLastTooLong) << RomFat::readLengthCorrupted() << ok;
    QTest::newRow("free in chain")
        << int(ModuleEmulator::FatFreeInChain) << RomFat::readLengthCorrupted()
        << RomFat::freeLengthCorrupted();
    QTest::newRow("bad last length")
        << int(ModuleEmulator::FatBadLastLength) << RomFat::readLengthCorrupted()
        << RomFat::freeLengthCorrupted();
    QTest::newRow("link to page") << int(ModuleEmulator::FatLinkToPage)
                                  << RomFat::readLinkCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("link to table") << int(ModuleEmulator::FatLinkToFat)
                                   << RomFat::readLinkCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("link beyond") << int(ModuleEmulator::FatLinkBeyond)
                                 << RomFat::readBeyondCorrupted() << RomFat::freeLinkCorrupted();
    QTest::newRow("loop") << int(ModuleEmulator::FatLoop) << RomFat::readLinkCorrupted()
                          << RomFat::freeLinkCorrupted();
}

// The emulator's preset damage gives each text the worker can meet.
void TestRomFat::emulatorPresets()
{
    QFETCH(int, kind);
    QFETCH(QString, reading);
    QFETCH(QString, freeing);
    ModuleEmulator emulator;
    emulator.presetFatCorruption(ModuleEmulator::FatCorruption(kind), 6);
    const QByteArray fat = emulator.cluster(RomFat::FatCluster);
    QCOMPARE(readError(fat, 6), reading);
    QCOMPARE(freeError(fat, 6), freeing);
}

void TestRomFat::loopGuard()
{
    QSet<int> visited;
    QVERIFY(!RomFat::seen(visited, -1));
    for (int p = 0; p < 16; ++p)
        QVERIFY(RomFat::seen(visited, p));
    QVERIFY(RomFat::seen(visited, 2047));
    QVERIFY(!RomFat::seen(visited, 100));
    QVERIFY(RomFat::seen(visited, 100));
    RomFat::seen(visited, -1);
    QVERIFY(!RomFat::seen(visited, 100));
}

void TestRomFat::pageNames()
{
    const auto entry = [](const QByteArray &text) {
        return text + QByteArray(112 - text.size(), '\0');
    };
    QCOMPARE(RomFat::pageName(3, entry("test")), QStringLiteral("ROM3-test"));
    QCOMPARE(RomFat::pageName(3, entry("")), QStringLiteral("ROM3"));
    QCOMPARE(RomFat::pageName(12, entry("ROM12-run")), QStringLiteral("ROM12-run"));
    QCOMPARE(RomFat::pageName(1, entry("ROM12-run")), QStringLiteral("ROM1-ROM12-run"));
    const QByteArray full(112, 'x');
    QCOMPARE(RomFat::comment(full).size(), 112);
    QCOMPARE(RomFat::comment(entry("a") + "ignored"), QStringLiteral("a"));
}

QTEST_MAIN(TestRomFat)
#include "tst_romfat.moc"
