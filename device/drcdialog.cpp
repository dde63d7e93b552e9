#include "drcdialog.h"

#include "ui_drcdialog.h"

#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

DrcDialog::DrcDialog(bool withDownload, QWidget *parent) : QDialog(parent), ui(new Ui::DrcDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (!withDownload) {
        // The form places its widgets at fixed points; the report alone follows the window's
        // size through a layout instead.
        delete ui->textEdit;
        delete ui->layoutWidget;
        ui->textEdit = nullptr;
        ui->layoutWidget = nullptr;
        ui->downloadButton = nullptr;
        ui->cancelButton = nullptr;
        ui->horizontalLayout = nullptr;
        auto *view = new QTextEdit;
        view->setObjectName(QStringLiteral("textEdit"));
        view->setReadOnly(true);
        splitter = new QSplitter(Qt::Vertical);
        splitter->addWidget(view);
        layout = new QVBoxLayout(this);
        layout->addWidget(splitter);
        ui->textEdit = view;
    }
    textEdit = ui->textEdit;
    if (parent) {
        connect(this, SIGNAL(rejected()), parent, SLOT(closedDrcDialog()));
        connect(this, SIGNAL(drcClosed(bool)), parent, SLOT(closedDrcDialog(bool)));
    }
}

DrcDialog::~DrcDialog()
{
    delete ui;
}

void DrcDialog::on_downloadButton_clicked()
{
    emit drcClosed(true);
    close();
}
