#include "romdialog.h"

#include "dialoghooks.h"
#include "modalhooks.h"
#include "romfat.h"
#include "rompagehost.h"
#include "ui_romdialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidgetItem>

namespace {

const int Pages = 16;
const int EntryLength = RomFat::DirectoryEntryLength;
const int BoldWeight = 75;

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

RomDialog::RomDialog(const QString *fileName, const QByteArray &bytes, int mode, QWidget *parent)
    : QDialog(parent), ui(new Ui::RomDialog), mainWindow(dynamic_cast<RomPageHost *>(parent)),
      mode(mode), saveMode(mode == Save)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    updating = true;

    bootPage = bytes.isEmpty() ? 0 : quint8(bytes.at(0));
    selectedPage = bootPage;
    directory = bytes.mid(1);
    const QString path = fileName ? *fileName : QString();
    designName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);

    ui->label->setText(ui->label->text() + QString::number(bootPage));

    for (int i = 0; i < Pages; ++i) {
        QTableWidgetItem *commentItem = readOnlyItem(pageComment(i));
        if (mode == BootPage) {
            auto *box = new QCheckBox(QString::number(i));
            if (i == bootPage) {
                QFont font = box->font();
                font.setWeight(BoldWeight);
                box->setFont(font);
                font = commentItem->font();
                font.setWeight(BoldWeight);
                commentItem->setFont(font);
                box->setChecked(true);
            }
            ui->tableWidget->setCellWidget(i, 0, box);
            connect(box, &QCheckBox::stateChanged, this,
                    [this, i](int state) { setState(i, state); });
        } else {
            QTableWidgetItem *numberItem = readOnlyItem(QString::number(i));
            if (i == bootPage) {
                QFont font = numberItem->font();
                font.setWeight(BoldWeight);
                numberItem->setFont(font);
                commentItem->setFont(font);
            }
            ui->tableWidget->setItem(i, 0, numberItem);
        }
        ui->tableWidget->setItem(i, 1, commentItem);
    }
    // The comment column takes exactly what the number column and the vertical scroll bar leave:
    // wider columns let the list scroll sideways, and a click on a row scrolled the page numbers
    // and the check boxes out of view.
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ui->tableWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->tableWidget->setColumnWidth(0, mode == BootPage ? 47 : 30);
    if (mode == BootPage)
        ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);

    if (saveMode) {
        setWindowTitle(tr("Save to ROM"));
        for (int i = 0; i < Pages; ++i)
            ui->comboBox->setItemText(i, QString::number(i));
        selectPage(0);
    } else {
        ui->lineEdit->hide();
        ui->checkBox->hide();
        if (mode == BootPage) {
            setWindowTitle(tr("Boot ROM Page"));
            ui->comboBox->hide();
        } else {
            setWindowTitle(tr("Restore from ROM"));
            ui->comboBox->setMinimumWidth(330);
            if (bootPage < Pages)
                ui->comboBox->setItemText(bootPage, ui->comboBox->itemText(bootPage) +
                                                        QStringLiteral(" (boot) "));
            for (int i = 0; i < Pages; ++i)
                ui->comboBox->setItemText(i, ui->comboBox->itemText(i) +
                                                 QStringLiteral(": %1").arg(pageComment(i)));
        }
    }
    updating = false;
}

RomDialog::~RomDialog()
{
    delete ui;
}

QString RomDialog::pageComment(int page) const
{
    return RomFat::comment(directory.mid(page * EntryLength, EntryLength));
}

QCheckBox *RomDialog::pageBox(int page) const
{
    if (page < 0 || page >= Pages)
        return nullptr;
    return qobject_cast<QCheckBox *>(ui->tableWidget->cellWidget(page, 0));
}

// The boxes act as one exclusive group that the user cannot leave empty while the boot page is
// one of the rows: unchecking the chosen box falls back to the boot page.
void RomDialog::setState(int page, int state)
{
    if (updating)
        return;
    updating = true;
    if (state == Qt::Checked) {
        if (QCheckBox *box = pageBox(selectedPage))
            box->setChecked(false);
        selectedPage = quint8(page);
    } else if (state == Qt::Unchecked) {
        selectedPage = bootPage;
        if (QCheckBox *box = pageBox(bootPage))
            box->setChecked(true);
    }
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(selectedPage != bootPage);
    updating = false;
}

void RomDialog::on_comboBox_currentIndexChanged(int index)
{
    if (!updating)
        selectPage(index);
}

void RomDialog::selectPage(int index)
{
    const bool wasUpdating = updating;
    updating = true;
    ui->tableWidget->setCurrentCell(index, 0);
    ui->tableWidget->setCurrentCell(index, 1, QItemSelectionModel::Select);
    if (saveMode) {
        if (ui->lineEdit->text().isEmpty())
            ui->lineEdit->setText(designName);
        const bool isBoot = index == bootPage;
        ui->checkBox->setEnabled(!isBoot);
        ui->checkBox->setChecked(isBoot);
    }
    updating = wasUpdating;
}

void RomDialog::on_tableWidget_currentCellChanged(int currentRow, int, int, int previousColumn)
{
    if (!updating && previousColumn >= 0)
        ui->comboBox->setCurrentIndex(currentRow);
}

void RomDialog::on_buttonBox_accepted()
{
    if (!mainWindow)
        return;
    if (mode == BootPage) {
        mainWindow->romTransfer(QByteArray(), selectedPage, 0);
        accept();
        return;
    }
    const int page = ui->comboBox->currentIndex();
    if (saveMode)
        acceptSave(page);
    else
        acceptRestore(page);
}

void RomDialog::acceptSave(int page)
{
    const QString comment = ui->lineEdit->text();
    if (comment.isEmpty()) {
        ModalHooks::warning(this, tr("Zivra"), tr("Please give it a user comment."));
        return;
    }
    if (comment.toUtf8().size() > EntryLength) {
        ModalHooks::warning(
            this, tr("Zivra"),
            tr("The length of the user comment should be at most %1 bytes.").arg(EntryLength));
        return;
    }
    // An unchanged comment is not written again.
    const QByteArray entry =
        comment == pageComment(page) ? QByteArray() : RomFat::directoryEntry(comment);
    const int newBoot = page != bootPage && ui->checkBox->isChecked() ? page : -1;
    mainWindow->romTransfer(entry, newBoot, page);
    accept();
}

void RomDialog::acceptRestore(int page)
{
    if (mainWindow->isDocumentModified()) {
        const DialogHooks::Question question{
            this, QString(),
            tr("The current document has been modified.\nDo you want to save your changes?"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save};
        const QMessageBox::StandardButton answer = DialogHooks::question(question);
        // A save that failed or was cancelled keeps the work: the restore would replace it.
        if (answer == QMessageBox::Save) {
            if (!mainWindow->saveDocument())
                return;
        } else if (answer != QMessageBox::Discard) {
            return;
        }
    }
    mainWindow->romTransfer(QByteArray(), -1, page);
    accept();
}
