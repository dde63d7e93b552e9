#include "settingsdialogs.h"

#include "editcntfncdialog.h"
#include "editdlyfncdialog.h"
#include "editinputdialog.h"
#include "editlogicdialog.h"
#include "editmsrcntdialog.h"

#include <QScrollArea>

#include <memory>

namespace {

QWidget *placed(QWidget *dialog, const ModalHooks::SettingsRequest &request)
{
    dialog->move(request.geometry.topLeft());
    dialog->setWindowTitle(request.title);
    return dialog;
}

} // namespace

QWidget *SettingsDialogs::create(const ModalHooks::SettingsRequest &request)
{
    if (!request.block)
        return nullptr;
    switch (request.dialog) {
    case ModalHooks::LogicDialog: {
        auto *window = new QScrollArea;
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Tab runs through the dialog's fields only.
        window->setFocusPolicy(Qt::NoFocus);
        window->setWidget(new EditLogicDialog(request.block, window));
        window->setGeometry(request.geometry);
        window->setWindowModality(Qt::ApplicationModal);
        window->setWindowTitle(request.title);
        return window;
    }
    case ModalHooks::CntFncDialog:
        return placed(new EditCntFncDialog(request.block, nullptr), request);
    case ModalHooks::DlyFncDialog:
        return placed(new EditDlyFncDialog(request.block), request);
    case ModalHooks::MsrCntDialog:
        return placed(new EditMsrCntDialog(request.block), request);
    case ModalHooks::InputDialog:
        return placed(new EditInputDialog(request.sheet, request.block, nullptr), request);
    }
    return nullptr;
}

void SettingsDialogs::run(const ModalHooks::SettingsRequest &request)
{
    QWidget *window = create(request);
    if (!window)
        return;
    if (request.dialog == ModalHooks::LogicDialog) {
        window->show();
        return;
    }
    std::unique_ptr<QWidget> owned(window);
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->exec();
}
