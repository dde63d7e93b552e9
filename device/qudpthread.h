#ifndef QUDPTHREAD_H
#define QUDPTHREAD_H

#include "qregx.h"
#include "registerwriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>

class NetworkSettingsWriter;
class ProgramData;

// One module operation on a thread of its own: a block read, an information read (version,
// control bytes, ROM directory, or the sync of the current ROM page's design), the network
// settings, a ROM page command with its file transfer, a download or verify of the design, or a
// list of plain register writes. Configure with the setters, set host and timeout, connect the
// signals, start. run() always ends with closed(bool); error(QString*) comes first on a failure.
// Pointer arguments of the signals point into this object: receivers copy what they need.
class QUdpThread : public QRegx, public RegisterWriter
{
    Q_OBJECT

public:
    struct PendingWrite {
        quint32 address;
        QByteArray data;
    };

    explicit QUdpThread(QObject *parent = nullptr);
    ~QUdpThread() override;

    // verify true compares the module with the design instead of writing it.
    void setDesign(ProgramData *design, bool verify);
    void setNetSetup(NetworkSettingsWriter *writer);
    // writeEnable: the write goes to the EEPROM settings memory and needs its write enable.
    void addWrite(quint32 address, const QByteArray &data, bool writeEnable);
    void setRead(quint32 address, int length);
    // 0 version and live control byte; 5 also the stored control byte; 6 also boot page and
    // ROM directory; 7 sync of the design from the current ROM page. -1: an operation instead.
    void setInfoMode(int mode);
    void setReadDirectory(bool on);
    // 0x8050 + p save, 0x8070 + p restore with wait target 0x4000; 0x8040 with 0 clears the ROM.
    void setRomCommand(int command, int waitTarget);
    // Page p's stored design is read into dest (which starts empty) and handed out by setXml.
    void setRomFileOut(int page, QByteArray *dest);
    // The buffer to fill with the design document that page p is to store.
    QByteArray *romFileIn(int page);
    // What a save puts back when it is cancelled before the module stored the page: the page's
    // directory entry and the boot page (-1: not known) as they were.
    void setPageBefore(const QByteArray &directoryEntry, int bootPage);
    // The design download of this run sent at least one request, answered or not.
    bool hasWrittenDesign() const { return designWritten; }
    // A restore's page command took: the module runs that page's design now.
    bool hasLoadedPage() const { return pageLoaded; }
    // A run of added writes alone: how many it sent (answered or not), and how many were answered.
    int writesSent() const { return plainWritesSent; }
    int writesAnswered() const { return plainWritesAnswered; }

    static void append16(QByteArray *bytes, int value);
    static void append32(QByteArray *bytes, int value);

public slots:
    // During a ROM command: abort the module's running page or directory command through its
    // abort register. A save then leaves the page as it was, unless the module had stored it
    // already (then the design file is stored too); a restore reads nothing; Clear ROM clears no
    // further page but still writes the empty file table. Each tells its outcome as an error.
    // Otherwise: abort the run at its next request.
    void cancel();

signals:
    void setProgress(int value);
    void readData(QByteArray *data);
    void setHtml(QString *text);
    void setResult(int result);
    void setXml(QByteArray *data, QString name);

protected:
    void run() override;

    // RegisterWriter transport: every request of a batch is one REGX write.
    int sendWriteRequest(quint32 address, const QByteArray &data) override;
    bool writeAborted() const override;
    QString moduleHostText() const override;
    void reportWriteProgress(int bytes) override;

    // Polls the module's command status until it is idle. A stoppable wait (page commands, the
    // directory command, the ROM clearing loop) ends on a stop request by aborting the module's
    // command; a cluster wait never does, but fails after clusterWaitLimitMs without progress.
    enum WaitKind { Stoppable, Cluster };
    // commandAborted tells afterwards whether it sent the abort.
    int waitModule(int target, bool emitProgress, WaitKind kind);
    int readInto(quint32 address, int length);
    bool compareDesign();
    void readFat();
    void readRomFile(const QString &name);
    void writeRomFile();
    void clearCtrlBit();

    int clusterWaitLimitMs = 30000;
    int statusPollMs = 100; // pause before each status poll

private:
    bool hostUsable() const;
    void runOperation();
    void runInformation();
    void runSync();
    void runPlainWrites();
    void runRomCommand();
    void runPageCommand();
    void runClearRom();
    void setRomSaveBit();
    int sendLeadingWrites(WaitKind directoryWait);
    int commandPage() const;
    bool pageCommandTook(int page);
    [[noreturn]] void cancelSave(int sent);
    [[noreturn]] void cancelRestore(bool loaded);
    template <typename Send> void clearItem(int item, Send send);
    QString clearRomState() const;
    void runVerify();
    void sendPendingWrite(int index);
    void sendCommand(quint32 address);
    void selectCluster(int cluster);
    void enableSettingsWrites();
    void disableSettingsWrites();
    void disableSettingsWritesQuietly();
    template <typename Body> void closingSettingsWritesOnFailure(Body body);
    template <typename Body> void withSettingsWrites(Body body);

    QList<PendingWrite> writes;
    ProgramData *design = nullptr;
    NetworkSettingsWriter *netSetup = nullptr;
    bool verify = false;
    QByteArray batch; // block read buffer, verify read-back, status polls
    QByteArray info;
    QByteArray fat;
    QByteArray file;
    QByteArray *fileOut = nullptr;
    int romPage = -1;
    quint32 readAddress = 0;
    unsigned int romCommand = 0;
    std::atomic<bool> stop{false};
    int infoMode = -1;
    bool readDirectory = false;
    bool toggleWriteEnable = false;
    int romWaitTarget = 0;
    int byteCount = 0;
    QString verifyText;
    quint8 ctrl = 0;
    QByteArray entryBefore;
    int bootPageBefore = -1;
    bool commandAborted = false;
    bool designWritten = false;
    bool pageLoaded = false;
    int plainWritesSent = 0;
    int plainWritesAnswered = 0;
    // How far Clear ROM got, for its report. clearInFlight names the item whose requests went out
    // without the module confirming it (it may still carry it out): a page, or one of these.
    static constexpr int noClearItem = -1, directoryItem = -2, tableItem = -3;
    bool directoryStored = false;
    bool tableCleared = false;
    int pagesCleared = 0;
    int clearInFlight = noClearItem;
};

#endif
