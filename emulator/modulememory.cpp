#include "modulememory.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace {

const quint32 StateMagic = 0x5A454D55; // "ZEMU"
const quint32 StateFormat = 1;
const int LowSize = 0x4000;
const int EepromSize = 0x100;
const quint32 EepromBase = 0xFFFFFC00u;

// Bytes 0..3 at 0x0000; byte 0 must lie in "0".."?" for the editor to accept the module.
const char DefaultVersion[4] = {'3', 0x10, 0x05, 0x01};

void put16(QByteArray &bytes, int offset, quint16 value)
{
    bytes[offset] = char(value >> 8);
    bytes[offset + 1] = char(value & 0xFF);
}

QString hex(quint32 value)
{
    return QStringLiteral("0x%1").arg(value, 0, 16);
}

} // namespace

ModuleMemory::ModuleMemory()
{
    reset();
}

void ModuleMemory::reset()
{
    low = QByteArray(LowSize, '\0');
    for (int i = 0; i < 4; ++i)
        low[i] = DefaultVersion[i];

    eeprom = QByteArray(EepromSize, '\0');
    const int net = int(NetworkAddress - EepromBase);
    const char mac[6] = {0x02, 0x5A, 0x49, 0x56, 0x52, 0x41};
    for (int i = 0; i < 6; ++i)
        eeprom[net + i] = mac[i];
    const char ip[4] = {127, 0, 0, 1};
    for (int i = 0; i < 4; ++i)
        eeprom[net + 6 + i] = ip[i];
    put16(eeprom, net + 10, 24);   // TCP data port
    put16(eeprom, net + 12, 23);   // TCP command port
    put16(eeprom, net + 14, 1460); // TCP maximum segment size
    put16(eeprom, net + 16, 4660); // UDP port
    put16(eeprom, net + 18, 500);  // keep-alive, buffer not empty
    put16(eeprom, net + 20, 500);  // keep-alive, buffer empty
    put16(eeprom, net + 22, 3000); // connect time-out
    put16(eeprom, net + 24, 4);    // disconnect time-out, 256 ms units
    put16(eeprom, net + 26, 1000); // re-connect interval
    put16(eeprom, net + 28, 500);  // retransmission timer
    eeprom[int(StoredControlAddress - EepromBase)] = 0x01;
    eeprom[int(BootPageAddress - EepromBase)] = 0x00;

    window = QByteArray(ClusterSize, '\0');
    clusterRegister = QByteArray(4, '\0');
    clusters = QByteArray(ClusterCount * ClusterSize, '\0');
    // A module leaves the factory with its ROM area initialised: every page without a file,
    // the pool free. From then on the table belongs to the editor.
    QByteArray fat(ClusterSize, char(0xFF));
    for (int i = 0; i < Pages * 2; ++i)
        fat[i] = char(0xFE);
    fat[ClusterSize - 2] = char(0xFE);
    fat[ClusterSize - 1] = char(0xFE);
    clusters.replace(FatCluster * ClusterSize, ClusterSize, fat);

    rom = QVector<QByteArray>(Pages, QByteArray(ImageLength, '\0'));
    storedDirectory = QByteArray(DirectoryLength, '\0');
    stateChanged = true;
    boot();
}

void ModuleMemory::boot()
{
    const quint8 bootPage = quint8(eeprom[int(BootPageAddress - EepromBase)]);
    const int p = bootPage < Pages ? bootPage : 0;
    setDesignImage(rom[p]);
    low.replace(int(DirectoryAddress), DirectoryLength, storedDirectory);
    liveControl = quint8(eeprom[int(StoredControlAddress - EepromBase)]);
    page = quint8(p);
    bootNetwork = eeprom.mid(int(NetworkAddress - EepromBase), NetworkLength);
    writeEnable = 0xFF;
    runningCommand = 0;
    progressTotal = 0;
}

ModuleMemory::Region ModuleMemory::regionOf(quint32 address)
{
    if (address < 4)
        return Version;
    if (address >= ConfigAddress && address < ConfigAddress + ConfigLength)
        return Config;
    if (address >= DirectoryAddress && address < DirectoryAddress + DirectoryLength)
        return Directory;
    if (address >= TablesAddress && address < TablesAddress + TablesLength)
        return Tables;
    if (address >= StatusAddress && address < StatusAddress + StatusLength)
        return Status;
    if (address == PageStateAddress)
        return PageState;
    if (address >= ClusterNumberAddress && address < ClusterNumberAddress + 4)
        return ClusterNumber;
    if (isCommand(address))
        return Command;
    if (address >= WindowAddress && address < WindowAddress + ClusterSize)
        return Window;
    if ((address >= NetworkAddress && address < NetworkAddress + NetworkLength) ||
        address == StoredControlAddress || address == BootPageAddress)
        return Eeprom;
    if (address == WriteEnableAddress)
        return WriteEnable;
    if (address == LiveControlAddress)
        return LiveControl;
    return Unmapped;
}

bool ModuleMemory::isCommand(quint32 address)
{
    return address == AbortCommand || address == DirectoryCommand ||
           (address >= SaveCommand && address < SaveCommand + Pages) ||
           (address >= RestoreCommand && address < RestoreCommand + Pages) ||
           address == ClusterWriteCommand || address == ClusterReadCommand;
}

// Counter enables and user-control switches are run-time inputs: they stay writable under write
// protection and do not count as a change of the loaded register settings.
bool ModuleMemory::isRuntimeRegister(quint32 address)
{
    return (address >= 0x0064 && address <= 0x0067) || address == 0x006E || address == 0x006F;
}

quint32 ModuleMemory::selectedCluster() const
{
    return (quint32(quint8(clusterRegister[0])) << 24) |
           (quint32(quint8(clusterRegister[1])) << 16) |
           (quint32(quint8(clusterRegister[2])) << 8) | quint32(quint8(clusterRegister[3]));
}

bool ModuleMemory::checkWrite(quint32 address, QString *note) const
{
    QString why;
    switch (regionOf(address)) {
    case Unmapped:
        why = QStringLiteral("unmapped address");
        break;
    case Version:
    case Status:
    case PageState:
        why = QStringLiteral("read-only register");
        break;
    case Config:
    case Tables:
        if (!(liveControl & 0x01) && !isRuntimeRegister(address))
            why = QStringLiteral("write-protected");
        break;
    case Command:
        if (address >= RestoreCommand && address < RestoreCommand + Pages && !(liveControl & 0x01))
            why = QStringLiteral("write-protected");
        else if ((address == ClusterWriteCommand || address == ClusterReadCommand) &&
                 selectedCluster() >= quint32(ClusterCount))
            why = QStringLiteral("cluster number out of range");
        break;
    case Eeprom:
        if (writeEnable != 0x00)
            why = QStringLiteral("EEPROM write disabled");
        break;
    default:
        break;
    }
    if (why.isEmpty())
        return true;
    if (note)
        *note = why + QStringLiteral(" at ") + hex(address);
    return false;
}

QByteArray ModuleMemory::statusBytes(bool busy, quint32 progress) const
{
    QByteArray status(StatusLength, '\0');
    status[0] = busy ? char(0x01) : char(0x00);
    status[3] = char(progress >> 24);
    status[4] = char(progress >> 16);
    status[5] = char(progress >> 8);
    status[6] = char(progress);
    return status;
}

// One status poll: a running command reports busy with rising progress for its number of polls,
// then completes.
QByteArray ModuleMemory::pollStatus()
{
    if (!runningCommand)
        return statusBytes(false, progressTotal);
    ++pollsDone;
    if (!busyForever && pollsDone > pollsNeeded) {
        finishCommand();
        return statusBytes(false, progressTotal);
    }
    const int done = qMin(pollsDone, pollsNeeded);
    return statusBytes(true,
                       quint32(quint64(progressTotal) * quint64(done) / quint64(pollsNeeded + 1)));
}

quint8 ModuleMemory::readByteAt(quint32 address, const QByteArray &status) const
{
    switch (regionOf(address)) {
    case Version:
    case Config:
    case Directory:
    case Tables:
        return quint8(low[int(address)]);
    case Status:
        return quint8(status[int(address - StatusAddress)]);
    case PageState:
        return page;
    case ClusterNumber:
        return quint8(clusterRegister[int(address - ClusterNumberAddress)]);
    case Window:
        return quint8(window[int(address - WindowAddress)]);
    case Eeprom:
        return quint8(eeprom[int(address - EepromBase)]);
    case WriteEnable:
        return writeEnable;
    case LiveControl:
        return liveControl;
    default:
        return 0;
    }
}

bool ModuleMemory::read(quint32 address, int length, QByteArray *data, QString *note)
{
    bool coversStatus = false;
    bool touchesStatus = false;
    for (int i = 0; i < length; ++i) {
        const quint32 a = address + quint32(i);
        const Region r = regionOf(a);
        if (r == Unmapped || r == Command) {
            if (note)
                *note = (r == Unmapped ? QStringLiteral("unmapped address at ")
                                       : QStringLiteral("write-only register at ")) +
                        hex(a);
            return false;
        }
        if (r == Status)
            touchesStatus = true;
        if (a == StatusAddress)
            coversStatus = true;
    }
    QByteArray status;
    if (coversStatus)
        status = pollStatus();
    else if (touchesStatus)
        status = statusBytes(runningCommand != 0, progressTotal);
    data->resize(length);
    for (int i = 0; i < length; ++i)
        (*data)[i] = char(readByteAt(address + quint32(i), status));
    return true;
}

void ModuleMemory::storeByte(quint32 address, quint8 value)
{
    switch (regionOf(address)) {
    case Config:
    case Tables:
        low[int(address)] = char(value);
        if (!isRuntimeRegister(address))
            page |= 0x80;
        break;
    case Directory:
        low[int(address)] = char(value);
        break;
    case ClusterNumber:
        clusterRegister[int(address - ClusterNumberAddress)] = char(value);
        break;
    case Window:
        window[int(address - WindowAddress)] = char(value);
        break;
    case Eeprom:
        eeprom[int(address - EepromBase)] = char(value);
        stateChanged = true;
        break;
    case WriteEnable:
        writeEnable = value;
        break;
    case LiveControl:
        liveControl = value;
        break;
    default:
        break;
    }
}

bool ModuleMemory::write(quint32 address, const QByteArray &data, QString *note)
{
    for (int i = 0; i < data.size(); ++i)
        if (!checkWrite(address + quint32(i), note))
            return false;
    for (int i = 0; i < data.size(); ++i) {
        const quint32 a = address + quint32(i);
        if (isCommand(a))
            startCommand(a, note);
        else
            storeByte(a, quint8(data[i]));
    }
    return true;
}

void ModuleMemory::startCommand(quint32 command, QString *note)
{
    QString text;
    if (command == AbortCommand) {
        if (runningCommand) {
            text = QStringLiteral("command ") + hex(runningCommand) + QStringLiteral(" aborted");
            runningCommand = 0;
        } else {
            text = QStringLiteral("abort while idle");
        }
    } else if (runningCommand) {
        text = QStringLiteral("command ") + hex(command) + QStringLiteral(" ignored: ") +
               hex(runningCommand) + QStringLiteral(" is running");
    } else {
        const bool clusterCommand = command == ClusterWriteCommand || command == ClusterReadCommand;
        runningCommand = command;
        commandCluster = selectedCluster();
        pollsNeeded = clusterCommand ? clusterPolls : commandPolls;
        pollsDone = 0;
        progressTotal = clusterCommand ? quint32(ClusterSize)
                                       : (command == DirectoryCommand ? 0x7FFu : 0x4000u);
        text = QStringLiteral("command ") + hex(command);
        if (pollsNeeded == 0 && !busyForever)
            finishCommand();
    }
    if (note)
        *note = note->isEmpty() ? text : *note + QStringLiteral("; ") + text;
}

void ModuleMemory::finishCommand()
{
    const quint32 command = runningCommand;
    runningCommand = 0;
    if (command == DirectoryCommand) {
        storedDirectory = low.mid(int(DirectoryAddress), DirectoryLength);
        stateChanged = true;
    } else if (command >= SaveCommand && command < SaveCommand + Pages) {
        rom[int(command - SaveCommand)] = designImage();
        page = quint8(command - SaveCommand);
        stateChanged = true;
    } else if (command >= RestoreCommand && command < RestoreCommand + Pages) {
        setDesignImage(rom[int(command - RestoreCommand)]);
        page = quint8(command - RestoreCommand);
    } else if (command == ClusterWriteCommand || command == ClusterReadCommand) {
        const quint32 n = commandCluster;
        if (n >= quint32(ClusterCount))
            return;
        if (command == ClusterWriteCommand) {
            clusters.replace(int(n) * ClusterSize, ClusterSize, window);
            stateChanged = true;
        } else {
            window = clusters.mid(int(n) * ClusterSize, ClusterSize);
        }
    }
}

QByteArray ModuleMemory::designImage() const
{
    return low.mid(int(ConfigAddress), ConfigLength) + low.mid(int(TablesAddress), TablesLength);
}

void ModuleMemory::setDesignImage(const QByteArray &image)
{
    low.replace(int(ConfigAddress), ConfigLength, image.left(ConfigLength));
    low.replace(int(TablesAddress), TablesLength, image.mid(ConfigLength, TablesLength));
}

QByteArray ModuleMemory::romImage(int p) const
{
    return p >= 0 && p < Pages ? rom[p] : QByteArray();
}

QByteArray ModuleMemory::peek(quint32 address, int length) const
{
    QByteArray data(qMax(length, 0), '\0');
    const QByteArray status = statusBytes(runningCommand != 0, progressTotal);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(readByteAt(address + quint32(i), status));
    return data;
}

bool ModuleMemory::poke(quint32 address, const QByteArray &data)
{
    bool all = true;
    for (int i = 0; i < data.size(); ++i) {
        const quint32 a = address + quint32(i);
        const quint8 value = quint8(data[i]);
        switch (regionOf(a)) {
        case Version:
            low[int(a)] = char(value);
            stateChanged = true;
            break;
        case Config:
        case Directory:
        case Tables:
            low[int(a)] = char(value);
            break;
        case PageState:
            page = value;
            break;
        case ClusterNumber:
        case Window:
        case Eeprom:
        case WriteEnable:
        case LiveControl:
            storeByte(a, value);
            break;
        default:
            all = false;
            break;
        }
    }
    return all;
}

void ModuleMemory::setBusyPolls(int commands, int clusterCommands)
{
    commandPolls = qMax(commands, 0);
    clusterPolls = qMax(clusterCommands, 0);
}

void ModuleMemory::setBusyForever(bool on)
{
    busyForever = on;
}

QByteArray ModuleMemory::cluster(int n) const
{
    if (n < 0 || n >= ClusterCount)
        return QByteArray();
    return clusters.mid(n * ClusterSize, ClusterSize);
}

bool ModuleMemory::setCluster(int n, const QByteArray &data)
{
    if (n < 0 || n >= ClusterCount || data.size() > ClusterSize)
        return false;
    QByteArray padded = data;
    padded.append(QByteArray(ClusterSize - data.size(), '\0'));
    clusters.replace(n * ClusterSize, ClusterSize, padded);
    stateChanged = true;
    return true;
}

bool ModuleMemory::saveState(const QString &fileName, QString *error) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_5_15);
    out << StateMagic << StateFormat << low.left(4) << eeprom << storedDirectory;
    for (const QByteArray &image : rom)
        out << image;
    out << qCompress(clusters);
    if (out.status() != QDataStream::Ok || !file.commit()) {
        if (error)
            *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

bool ModuleMemory::loadState(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0, format = 0;
    QByteArray version, settings, directory, packed;
    QVector<QByteArray> images(Pages);
    in >> magic >> format;
    if (magic != StateMagic || format != StateFormat) {
        if (error)
            *error = fileName + QStringLiteral(": not a module state file");
        return false;
    }
    in >> version >> settings >> directory;
    for (QByteArray &image : images)
        in >> image;
    in >> packed;
    const QByteArray store = in.status() == QDataStream::Ok ? qUncompress(packed) : QByteArray();
    bool sizesOk = version.size() == 4 && settings.size() == EepromSize &&
                   directory.size() == DirectoryLength &&
                   store.size() == ClusterCount * ClusterSize;
    for (const QByteArray &image : images)
        sizesOk = sizesOk && image.size() == ImageLength;
    if (in.status() != QDataStream::Ok || !sizesOk) {
        if (error)
            *error = fileName + QStringLiteral(": the module state file is damaged");
        return false;
    }
    reset();
    low.replace(0, 4, version);
    eeprom = settings;
    storedDirectory = directory;
    rom = images;
    clusters = store;
    boot();
    stateChanged = false; // as the file holds it
    return true;
}

bool ModuleMemory::takeStateChange()
{
    const bool changed = stateChanged;
    stateChanged = false;
    return changed;
}
