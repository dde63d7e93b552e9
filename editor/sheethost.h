#ifndef SHEETHOST_H
#define SHEETHOST_H

#include <QString>
#include <QtGlobal>

class BlockItem;
class ProgramWidget;

// What a sheet needs of the window that holds it. The main window implements
// it; tests implement it with a small recording stand-in.
class SheetHost
{
public:
    virtual ~SheetHost() = default;

    // Records one undo snapshot of the whole design; does nothing while suspended.
    virtual void recordUndo() = 0;
    // Compound edits suspend recording around their single steps and record once.
    virtual bool isUndoSuspended() const = 0;
    virtual void setUndoSuspended(bool suspended) = 0;

    // Modifier keys held down, tracked by the window.
    virtual bool isControlKeyHeld() const = 0;
    virtual bool isShiftKeyHeld() const = 0;

    // Connection settings in force, shown in every sheet's status line.
    virtual QString hostAddress() const = 0;
    virtual quint16 tcpPort() const = 0;
    virtual quint16 udpPort() const = 0;

    // The window's Paste action: its enabled state and triggering it.
    virtual bool isPasteEnabled() const = 0;
    virtual void paste() = 0;

    // The sheets of the document; the position is the sheet index.
    virtual int sheetCount() const = 0;
    virtual ProgramWidget *sheetAt(int index) const = 0;

    // Names shared across sheets. LinkedNames holds the algorithms; the window
    // passes its design container and itself.
    // The user name of an input channel, on every sheet.
    virtual void setInputUserName(const QString &name, const QString &userName) = 0;
    // The user name of a label's source and of its users on every sheet.
    virtual void setLabelUserName(const QString &name, const QString &userName) = 0;
    // Gives an input block another channel name after its settings dialog.
    virtual void setInputName(BlockItem *block, const QString &newName) = 0;
    // Deletes every user of a label on every sheet, recording no undo step of
    // its own: the deletion of the source records the one step.
    virtual void removeLinkedLabels(const QString &name) = 0;
};

#endif // SHEETHOST_H
