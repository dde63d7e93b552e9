#ifndef NAMERULE_H
#define NAMERULE_H

#include <QString>
#include <QStringList>

class ProgramWidget;

// The one rule for the names a user gives blocks, shared by the Rename action
// and the channel dialog, with its two messages.
class NameRule
{
public:
    // Letters, decimal digits, letter numbers, "_" and "-" only; not empty.
    static bool hasValidCharacters(const QString &name);

    // A name the block may take: one of its own names, or one that is neither
    // a channel or counter name nor the name of another block of the design.
    static bool isFree(ProgramWidget *sheet, const QString &name, const QStringList &ownNames);

    // Both checks; a refusal is shown in a warning on the sheet under `title`.
    static bool check(ProgramWidget *sheet, const QString &title, const QString &name,
                      const QStringList &ownNames);

    static QString characterMessage();
    static QString inUseMessage(const QString &name);
};

#endif // NAMERULE_H
