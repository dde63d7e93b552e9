#ifndef TESTSHEETHOST_H
#define TESTSHEETHOST_H

#include "sheethost.h"

#include <QStringList>
#include <QVector>

#include <functional>

class ProgramData;

// The window side of a sheet, recording what the sheet asks of it. The linked
// name operations run the shared algorithms on `design` when it is set.
class TestSheetHost : public SheetHost
{
public:
    void recordUndo() override;
    bool isUndoSuspended() const override { return undoSuspended; }
    void setUndoSuspended(bool suspended) override { undoSuspended = suspended; }
    bool isControlKeyHeld() const override { return controlKeyHeld; }
    bool isShiftKeyHeld() const override { return shiftKeyHeld; }
    QString hostAddress() const override { return host; }
    quint16 tcpPort() const override { return tcp; }
    quint16 udpPort() const override { return udp; }
    bool isPasteEnabled() const override { return pasteEnabled; }
    void paste() override { ++pastes; }
    int sheetCount() const override { return sheets.size(); }
    ProgramWidget *sheetAt(int index) const override;
    void setInputUserName(const QString &name, const QString &userName) override;
    void setLabelUserName(const QString &name, const QString &userName) override;
    void setInputName(BlockItem *block, const QString &newName) override;
    void removeLinkedLabels(const QString &name) override;

    int snapshots = 0;                // undo snapshots recorded
    std::function<void()> onSnapshot; // runs as each snapshot is taken
    int pastes = 0;
    bool undoSuspended = false;
    bool controlKeyHeld = false;
    bool shiftKeyHeld = false;
    bool pasteEnabled = false;
    QString host = QStringLiteral("127.0.0.1");
    quint16 tcp = 24;
    quint16 udp = 4660;
    QVector<ProgramWidget *> sheets;
    ProgramData *design = nullptr;
    QStringList calls; // linked name operations asked for, as "operation(arguments)"
};

#endif // TESTSHEETHOST_H
