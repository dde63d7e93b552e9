#ifndef MODULEREGISTERS_H
#define MODULEREGISTERS_H

#include <QtGlobal>

// The logic module's register space as the device side uses it. Multi-byte values are
// big-endian. Commands are single-byte writes of CommandByte.
namespace ModuleRegisters {

// Design image and information
constexpr quint32 Version = 0x0000; // 4 bytes; byte 0 in VersionFirst..VersionLast
constexpr int VersionLength = 4;
constexpr quint8 VersionFirst = 0x30;     // "0"
constexpr quint8 VersionLast = 0x3F;      // "?"
constexpr quint32 Configuration = 0x0004; // to 0x008F
constexpr int ConfigurationLength = 140;
constexpr quint32 CounterEnable = 0x0064; // + n, n = 0..3; bit 7 starts counter n
constexpr quint8 CounterStart = 0x80;
constexpr quint8 CounterStop = 0x00;
constexpr quint32 UserControl = 0x006E; // 16 bits, bit i = user-control input i
constexpr int UserControlLength = 2;
constexpr quint32 FunctionTable = 0x2000;
constexpr quint32 OutputTable = 0x2800;
constexpr quint32 DelayTable = 0x3000;
constexpr quint32 MsrCntTable = 0x3800;
constexpr int TableLength = 2048;

// ROM pages and directory
constexpr int RomPages = 16;
constexpr quint32 RomDirectory = 0x0100; // entry p at RomDirectory + p * entry length
constexpr int RomDirectoryEntryLength = 112;
constexpr int RomDirectoryLength = RomPages * RomDirectoryEntryLength;

// Module commands and their status
constexpr quint8 CommandByte = 0xFF;
constexpr quint32 AbortCommand = 0x8000;
constexpr quint32 CommandStatus = 0x8001; // byte 0 busy, bytes 3..6 progress
constexpr int CommandStatusLength = 7;
constexpr int CommandStatusProgress = 3;
constexpr quint32 PageState = 0x8008; // bits 0..6 page, bit 7 modified since
constexpr quint8 PageStateModified = 0x80;
constexpr quint8 PageStateNumberMask = 0x7F;
constexpr quint32 StoreDirectoryCommand = 0x8040;   // also starts the ROM-area initialisation
constexpr quint32 SavePageCommand = 0x8050;         // + p
constexpr quint32 RestorePageCommand = 0x8070;      // + p
constexpr quint32 LastControlSetCommand = 0x805F;   // commands up to here set the save bit first
constexpr quint32 LastControlClearCommand = 0x806F; // commands up to here clear it afterwards
constexpr int PageWaitTarget = 0x4000;
constexpr int DirectoryWaitTarget = 0x7FF;

// Cluster store
constexpr quint32 ClusterNumber = 0x8100;       // 32 bits
constexpr quint32 ClusterWriteCommand = 0x8104; // window -> selected cluster
constexpr quint32 ClusterReadCommand = 0x8105;  // selected cluster -> window
constexpr quint32 ClusterWindow = 0xC000;
constexpr int ClusterSize = 4096;
constexpr int ClusterCount = 2048;
constexpr int FatCluster = 2047;

// Network stack: EEPROM settings memory and the live control byte
constexpr quint32 NetworkSettings = 0xFFFFFC12u; // 30 bytes
constexpr int NetworkSettingsLength = 30;
constexpr quint32 NetworkAddress = 0xFFFFFC18u; // 4 bytes
constexpr quint32 NetworkTcpPort = 0xFFFFFC1Cu; // 16 bits
constexpr quint32 NetworkUdpPort = 0xFFFFFC22u; // 16 bits
constexpr quint32 StoredControl = 0xFFFFFC3Cu;  // EEPROM copy of LiveControl
constexpr quint32 BootPage = 0xFFFFFC3Eu;
constexpr quint32 WriteEnable = 0xFFFFFCFFu;
constexpr quint8 WriteEnableOn = 0x00;
constexpr quint8 WriteEnableOff = 0xFF;
constexpr quint32 LiveControl = 0xFFFFFF3Cu;
constexpr quint8 ControlWritable = 0x01; // bit 0: 1 writable, 0 write-protected
constexpr quint8 ControlRomSave = 0x02;  // bit 1: ROM save in progress

} // namespace ModuleRegisters

#endif
