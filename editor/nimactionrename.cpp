#include "nimactionrename.h"

#include "blockitem.h"
#include "modalhooks.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QVector>

NIMActionRename::NIMActionRename(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    connect(this, SIGNAL(triggered()), this, SLOT(rename()));
    setIcon(sharedIcon(QStringLiteral(":/Zivra_icon/Zivra_rename2.png")));
}

bool NIMActionRename::isValidName(const QString &name)
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

void NIMActionRename::rename()
{
    if (!block || !owner)
        return;
    const QString oldName = block->displayName();
    const QString &ownName = block->name();
    const QString title =
        ownName.contains(QLatin1String("IN-")) || ownName.contains(QLatin1String("OUT-CH"))
            ? ownName
            : oldName;
    const QString label = QCoreApplication::translate("NIMActionRename", "Please enter new name.");
    QString offered = oldName;
    for (;;) {
        bool ok = false;
        const QString answer = ModalHooks::getText(owner, title, label, offered, &ok);
        if (!ok)
            return;
        const QString newName = answer.trimmed();
        offered = answer;
        if (newName == oldName)
            return;
        if (!isValidName(newName)) {
            ModalHooks::warning(
                owner, oldName,
                QCoreApplication::translate(
                    "NIMActionRename", "A name can consist only of the following characters:\n") +
                    QCoreApplication::translate(
                        "NIMActionRename", "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)"));
            continue;
        }
        bool accepted;
        if (newName.startsWith(QLatin1String("IN-")) ||
            newName.startsWith(QLatin1String("OUT-CH")) ||
            newName.startsWith(QLatin1String("MsrCnt")))
            accepted = newName == block->name(); // a channel takes back its plain name
        else
            accepted = owner->checkName(newName, false);
        if (!accepted) {
            ModalHooks::warning(
                owner, oldName,
                QCoreApplication::translate("NIMActionRename",
                                            "\"%1\" cannot be used or it is already in use.")
                    .arg(newName));
            offered = newName;
            continue;
        }
        block->setUserName(newName);
        if (QLabel *shown = block->owner()) {
            shown->setPixmap(block->pixmap());
            shown->show();
        }
        owner->renameItem(block->name(), newName);
        return;
    }
}
