#include "designkit.h"
#include "moduleemulator.h"
#include "programdata.h"
#include "qudpthread.h"
#include "romfat.h"
#include "workerprobe.h"

#include <QTest>

#include <memory>

namespace {

QByteArray document(int size, int seed)
{
    QByteArray doc(size, '\0');
    for (int i = 0; i < size; ++i)
        doc[i] = char('A' + (i * 7 + seed) % 26);
    return doc;
}

QByteArray directoryEntry(const QByteArray &comment)
{
    return comment + QByteArray(112 - comment.size(), '\0');
}

QByteArray imagePattern(int seed)
{
    return document(140 + 8192, seed);
}

void pokeImage(ModuleEmulator &emulator, const QByteArray &image)
{
    emulator.poke(0x0004, image.left(140));
    emulator.poke(0x2000, image.mid(140));
}

int countOf(const QStringList &trace, const QString &text)
{
    return int(std::count(trace.begin(), trace.end(), text));
}

} // namespace

class TestRomPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveAndRestoreRoundTrips_data();
    void saveAndRestoreRoundTrips();
    void saveTrafficOrder();
    void overwritingFreesTheOldChain();
    void poolFull();
    void emptyPageAndEmptyDocument();
    void clearRom();
    void fatCorruptionTexts_data();
    void fatCorruptionTexts();
    void sync_data();
    void sync();
    void syncRefusals_data();
    void syncRefusals();
    void cancelLeavesThePageOrStoresBoth_data();
    void cancelLeavesThePageOrStoresBoth();
    void clusterWaitIsBounded();

private:
    std::unique_ptr<ProbeWorker> worker()
    {
        return std::unique_ptr<ProbeWorker>(new ProbeWorker(*emulator));
    }
    // One page save or restore run to its end; the probe is returned for inspection.
    std::unique_ptr<WorkerProbe> save(int page, const QByteArray &doc,
                                      const QByteArray &comment = QByteArray(), int boot = -1);
    std::unique_ptr<WorkerProbe> restore(int page);

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<ProbeWorker> current;
    QByteArray restored;
};

void TestRomPages::init()
{
    emulator.reset(new ModuleEmulator);
    emulator->setBusyPolls(0, 0);
    QString error;
    QVERIFY2(emulator->start(0, 0, &error), qPrintable(error));
}

void TestRomPages::cleanup()
{
    current.reset();
    emulator.reset();
}

std::unique_ptr<WorkerProbe> TestRomPages::save(int page, const QByteArray &doc,
                                                const QByteArray &comment, int boot)
{
    current = worker();
    if (!comment.isNull())
        current->addWrite(0x0100 + quint32(page) * 112, directoryEntry(comment), false);
    if (boot >= 0)
        current->addWrite(0xFFFFFC3Eu, QByteArray(1, char(boot)), true);
    *current->romFileIn(page) = doc;
    current->setRomCommand(0x8050 + page, 0x4000);
    std::unique_ptr<WorkerProbe> probe(new WorkerProbe(current.get()));
    probe->run();
    return probe;
}

std::unique_ptr<WorkerProbe> TestRomPages::restore(int page)
{
    current = worker();
    restored.clear();
    current->setRomFileOut(page, &restored);
    current->setRomCommand(0x8070 + page, 0x4000);
    std::unique_ptr<WorkerProbe> probe(new WorkerProbe(current.get()));
    probe->run();
    return probe;
}

void TestRomPages::saveAndRestoreRoundTrips_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("size");
    QTest::addColumn<QVector<int>>("entries"); // FAT entries of the page and its pool clusters
    QTest::newRow("1") << 3 << 1 << QVector<int>{0x8000};
    QTest::newRow("4095") << 3 << 4095 << QVector<int>{0x8FFE};
    QTest::newRow("4096") << 3 << 4096 << QVector<int>{0x8FFF};
    QTest::newRow("4097") << 3 << 4097 << QVector<int>{16, 0x8000};
    QTest::newRow("8192") << 3 << 8192 << QVector<int>{16, 0x8FFF};
    QTest::newRow("page 0") << 0 << 4097 << QVector<int>{16, 0x8000};
    QTest::newRow("page 15") << 15 << 10 << QVector<int>{0x8009};
}

void TestRomPages::saveAndRestoreRoundTrips()
{
    QFETCH(int, page);
    QFETCH(int, size);
    QFETCH(QVector<int>, entries);
    const QByteArray saved = imagePattern(1);
    pokeImage(*emulator, saved);
    const QByteArray doc = document(size, size);

    auto saving = save(page, doc, "my design");
    QVERIFY(saving->closed);
    QCOMPARE(saving->events, QStringList({"progress", "closed:true"}));
    QCOMPARE(saving->progress.last(), 0x4000);
    QVERIFY(current->romFileIn(page)->isEmpty()); // the buffer went to the module
    QCOMPARE(emulator->fatEntry(page), quint16(entries[0]));
    if (entries.size() > 1)
        QCOMPARE(emulator->fatEntry(16), quint16(entries[1]));
    QCOMPARE(emulator->fatEntry(17), quint16(0xFFFF));
    QCOMPARE(emulator->romImage(page), saved);
    QCOMPARE(emulator->romDirectory().mid(page * 112, 112), directoryEntry("my design"));
    QCOMPARE(quint8(emulator->peek(0xFFFFFF3Cu, 1).at(0)), quint8(0x01)); // save bit cleared

    pokeImage(*emulator, imagePattern(2));
    auto restoring = restore(page);
    QCOMPARE(restoring->events, QStringList({"progress", "xml", "closed:true"}));
    QCOMPARE(restoring->xml, doc);
    QCOMPARE(restoring->xmlName, QString());
    QCOMPARE(restored, doc);
    QCOMPARE(emulator->designImage(), saved);
    QCOMPARE(emulator->pageState(), quint8(page));
}

void TestRomPages::saveTrafficOrder()
{
    emulator->poke(0xFFFFFC3Cu, QByteArray(1, char(0x03))); // a save bit left in the EEPROM copy
    save(5, document(10, 0), "comment", 5);
    const QStringList trace = foldedTrace(emulator->requestLog());
    QCOMPARE(trace, QStringList({"R 0x0",           "R 0xffffff3c",      "W 0xffffff3c 03",
                                 "W directory",     "W 0x8040 ff",       "R 0x8001",
                                 "W 0xfffffcff 00", "W 0xfffffc3e 05",   "W 0xfffffcff ff",
                                 "W 0x8055 ff",     "R 0x8001",          "W 0x8100 000007ff",
                                 "W 0x8105 ff",     "R 0x8001",          "R window",
                                 "W window",        "W 0x8100 00000005", "W 0x8104 ff",
                                 "R 0x8001",        "W window",          "W 0x8100 000007ff",
                                 "W 0x8104 ff",     "R 0x8001",          "W 0xffffff3c 01",
                                 "R 0xfffffc3c",    "W 0xfffffcff 00",   "W 0xfffffc3c 01",
                                 "W 0xfffffcff ff"}));
    QVERIFY(!emulator->writeEnabled());

    // The boot page alone needs no directory command.
    emulator->clearLog();
    save(5, document(10, 0), QByteArray(), 2);
    const QStringList bootOnly = foldedTrace(emulator->requestLog());
    QCOMPARE(bootOnly.mid(0, 7),
             QStringList({"R 0x0", "R 0xffffff3c", "W 0xffffff3c 03", "W 0xfffffcff 00",
                          "W 0xfffffc3e 02", "W 0xfffffcff ff", "W 0x8055 ff"}));
    QCOMPARE(countOf(bootOnly, "W 0x8040 ff"), 0);
}

void TestRomPages::overwritingFreesTheOldChain()
{
    save(3, document(8193, 1));
    QCOMPARE(emulator->fatEntry(3), quint16(16));
    QCOMPARE(emulator->fatEntry(16), quint16(17));
    QCOMPARE(emulator->fatEntry(17), quint16(0x8000));
    save(4, document(4097, 2));
    QCOMPARE(emulator->fatEntry(4), quint16(18));

    const QByteArray shorter = document(10, 3);
    save(3, shorter);
    QCOMPARE(emulator->fatEntry(3), quint16(0x8009));
    QCOMPARE(emulator->fatEntry(16), quint16(0xFFFF));
    QCOMPARE(emulator->fatEntry(17), quint16(0xFFFF));
    save(5, document(4097, 4));
    QCOMPARE(emulator->fatEntry(5), quint16(16)); // the freed cluster is taken again

    restore(3);
    QCOMPARE(restored, shorter);
    restore(4);
    QCOMPARE(restored, document(4097, 2));
}

void TestRomPages::poolFull()
{
    QByteArray fat = RomFat::emptyImage();
    for (int n = RomFat::PoolFirst; n <= RomFat::PoolLast; ++n)
        RomFat::setEntry(fat, n, 0x8000);
    RomFat::setEntry(fat, 4, 0x8010); // page 4 holds a small file
    emulator->setCluster(2047, fat);

    const QByteArray doc = document(8192, 5);
    auto full = save(4, doc);
    QCOMPARE(full->events, QStringList({"progress", "xml", "closed:true"}));
    QCOMPARE(full->xml, doc);
    QCOMPARE(full->xmlName, QString());
    QCOMPARE(emulator->fatEntry(4), quint16(0xFEFE)); // the old file is gone too
    QCOMPARE(quint8(emulator->peek(0xFFFFFF3Cu, 1).at(0)), quint8(0x01));

    emulator->setFatEntry(100, 0xFFFF);
    auto fits = save(4, doc);
    QCOMPARE(fits->events, QStringList({"progress", "closed:true"}));
    QCOMPARE(emulator->fatEntry(4), quint16(100));
    QCOMPARE(emulator->fatEntry(100), quint16(0x8FFF));
}

void TestRomPages::emptyPageAndEmptyDocument()
{
    auto empty = restore(7);
    QCOMPARE(empty->events, QStringList({"progress", "xml", "closed:true"}));
    QVERIFY(empty->xml.isEmpty());

    // An empty document cannot be stored; the table in the module stays as it was.
    save(2, document(100, 1));
    const QByteArray before = emulator->cluster(2047);
    auto nothing = save(2, QByteArray());
    QCOMPARE(nothing->events, QStringList({"progress", "error", "closed:false"}));
    QCOMPARE(nothing->errorText, QStringLiteral("REGX: Unable to send command"));
    QCOMPARE(emulator->cluster(2047), before);

    // A restore reads the page whatever its buffer holds: it never overwrites the stored file.
    // It runs with the worker's own pause of 100 ms before every status poll.
    emulator->clearLog();
    current = worker();
    current->setStatusPollInterval(100);
    restored = QByteArray("left over");
    current->setRomFileOut(2, &restored);
    current->setRomCommand(0x8072, 0x4000);
    WorkerProbe probe(current.get());
    QVERIFY(probe.run());
    QCOMPARE(restored, QByteArray("left over") + document(100, 1));
    QCOMPARE(emulator->cluster(2047), before);
    const QVector<RequestLogEntry> log = emulator->requestLog();
    int polls = 0;
    for (int i = 1; i < log.size(); ++i) {
        if (requestText(log[i]) != QLatin1String("R 0x8001"))
            continue;
        ++polls;
        QVERIFY2(log[i].msecs - log[i - 1].msecs >= 99, qPrintable(QString::number(i)));
    }
    QCOMPARE(polls, 3); // page command, table, one cluster
}

void TestRomPages::clearRom()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    save(6, document(5000, 6), "old");
    emulator->poke(0xFFFFFC3Eu, QByteArray(1, char(5)));
    emulator->clearLog();

    current = worker();
    current->addWrite(0x0100, QByteArray(1792, '\0'), false);
    current->addWrite(0xFFFFFC3Eu, QByteArray(1, '\0'), true);
    current->setRomCommand(0x8040, 0);
    current->addWrite(0xC000, RomFat::emptyImage(), false);
    QByteArray fatCluster;
    QUdpThread::append32(&fatCluster, 2047);
    current->addWrite(0x8100, fatCluster, false);
    current->addWrite(0x8104, QByteArray(1, char(0xFF)), false);
    current->setDesign(&design, false);
    WorkerProbe probe(current.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"progress", "closed:true"}));

    QVector<int> steps;
    for (int i = 1; i <= 18; ++i)
        steps << i;
    const int downloaded = probe.progress.indexOf(8322);
    QVERIFY(downloaded > 0);
    QCOMPARE(probe.progress.mid(downloaded + 1), steps);

    QStringList expected = {"R 0x0",           "R 0xffffff3c", "W 0xffffff3c 03", "W directory",
                            "W 0x8040 ff",     "R 0x8001",     "W 0xfffffcff 00", "W 0xfffffc3e 00",
                            "W 0xfffffcff ff", "design"};
    for (int page = 0; page < 16; ++page)
        expected << QStringLiteral("W 0x%1 ff").arg(0x8050 + page, 0, 16) << "R 0x8001";
    expected << "W window"
             << "W 0x8100 000007ff"
             << "W 0x8104 ff"
             << "R 0x8001"
             << "W 0xffffff3c 01"
             << "R 0xfffffc3c";
    QCOMPARE(foldedTrace(emulator->requestLog()), expected);

    QCOMPARE(emulator->cluster(2047), RomFat::emptyImage());
    QCOMPARE(emulator->romDirectory(), QByteArray(1792, '\0'));
    QCOMPARE(emulator->peek(0xFFFFFC3Eu, 1), QByteArray(1, '\0'));
    for (int page = 0; page < 16; ++page)
        QCOMPARE(emulator->romImage(page), emulator->designImage());
}

void TestRomPages::fatCorruptionTexts_data()
{
    QTest::addColumn<int>("corruption");
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("text");
    const QString bad = QStringLiteral("FATAL Error! FAT is corrupted.");
    const QString loop = QStringLiteral("FATAL Error!! FAT is corrupted.");
    const QString beyond = QStringLiteral("FATAL Error: FAT is corrupted.");
    const QString freeLink = QStringLiteral("FATAL Error!!! FAT is corrupted.");
    const QString freeLength = QStringLiteral("FATAL Error. FAT is corrupted.");
    QTest::newRow("read: last too long") << int(ModuleEmulator::FatLastTooLong) << false << bad;
    QTest::newRow("read: free in chain") << int(ModuleEmulator::FatFreeInChain) << false << bad;
    QTest::newRow("read: link to page") << int(ModuleEmulator::FatLinkToPage) << false << loop;
    QTest::newRow("read: loop") << int(ModuleEmulator::FatLoop) << false << loop;
    QTest::newRow("read: beyond") << int(ModuleEmulator::FatLinkBeyond) << false << beyond;
    QTest::newRow("free: link to table") << int(ModuleEmulator::FatLinkToFat) << true << freeLink;
    QTest::newRow("free: bad length")
        << int(ModuleEmulator::FatBadLastLength) << true << freeLength;
}

void TestRomPages::fatCorruptionTexts()
{
    QFETCH(int, corruption);
    QFETCH(bool, saving);
    QFETCH(QString, text);
    emulator->presetFatCorruption(ModuleEmulator::FatCorruption(corruption), 2);
    const QByteArray before = emulator->cluster(2047);
    auto probe = saving ? save(2, document(100, 0)) : restore(2);
    QCOMPARE(probe->events, QStringList({"progress", "error", "closed:false"}));
    QCOMPARE(probe->errorText, text);
    QCOMPARE(emulator->cluster(2047), before);
    // No cluster of the damaged chain is read before the damage is found.
    QCOMPARE(countOf(foldedTrace(emulator->requestLog()), "W 0x8100 00000002"), 0);
    if (saving)
        QCOMPARE(quint8(emulator->peek(0xFFFFFF3Cu, 1).at(0)), quint8(0x01));
}

void TestRomPages::sync_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<QString>("name");
    QTest::newRow("comment") << QByteArray("test") << "ROM3-test";
    QTest::newRow("no comment") << QByteArray() << "ROM3";
    QTest::newRow("prefixed") << QByteArray("ROM3-own") << "ROM3-own";
}

void TestRomPages::sync()
{
    QFETCH(QByteArray, comment);
    QFETCH(QString, name);
    const QByteArray doc = document(5000, 9);
    save(3, doc);
    emulator->poke(0x0100 + 3 * 112, directoryEntry(comment));
    emulator->setPageState(3);

    current = worker();
    current->setInfoMode(7);
    WorkerProbe probe(current.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"xml", "readData", "closed:true"}));
    QCOMPARE(probe.xml, doc);
    QCOMPARE(probe.xmlName, name);
    QCOMPARE(probe.data.size(), 5);
}

void TestRomPages::syncRefusals_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("modified") << 0x83 << "Register settings are already modified.";
    QTest::newRow("page 16") << 0x10 << "ROM page 16 does not exist.";
    QTest::newRow("page 127") << 0x7F << "ROM page 127 does not exist.";
}

void TestRomPages::syncRefusals()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    emulator->setPageState(quint8(state));
    current = worker();
    current->setInfoMode(7);
    WorkerProbe probe(current.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"error", "closed:false"}));
    QCOMPARE(probe.errorText, text);
    QCOMPARE(requestText(emulator->requestLog().last()), QStringLiteral("R 0x8008"));
}

void TestRomPages::cancelLeavesThePageOrStoresBoth_data()
{
    QTest::addColumn<bool>("finished"); // the module reports the page as stored all the same
    QTest::newRow("page kept") << false;
    QTest::newRow("page stored") << true;
}

// A cancel during a page save aborts the module's command. The page then stays as it was and
// nothing is left to read, unless the module reports the page as stored all the same: then the
// file follows, through cluster waits that wait for idle.
void TestRomPages::cancelLeavesThePageOrStoresBoth()
{
    QFETCH(bool, finished);
    save(1, document(3000, 1)); // another page's file, which must survive
    emulator->setBusyPolls(1000, 2);
    emulator->setPageState(finished ? 6 : 0x81);
    emulator->clearLog();
    const QByteArray doc = document(5000, 7);
    current = worker();
    *current->romFileIn(6) = doc;
    current->setRomCommand(0x8056, 0x4000);
    WorkerProbe probe(current.get());
    connect(current.get(), SIGNAL(setProgress(int)), current.get(), SLOT(cancel()));
    QVERIFY(probe.run());
    QCOMPARE(probe.errorText, finished
                                  ? QString()
                                  : QStringLiteral("Save to ROM cancelled: ROM page 6 keeps its "
                                                   "previous register image and design."));

    const QStringList trace = foldedTrace(emulator->requestLog());
    const int aborted = trace.indexOf("W 0x8000 ff");
    QVERIFY(aborted > trace.indexOf("W 0x8056 ff"));
    QCOMPARE(trace.value(aborted + 2), QStringLiteral("R 0x8008"));
    QCOMPARE(trace.contains("W 0x8104 ff"), finished);

    emulator->setBusyPolls(0, 0);
    restore(6);
    QCOMPARE(restored, finished ? doc : QByteArray());
    restore(1);
    QCOMPARE(restored, document(3000, 1));

    // Clear ROM cancelled during its download: no page is cleared, but the empty table is still
    // stored and waited for.
    ProgramData design(nullptr);
    emulator->setBusyPolls(3, 2);
    emulator->clearLog();
    const QByteArray page0 = emulator->romImage(0);
    current = worker();
    current->addWrite(0x0100, QByteArray(1792, '\0'), false);
    current->setRomCommand(0x8040, 0);
    current->addWrite(0xC000, RomFat::emptyImage(), false);
    QByteArray fatCluster;
    QUdpThread::append32(&fatCluster, 2047);
    current->addWrite(0x8100, fatCluster, false);
    current->addWrite(0x8104, QByteArray(1, char(0xFF)), false);
    current->setDesign(&design, false);
    WorkerProbe clearing(current.get());
    connect(current.get(), SIGNAL(setProgress(int)), current.get(), SLOT(cancel()),
            Qt::DirectConnection);
    QVERIFY(clearing.run());
    QCOMPARE(clearing.errorText,
             QStringLiteral("Clear ROM cancelled.\nCleared: the directory and the file table. Not "
                            "cleared: the register images of all pages."));
    const QStringList cleared = foldedTrace(emulator->requestLog());
    QCOMPARE(countOf(cleared, "W 0x8050 ff"), 0);
    const int stored = cleared.indexOf("W 0x8104 ff");
    QCOMPARE(cleared.mid(stored),
             QStringList({"W 0x8104 ff", "R 0x8001", "W 0xffffff3c 01", "R 0xfffffc3c"}));
    QCOMPARE(emulator->cluster(2047), RomFat::emptyImage());
    QCOMPARE(emulator->romImage(0), page0);
    QVERIFY(emulator->designImage() != page0);
}

void TestRomPages::clusterWaitIsBounded()
{
    emulator->setBusyForever(true);
    emulator->setPageState(1); // the module loaded the page all the same: its file is read
    current = worker();
    current->setClusterWaitLimit(1000);
    current->setRomFileOut(1, &restored);
    current->setRomCommand(0x8071, 0x4000);
    WorkerProbe probe(current.get());
    connect(current.get(), SIGNAL(setProgress(int)), current.get(), SLOT(cancel()));
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"progress", "error", "closed:false"}));
    QCOMPARE(probe.errorText, QStringLiteral("REGX: The module did not finish its command."));
    const QStringList trace = foldedTrace(emulator->requestLog());
    QCOMPARE(trace.mid(trace.size() - 6),
             QStringList({"W 0x8000 ff", "R 0x8001", "R 0x8008", "W 0x8100 000007ff", "W 0x8105 ff",
                          "R 0x8001"}));
}

QTEST_MAIN(TestRomPages)
#include "tst_rompages.moc"
