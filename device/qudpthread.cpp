#include "qudpthread.h"

#include "moduleregisters.h"
#include "networksettingswriter.h"
#include "programdata.h"
#include "romfat.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaType>
#include <QScopeGuard>

using namespace ModuleRegisters;

namespace {

QString sendFailed()
{
    return QStringLiteral("REGX: Unable to send command");
}

QString readFailed()
{
    return QStringLiteral("REGX: Unable to read");
}

QString noSuchPage(int page)
{
    return QStringLiteral("ROM page %1 does not exist.").arg(page);
}

quint32 bigEndian32(const QByteArray &bytes, int offset)
{
    return (quint32(quint8(bytes[offset])) << 24) | (quint32(quint8(bytes[offset + 1])) << 16) |
           (quint32(quint8(bytes[offset + 2])) << 8) | quint32(quint8(bytes[offset + 3]));
}

bool isSaveCommand(unsigned int command)
{
    return command >= SavePageCommand && command < SavePageCommand + RomPages;
}

} // namespace

QUdpThread::QUdpThread(QObject *parent) : QRegx(parent)
{
    // setXml(QByteArray*,QString) and readData(QByteArray*) cross to the user-interface thread.
    qRegisterMetaType<QByteArray *>("QByteArray*");
}

// The run reads fields of this object until it returns, so nothing may be released before.
QUdpThread::~QUdpThread()
{
    abortAndWait();
}

void QUdpThread::setDesign(ProgramData *programData, bool verifyOnly)
{
    design = programData;
    verify = verifyOnly;
}

void QUdpThread::setNetSetup(NetworkSettingsWriter *writer)
{
    netSetup = writer;
}

void QUdpThread::addWrite(quint32 address, const QByteArray &data, bool writeEnable)
{
    writes.append(PendingWrite{address, data});
    if (writeEnable)
        toggleWriteEnable = true;
}

void QUdpThread::setRead(quint32 address, int length)
{
    readAddress = address;
    byteCount = length;
}

void QUdpThread::setInfoMode(int mode)
{
    infoMode = mode;
}

void QUdpThread::setReadDirectory(bool on)
{
    readDirectory = on;
    infoMode = on ? 6 : 0;
}

void QUdpThread::setRomCommand(int command, int waitTarget)
{
    romCommand = unsigned(command);
    romWaitTarget = waitTarget;
}

void QUdpThread::setRomFileOut(int page, QByteArray *dest)
{
    romPage = page;
    fileOut = dest;
}

QByteArray *QUdpThread::romFileIn(int page)
{
    romPage = page;
    fileOut = &file;
    return &file;
}

void QUdpThread::setPageBefore(const QByteArray &directoryEntry, int bootPage)
{
    entryBefore = directoryEntry;
    bootPageBefore = bootPage;
}

void QUdpThread::append16(QByteArray *bytes, int value)
{
    bytes->append(char((value >> 8) & 0xFF));
    bytes->append(char(value & 0xFF));
}

void QUdpThread::append32(QByteArray *bytes, int value)
{
    const quint32 v = quint32(value);
    bytes->append(char(v >> 24));
    bytes->append(char((v >> 16) & 0xFF));
    bytes->append(char((v >> 8) & 0xFF));
    bytes->append(char(v & 0xFF));
}

void QUdpThread::cancel()
{
    if (romCommand == 0)
        abort();
    else
        stop = true;
}

bool QUdpThread::hostUsable() const
{
    if (host.isNull() || host.protocol() != QAbstractSocket::IPv4Protocol || port == 0)
        return false;
    return !(host == QHostAddress(QHostAddress::AnyIPv4) || host.isBroadcast() ||
             host.isMulticast());
}

void QUdpThread::run()
{
    log.clear();
    clearBatch();
    resetBytesSent();
    designWritten = false;
    pageLoaded = false;
    plainWritesSent = 0;
    plainWritesAnswered = 0;
    if (!hostUsable() || !openSocket()) {
        succeeded = false;
        log = QStringLiteral("REGX: The module address or port is not usable.");
        emit error(&log);
        writes.clear();
        closeSocket();
        return;
    }
    try {
        quint8 version = 0;
        if (readByte(Version, &version) < 1)
            throw sendFailed();
        if (quint8(version - VersionFirst) > VersionLast - VersionFirst)
            throw QStringLiteral("This application does not support the Hardware.");
        if (infoMode == -1)
            runOperation();
        else
            runInformation();
        succeeded = true;
    } catch (const QRegx::ErrSts &failure) {
        log += statusText(failure.status);
        emit error(&log);
    } catch (const QString &text) {
        log = text;
        emit error(&log);
    } catch (...) {
        log = QStringLiteral("REGX: Communication error");
        emit error(&log);
    }
    writes.clear();
    // A stop request belongs to this run, even one made before its ROM command began.
    stop = false;
    closeSocket();
}

void QUdpThread::runOperation()
{
    if (byteCount != 0) {
        batch = QByteArray(qMax(byteCount, 0), '\0');
        if (read(readAddress, batch.data(), byteCount) == 0)
            throw readFailed();
        emit readData(&batch);
    } else if (netSetup) {
        // The writer opens the settings memory itself; a failure on its way must not leave it open.
        closingSettingsWritesOnFailure([this]() { netSetup->writeSettings(this); });
    } else if (romCommand != 0) {
        runRomCommand();
    } else if (design) {
        if (verify)
            runVerify();
        else
            design->download(this);
    } else {
        runPlainWrites();
    }
}

void QUdpThread::runInformation()
{
    info = QByteArray(VersionLength, '\0');
    if (read(Version, info.data(), VersionLength) == 0)
        throw readFailed();
    quint8 live = 0;
    if (readByte(LiveControl, &live) < 1)
        throw readFailed();
    info.append(char(live));

    bool directoryRead = false;
    if (infoMode == 5) {
        quint8 stored = 0;
        if (readByte(StoredControl, &stored) < 1)
            throw readFailed();
        info.append(char(stored));
    } else if (infoMode == 7) {
        runSync();
    } else if (readDirectory && (live & ControlWritable)) {
        quint8 bootPage = 0;
        if (readByte(BootPage, &bootPage) < 1)
            throw readFailed();
        info.append(char(bootPage));
        QByteArray directory(RomDirectoryLength, '\0');
        if (read(RomDirectory, directory.data(), RomDirectoryLength) == 0)
            throw readFailed();
        info.append(directory);
        directoryRead = true;
    }
    if (directoryRead && design)
        emit setResult(compareDesign() ? 1 : 0);
    emit readData(&info);
}

void QUdpThread::runSync()
{
    quint8 state = 0;
    if (readByte(PageState, &state) < 1)
        throw readFailed();
    if (state & PageStateModified)
        throw QStringLiteral("Register settings are already modified.");
    // Bits 0..6 could name a page up to 127; its directory entry would lie past the directory.
    if (state >= RomPages)
        throw noSuchPage(state);
    romPage = state;
    QByteArray entry(RomDirectoryEntryLength, '\0');
    if (read(RomDirectory + quint32(romPage * RomDirectoryEntryLength), entry.data(),
             RomDirectoryEntryLength) == 0)
        throw readFailed();
    const QString name = RomFat::pageName(romPage, entry);
    readFat();
    fileOut = &file;
    readRomFile(name);
}

void QUdpThread::runPlainWrites()
{
    auto sendAll = [this]() {
        for (int i = 0; i < writes.size(); ++i) {
            // A write stopped before its datagram left was not sent.
            const int before = requestsSent();
            const auto count =
                qScopeGuard([&]() { plainWritesSent += requestsSent() != before ? 1 : 0; });
            sendPendingWrite(i);
            ++plainWritesAnswered;
        }
    };
    if (toggleWriteEnable)
        withSettingsWrites(sendAll);
    else
        sendAll();
}

void QUdpThread::runVerify()
{
    const bool mismatch = compareDesign();
    emit setHtml(&verifyText);
    succeeded = !mismatch;
    if (!mismatch)
        throw QStringLiteral("Verify: The Register data is matched.");
    throw QStringLiteral("Verify: The Register data don't match.") + QStringLiteral("\n") +
        QStringLiteral("\nfirst mismatch at ") + verifyText;
}

void QUdpThread::runRomCommand()
{
    if (romWaitTarget == 0)
        runClearRom();
    else
        runPageCommand();
}

void QUdpThread::setRomSaveBit()
{
    if (romCommand <= LastControlClearCommand) {
        // Read for every command whose end clears the save bit, so it never writes back a
        // control byte this run did not read.
        if (readByte(LiveControl, &ctrl) < 1)
            throw readFailed();
    }
    if (romCommand <= LastControlSetCommand && !(ctrl & ControlRomSave)) {
        ctrl |= ControlRomSave;
        if (writeByte(LiveControl, ctrl) < 1)
            throw sendFailed();
    }
}

// The directory entry (followed by its store command) and the boot page, as far as they were
// added; returns how many writes went out.
int QUdpThread::sendLeadingWrites(WaitKind directoryWait)
{
    if (writes.isEmpty())
        return 0;
    if (toggleWriteEnable && writes.size() == 1) {
        withSettingsWrites([this]() { sendPendingWrite(0); });
        return 1;
    }
    sendPendingWrite(0);
    sendCommand(StoreDirectoryCommand);
    waitModule(DirectoryWaitTarget, romWaitTarget != 0, directoryWait);
    directoryStored = !commandAborted;
    // A cancelled save changes no more than it must put back.
    if (!toggleWriteEnable || writes.size() < 2 || (directoryWait == Stoppable && stop))
        return 1;
    withSettingsWrites([this]() { sendPendingWrite(1); });
    return 2;
}

void QUdpThread::runPageCommand()
{
    setRomSaveBit();
    const int sent = sendLeadingWrites(Stoppable);
    const bool save = isSaveCommand(romCommand);
    if (stop) {
        if (save)
            cancelSave(sent);
        cancelRestore(false);
    }
    sendCommand(romCommand);
    waitModule(romWaitTarget, true, Stoppable);
    // The module may have finished just before the abort reached it: then it holds the page.
    if (commandAborted && !pageCommandTook(commandPage())) {
        if (save)
            cancelSave(sent);
        cancelRestore(false);
    }
    pageLoaded = !save;
    if (romPage >= 0) {
        if (romPage >= RomPages)
            throw noSuchPage(romPage);
        if (!fileOut)
            fileOut = &file;
        readFat();
        // The direction follows the command: a restore never overwrites the stored file,
        // whatever the caller's buffer holds.
        if (save)
            writeRomFile();
        else
            readRomFile(QString());
    }
    if (romCommand <= LastControlClearCommand)
        clearCtrlBit();
}

// Page commands carry their page in the low four bits.
int QUdpThread::commandPage() const
{
    return int(romCommand & 0x0F);
}

// After an abort: the page state names the page when the module finished the command first.
bool QUdpThread::pageCommandTook(int page)
{
    quint8 state = 0;
    if (readByte(PageState, &state) < 1)
        throw readFailed();
    return state == page;
}

// The module did not store the page: its old comment and the old boot page go back, and the
// design file is not written.
void QUdpThread::cancelSave(int sent)
{
    const bool single = toggleWriteEnable && writes.size() == 1;
    const int directory = single ? -1 : 0;
    const int boot = single ? 0 : (toggleWriteEnable ? 1 : -1);
    try {
        if (directory >= 0 && sent > directory && entryBefore.size() == RomDirectoryEntryLength) {
            const quint32 address = writes.at(directory).address;
            if (write(address, entryBefore.constData(), entryBefore.size()) == 0)
                throw sendFailed();
            sendCommand(StoreDirectoryCommand);
            waitModule(DirectoryWaitTarget, false, Cluster);
        }
        if (boot >= 0 && sent > boot && bootPageBefore >= 0) {
            const quint32 address = writes.at(boot).address;
            withSettingsWrites([this, address]() {
                if (writeByte(address, quint8(bootPageBefore)) < 1)
                    throw sendFailed();
            });
        }
        clearCtrlBit();
    } catch (const QRegx::ErrSts &failure) {
        throw QStringLiteral("Save to ROM cancelled; putting back the page's comment and boot "
                             "page failed: ") +
            log + statusText(failure.status);
    } catch (const QString &text) {
        throw QStringLiteral("Save to ROM cancelled; putting back the page's comment and boot "
                             "page failed: ") +
            text;
    }
    throw QStringLiteral("Save to ROM cancelled: ROM page %1 keeps its previous register image "
                         "and design.")
        .arg(commandPage());
}

void QUdpThread::cancelRestore(bool loaded)
{
    if (loaded)
        throw QStringLiteral("Restore from ROM cancelled; the module had already loaded ROM page "
                             "%1.")
            .arg(commandPage());
    throw QStringLiteral("Restore from ROM cancelled.");
}

// Sends what carries out a Clear ROM item. While none of its requests left, or its first one was
// refused, the item is as it was; after that (a later request refused, or one without an answer)
// it may be carried out in part or whole, and counts as in flight until the module confirms it.
template <typename Send> void QUdpThread::clearItem(int item, Send send)
{
    clearInFlight = item;
    const int before = requestsSent();
    try {
        send();
    } catch (const QRegx::ErrSts &failure) {
        const int left = requestsSent() - before;
        if (left == 0 || (failure.status == -4 && left == 1))
            clearInFlight = noClearItem;
        throw;
    }
}

// A cancel takes effect between pages only: the directory is stored and the empty file table
// written whatever happens, so that no comment outlives its file.
void QUdpThread::runClearRom()
{
    directoryStored = false;
    tableCleared = false;
    pagesCleared = 0;
    clearInFlight = noClearItem;
    try {
        setRomSaveBit();
        int next = 0;
        // Once confirmed, an item counts as cleared whatever clearInFlight still names.
        clearItem(directoryItem, [&]() { next = sendLeadingWrites(Cluster); });
        clearBatch();
        if (design)
            design->download(this);
        emit setProgress(1);
        for (int page = 0; page < RomPages && !stop; ++page) {
            clearItem(page, [this, page]() { sendCommand(SavePageCommand + quint32(page)); });
            waitModule(PageWaitTarget, false, Stoppable);
            const bool took = !commandAborted || pageCommandTook(page);
            clearInFlight = noClearItem;
            if (!took)
                break;
            ++pagesCleared;
            emit setProgress(page + 2);
        }
        // The remaining writes end with the table's cluster write: that must complete.
        for (int i = next; i < writes.size(); ++i) {
            if (i == writes.size() - 1)
                clearItem(tableItem, [this, i]() { sendPendingWrite(i); });
            else
                sendPendingWrite(i);
        }
        waitModule(PageWaitTarget, false, Cluster);
        tableCleared = true;
        emit setProgress(18);
        clearCtrlBit();
    } catch (const QRegx::ErrSts &failure) {
        throw log + statusText(failure.status) + QLatin1Char('\n') + clearRomState();
    } catch (const QString &text) {
        throw text + QLatin1Char('\n') + clearRomState();
    }
    if (pagesCleared < RomPages)
        throw QStringLiteral("Clear ROM cancelled.\n") + clearRomState();
}

QString QUdpThread::clearRomState() const
{
    auto pages = [](int first, int last) {
        if (first == 0 && last == RomPages - 1)
            return QStringLiteral("the register images of all pages");
        if (first == last)
            return QStringLiteral("the register image of page %1").arg(first);
        if (last == first + 1)
            return QStringLiteral("the register images of pages %1 and %2").arg(first).arg(last);
        return QStringLiteral("the register images of pages %1 to %2").arg(first).arg(last);
    };
    QStringList done;
    QStringList kept;
    QStringList unsure;
    auto place = [&](const QString &item, bool cleared, bool inFlight) {
        (cleared ? done : inFlight ? unsure : kept) << item;
    };
    place(QStringLiteral("the directory"), directoryStored, clearInFlight == directoryItem);
    place(QStringLiteral("the file table"), tableCleared, clearInFlight == tableItem);
    if (pagesCleared > 0)
        done << pages(0, pagesCleared - 1);
    int firstKept = pagesCleared;
    if (clearInFlight == pagesCleared) {
        unsure << pages(pagesCleared, pagesCleared);
        ++firstKept;
    }
    if (firstKept < RomPages)
        kept << pages(firstKept, RomPages - 1);
    auto list = [](QStringList parts) {
        const QString last = parts.takeLast();
        return parts.isEmpty() ? last
                               : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    };
    if (done.isEmpty() && unsure.isEmpty())
        return QStringLiteral("The ROM area is unchanged.");
    QStringList text;
    if (!done.isEmpty())
        text << QStringLiteral("Cleared: ") + list(done) + QLatin1Char('.');
    if (!kept.isEmpty())
        text << QStringLiteral("Not cleared: ") + list(kept) + QLatin1Char('.');
    if (!unsure.isEmpty())
        text << QStringLiteral("Not confirmed (it may be cleared): ") + list(unsure) +
                    QLatin1Char('.');
    return text.join(QLatin1Char(' '));
}

void QUdpThread::sendPendingWrite(int index)
{
    const PendingWrite &pending = writes.at(index);
    if (write(pending.address, pending.data.constData(), pending.data.size()) == 0)
        throw sendFailed();
}

void QUdpThread::sendCommand(quint32 address)
{
    if (writeByte(address, CommandByte) < 1)
        throw sendFailed();
}

void QUdpThread::selectCluster(int cluster)
{
    QByteArray number;
    append32(&number, cluster);
    if (write(ClusterNumber, number.constData(), number.size()) == 0)
        throw sendFailed();
}

void QUdpThread::enableSettingsWrites()
{
    if (!setWriteEnable(true))
        throw sendFailed();
}

void QUdpThread::disableSettingsWrites()
{
    if (!setWriteEnable(false))
        throw sendFailed();
}

// After a failure with writes enabled: one attempt to close them again, even when the failure
// was a cancel, keeping the log of the original failure.
void QUdpThread::disableSettingsWritesQuietly()
{
    const QString kept = log;
    const int keptAttempts = attempts;
    const bool wasAborted = aborted.exchange(false);
    attempts = 1;
    try {
        setWriteEnable(false);
    } catch (...) {
    }
    attempts = keptAttempts;
    if (wasAborted)
        aborted = true;
    log = kept;
}

template <typename Body> void QUdpThread::closingSettingsWritesOnFailure(Body body)
{
    try {
        body();
    } catch (const QRegx::ErrSts &failure) {
        // Told now: the closing request would replace what the socket has to say about it.
        const QString text = log + statusText(failure.status);
        disableSettingsWritesQuietly();
        throw text;
    } catch (...) {
        disableSettingsWritesQuietly();
        throw;
    }
}

template <typename Body> void QUdpThread::withSettingsWrites(Body body)
{
    closingSettingsWritesOnFailure([this, &body]() {
        enableSettingsWrites();
        body();
    });
    disableSettingsWrites();
}

int QUdpThread::waitModule(int target, bool emitProgress, WaitKind kind)
{
    commandAborted = false;
    bool aborting = false;
    bool lastBusy = false;
    quint32 lastProgress = 0;
    QElapsedTimer still;
    still.start();
    for (;;) {
        if (kind == Stoppable && stop && !aborting) {
            sendCommand(AbortCommand);
            // Wait for the abort to take, so that the next command is not refused as busy.
            aborting = true;
            commandAborted = true;
            still.restart();
        }
        QThread::msleep(quint32(qMax(statusPollMs, 0)));
        batch = QByteArray(CommandStatusLength, '\0');
        if (read(CommandStatus, batch.data(), CommandStatusLength) == 0)
            throw readFailed();
        const bool busy = batch.at(0) != 0;
        const quint32 progress = bigEndian32(batch, CommandStatusProgress);
        const int value = busy ? int(progress) : target;
        if (kind == Stoppable && !aborting) {
            if (emitProgress)
                emit setProgress(value);
            if (!busy)
                return value;
            continue;
        }
        if (!busy)
            return value;
        if (busy != lastBusy || progress != lastProgress) {
            lastBusy = busy;
            lastProgress = progress;
            still.restart();
        } else if (still.elapsed() > clusterWaitLimitMs) {
            throw QStringLiteral("REGX: The module did not finish its command.");
        }
    }
}

int QUdpThread::readInto(quint32 address, int length)
{
    batch = QByteArray(length, '\0');
    return readExact(address, batch.data(), length);
}

bool QUdpThread::compareDesign()
{
    verifyText.clear();
    QString diff;
    design->registerTableHtml(diff);
    diff.clear();
    const struct {
        quint32 address;
        int length;
        bool (ProgramData::*compare)(const QByteArray &, QString &);
    } areas[] = {
        {Configuration, ConfigurationLength, &ProgramData::verifyRegisters},
        {FunctionTable, TableLength, &ProgramData::verifyFunctionTable},
        {OutputTable, TableLength, &ProgramData::verifyOutputTable},
        {DelayTable, TableLength, &ProgramData::verifyDelayTable},
        {MsrCntTable, TableLength, &ProgramData::verifyMsrCntTable},
    };
    for (const auto &area : areas) {
        readInto(area.address, area.length);
        if (!(design->*area.compare)(batch, diff)) {
            verifyText += diff;
            return true;
        }
        diff.clear();
    }
    return false;
}

void QUdpThread::readFat()
{
    selectCluster(FatCluster);
    sendCommand(ClusterReadCommand);
    waitModule(ClusterSize, false, Cluster);
    fat = QByteArray(ClusterSize, '\0');
    readExact(ClusterWindow, fat.data(), ClusterSize);
}

void QUdpThread::readRomFile(const QString &name)
{
    // The whole chain is checked before the first cluster is read.
    const QVector<RomFat::Link> links = RomFat::chain(fat, romPage);
    for (const RomFat::Link &link : links) {
        selectCluster(link.cluster);
        sendCommand(ClusterReadCommand);
        waitModule(link.size, false, Cluster);
        QByteArray data(link.size, '\0');
        readExact(ClusterWindow, data.data(), link.size);
        fileOut->append(data);
    }
    // A restore cancelled while its file was read hands nothing over.
    if (stop)
        cancelRestore(true);
    emit setXml(fileOut, name);
}

void QUdpThread::writeRomFile()
{
    try {
        RomFat::freeChain(fat, romPage);
    } catch (const QString &) {
        // The table in the module is untouched; the save bit must not stay set.
        try {
            clearCtrlBit();
        } catch (...) {
        }
        throw;
    }

    const int size = fileOut->size();
    if (!RomFat::hasSpace(fat, size)) {
        RomFat::setEntry(fat, romPage, RomFat::NoFileEntry);
        emit setXml(fileOut, verifyText);
    } else {
        const QVector<int> clusters = RomFat::allocate(fat, romPage, size);
        if (clusters.isEmpty())
            throw sendFailed(); // nothing to store: an empty document
        for (int i = 0; i < clusters.size(); ++i) {
            const int offset = i * ClusterSize;
            const int length = qMin(ClusterSize, size - offset);
            if (write(ClusterWindow, fileOut->constData() + offset, length) == 0)
                throw sendFailed();
            selectCluster(clusters.at(i));
            sendCommand(ClusterWriteCommand);
            waitModule(ClusterSize, false, Cluster);
        }
        fileOut->clear();
    }

    if (write(ClusterWindow, fat.constData(), fat.size()) == 0)
        throw sendFailed();
    selectCluster(FatCluster);
    sendCommand(ClusterWriteCommand);
    waitModule(ClusterSize, false, Cluster);
}

void QUdpThread::clearCtrlBit()
{
    ctrl &= quint8(~ControlRomSave);
    if (writeByte(LiveControl, ctrl) < 1)
        throw sendFailed();
    if (readByte(StoredControl, &ctrl) < 1)
        throw readFailed();
    if (ctrl & ControlRomSave) {
        ctrl &= quint8(~ControlRomSave);
        withSettingsWrites([this]() {
            if (writeByte(StoredControl, ctrl) < 1)
                throw sendFailed();
        });
    }
}

int QUdpThread::sendWriteRequest(quint32 address, const QByteArray &data)
{
    // Written once its datagram left, answered or not; an abort before that wrote nothing.
    const int before = requestsSent();
    const auto left = qScopeGuard([&]() {
        if (requestsSent() != before) {
            designWritten = true;
            writeRequestLeft();
        }
    });
    return write(address, data.constData(), data.size());
}

bool QUdpThread::writeAborted() const
{
    return aborted;
}

QString QUdpThread::moduleHostText() const
{
    return host.toString();
}

void QUdpThread::reportWriteProgress(int bytes)
{
    emit setProgress(bytes);
}
