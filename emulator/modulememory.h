#ifndef MODULEMEMORY_H
#define MODULEMEMORY_H

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The register space of the emulated logic module and what its registers do: the design image,
// the ROM directory and pages, the module commands with their busy status, the cluster store,
// the EEPROM settings and the live control byte. Not thread-safe; its owner serialises access.
class ModuleMemory
{
public:
    static constexpr int ClusterSize = 4096;
    static constexpr int ClusterCount = 2048;
    static constexpr int FatCluster = 2047;
    static constexpr int Pages = 16;
    static constexpr int ConfigLength = 140;
    static constexpr int TablesLength = 4 * 2048;
    static constexpr int ImageLength = ConfigLength + TablesLength;
    static constexpr int DirectoryLength = Pages * 112;

    static constexpr quint32 VersionAddress = 0x0000;
    static constexpr quint32 ConfigAddress = 0x0004;
    static constexpr quint32 DirectoryAddress = 0x0100;
    static constexpr quint32 TablesAddress = 0x2000;
    static constexpr quint32 AbortCommand = 0x8000;
    static constexpr quint32 StatusAddress = 0x8001;
    static constexpr int StatusLength = 7;
    static constexpr quint32 PageStateAddress = 0x8008;
    static constexpr quint32 DirectoryCommand = 0x8040;
    static constexpr quint32 SaveCommand = 0x8050;
    static constexpr quint32 RestoreCommand = 0x8070;
    static constexpr quint32 ClusterNumberAddress = 0x8100;
    static constexpr quint32 ClusterWriteCommand = 0x8104;
    static constexpr quint32 ClusterReadCommand = 0x8105;
    static constexpr quint32 WindowAddress = 0xC000;
    static constexpr quint32 NetworkAddress = 0xFFFFFC12u;
    static constexpr int NetworkLength = 30;
    static constexpr quint32 StoredControlAddress = 0xFFFFFC3Cu;
    static constexpr quint32 BootPageAddress = 0xFFFFFC3Eu;
    static constexpr quint32 WriteEnableAddress = 0xFFFFFCFFu;
    static constexpr quint32 LiveControlAddress = 0xFFFFFF3Cu;

    ModuleMemory();

    // Factory state: empty ROM pages and directory, an empty file table, default settings; booted.
    void reset();
    // Power-up: registers and page state from the boot page, live control byte from its EEPROM
    // copy.
    void boot();

    // REGX accesses. False means a bus error; `note` says why or what the access set off.
    bool read(quint32 address, int length, QByteArray *data, QString *note);
    bool write(quint32 address, const QByteArray &data, QString *note);

    // Raw access for tests, past every access rule; unmapped bytes read as 0 and are not written.
    QByteArray peek(quint32 address, int length) const;
    bool poke(quint32 address, const QByteArray &data);

    void setBusyPolls(int commandPolls, int clusterPolls);
    void setBusyForever(bool on);
    bool isBusy() const { return runningCommand != 0; }

    QByteArray cluster(int n) const;
    bool setCluster(int n, const QByteArray &data);
    QByteArray designImage() const;
    QByteArray romImage(int page) const;
    QByteArray romDirectory() const { return storedDirectory; }
    quint8 pageState() const { return page; }
    void setPageState(quint8 value) { page = value; }
    bool writeEnabled() const { return writeEnable == 0x00; }
    // The network-settings block the module took at its last power-up; written values wait for
    // the next one.
    QByteArray networkInForce() const { return bootNetwork; }

    bool saveState(const QString &fileName, QString *error) const;
    bool loadState(const QString &fileName, QString *error);
    // Whether what a state file holds (version, settings memory, ROM directory and pages, the
    // cluster store) changed since the last call.
    bool takeStateChange();

private:
    enum Region {
        Unmapped,
        Version,
        Config,
        Directory,
        Tables,
        Status,
        PageState,
        ClusterNumber,
        Command,
        Window,
        Eeprom,
        WriteEnable,
        LiveControl
    };

    static Region regionOf(quint32 address);
    static bool isCommand(quint32 address);
    static bool isRuntimeRegister(quint32 address);
    bool checkWrite(quint32 address, QString *note) const;
    quint8 readByteAt(quint32 address, const QByteArray &status) const;
    void storeByte(quint32 address, quint8 value);
    QByteArray pollStatus();
    QByteArray statusBytes(bool busy, quint32 progress) const;
    void startCommand(quint32 command, QString *note);
    void finishCommand();
    void setDesignImage(const QByteArray &image);
    quint32 selectedCluster() const;

    QByteArray low;             // 0x0000..0x3FFF
    QByteArray eeprom;          // 0xFFFFFC00..0xFFFFFCFF
    QByteArray window;          // 0xC000..0xCFFF
    QByteArray clusterRegister; // 0x8100..0x8103
    QByteArray clusters;        // the cluster store, ClusterCount * ClusterSize
    QVector<QByteArray> rom;    // register image of each ROM page
    QByteArray storedDirectory; // the ROM's copy of the directory
    QByteArray bootNetwork;     // network settings in force since boot()
    quint8 writeEnable = 0xFF;
    quint8 liveControl = 0x01;
    quint8 page = 0;

    quint32 runningCommand = 0;
    quint32 commandCluster = 0; // latched when a cluster command starts
    int pollsNeeded = 0;
    int pollsDone = 0;
    quint32 progressTotal = 0;
    int commandPolls = 2;
    int clusterPolls = 0;
    bool busyForever = false;
    bool stateChanged = false;
};

#endif
