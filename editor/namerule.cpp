#include "namerule.h"

#include "modalhooks.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QVector>

bool NameRule::hasValidCharacters(const QString &name)
{
    if (name.isEmpty())
        return false;
    // Code points, so that letters beyond the basic plane are judged whole.
    const QVector<uint> codePoints = name.toUcs4();
    for (uint c : codePoints) {
        if (c == '_' || c == '-')
            continue;
        switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
            break;
        default:
            return false;
        }
    }
    return true;
}

bool NameRule::isFree(ProgramWidget *sheet, const QString &name, const QStringList &ownNames)
{
    if (ownNames.contains(name))
        return true;
    // Channel and counter names belong to their ports.
    if (name.startsWith(QLatin1String("IN-")) || name.startsWith(QLatin1String("OUT-CH")) ||
        name.startsWith(QLatin1String("MsrCnt")))
        return false;
    return sheet && sheet->checkName(name, false);
}

QString NameRule::characterMessage()
{
    return QCoreApplication::translate("NameRule",
                                       "A name can consist only of the following characters:\n") +
           QCoreApplication::translate("NameRule",
                                       "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)");
}

QString NameRule::inUseMessage(const QString &name)
{
    return QCoreApplication::translate("NameRule", "\"%1\" cannot be used or it is already in use.")
        .arg(name.trimmed());
}

bool NameRule::check(ProgramWidget *sheet, const QString &title, const QString &name,
                     const QStringList &ownNames)
{
    if (!hasValidCharacters(name)) {
        ModalHooks::warning(sheet, title, characterMessage());
        return false;
    }
    if (!isFree(sheet, name, ownNames)) {
        ModalHooks::warning(sheet, title, inUseMessage(name));
        return false;
    }
    return true;
}
