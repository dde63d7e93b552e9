#include "nimactionedit.h"

#include "blockitem.h"
#include "modalhooks.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QStringList>

namespace {

// Dialogs never open above or left of the screen's usable corner.
QPoint clampToScreen(QPoint point)
{
    if (point.x() < 20)
        point.setX(20);
    if (point.y() < 50)
        point.setY(50);
    return point;
}

} // namespace

NIMActionEdit::NIMActionEdit(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    if (text.isEmpty()) {
        editItem();
        return;
    }
    connect(this, SIGNAL(triggered()), this, SLOT(editItem()));
    setIcon(sharedIcon(QStringLiteral(":/Zivra_icon/Zivra_Edit.png")));
}

void NIMActionEdit::editItem()
{
    if (!block || !owner)
        return;
    const QString &kind = block->kind();
    ModalHooks::SettingsRequest request{ModalHooks::LogicDialog, owner, block, QRect(),
                                        block->displayName()};

    if (kind == QLatin1String("PreLogic") || kind == QLatin1String("PostLogic")) {
        request.geometry =
            QRect(clampToScreen(owner->mapToGlobal(QPoint(0, 200))), QSize(800, 330));
        ModalHooks::openSettingsDialog(request);
        return;
    }

    int cap;
    if (kind.contains(QLatin1String("CntFnc"))) {
        request.dialog = ModalHooks::CntFncDialog;
        cap = 400;
    } else if (kind.contains(QLatin1String("DlyFnc"))) {
        request.dialog = ModalHooks::DlyFncDialog;
        cap = 400;
    } else if (kind.contains(QLatin1String("MsrCnt"))) {
        request.dialog = ModalHooks::MsrCntDialog;
        cap = 300;
    } else if (kind == QLatin1String("Input") || kind.startsWith(QLatin1String("OUT-CH"))) {
        request.dialog = ModalHooks::InputDialog;
        request.title = kind == QLatin1String("Input") ? kind : QStringLiteral("OUT-CH");
        cap = 300;
    } else {
        chooseChannel();
        return;
    }
    const QPoint &pos = block->pos();
    request.geometry.moveTopLeft(
        clampToScreen(owner->mapToGlobal(QPoint(pos.x() - 100, qMin(pos.y(), cap)))));
    ModalHooks::openSettingsDialog(request);
}

void NIMActionEdit::chooseChannel()
{
    QStringList choices;
    choices.append(block->name());
    owner->lookupItem(block->kind(), choices);
    bool ok = false;
    const QString choice = ModalHooks::getItem(
        owner, block->displayName(), QCoreApplication::translate("NIMActionEdit", "select port"),
        choices, 0, false, &ok);
    if (!ok || choice.isEmpty() || choice == choices.first())
        return;
    if (block->name() == block->displayName()) {
        block->setUserName(choice);
        if (QLabel *shown = block->owner())
            shown->setPixmap(block->pixmap());
    }
    if (!choice.startsWith(QLatin1String("OUT-CH")) &&
        choice.indexOf(QLatin1String("IN-"), 1) >= 1) {
        owner->updateItemView(block, choice);
        return;
    }
    block->setName(choice);
    if (choice.startsWith(QLatin1String("OUT-CH")))
        block->setKind(choice);
    // The block changed: one undo step, as after every edit.
    owner->recordUndo();
}
