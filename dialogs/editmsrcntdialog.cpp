#include "editmsrcntdialog.h"

#include "blockitem.h"
#include "blockmode.h"
#include "dialoghooks.h"
#include "linkednames.h"
#include "modalhooks.h"
#include "nimmsrcnt.h"
#include "programwidget.h"
#include "ui_editmsrcntdialog.h"

#include <QDir>
#include <QFileInfo>
#include <QRadioButton>
#include <QStringList>

namespace {

const int listSize = 4; // items of the GATE and of the SRC list

const char *const unitNames[] = {"sec", "msec", "usec", "nsec"};

} // namespace

EditMsrCntDialog::EditMsrCntDialog(BlockItem *block, QWidget *parent)
    : EditDialog(parent), ui(new Ui_EditMsrCntDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    disconnect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(okClicked()));
    if (!block)
        return;
    setWindowTitle(block->kind());

    QStringList names;
    if (ProgramWidget *sheet = sheetOf(block))
        sheet->lookupItem(block->kind(), names);
    ui->m_counterComboBox->addItem(block->name());
    ui->m_counterComboBox->addItems(names);
    item = block;

    const int mode = BlockMode::measureMode(block);
    ui->m_enbComboBox->setCurrentIndex(mode >> 2);
    ui->m_areaComboBox->setCurrentIndex(mode & 0x3);

    bool fileSave = false;
    QString unit;
    QString path;
    if (!block->params().isEmpty()) {
        QString save;
        block->param(save, QStringLiteral("FileSave"));
        if (save == QLatin1String("1") || save == QLatin1String("true")) {
            fileSave = true;
        } else if (save == QLatin1String("0") || save == QLatin1String("false")) {
            fileSave = false;
        } else {
            // Older files kept the unit in this place.
            fileSave = true;
            unit = save;
        }
        if (unit.isEmpty())
            block->param(unit, QStringLiteral("Unit"));
        block->param(path, QStringLiteral("PATH"));
    }
    if (path.isEmpty())
        path = QStringLiteral("log");
    ui->groupBox->setChecked(fileSave);
    ui->lineEdit->setText(QDir::toNativeSeparators(path));

    QRadioButton *const buttons[] = {ui->secRadioButton, ui->msecRadioButton, ui->usecRadioButton,
                                     ui->nsecRadioButton};
    for (int i = 0; i < listSize; ++i) {
        if (unit == QLatin1String(unitNames[i]))
            buttons[i]->setChecked(true);
    }
}

EditMsrCntDialog::~EditMsrCntDialog()
{
    delete ui;
}

void EditMsrCntDialog::on_m_enbComboBox_currentIndexChanged(int index)
{
    // Event counts have no unit.
    const bool timed = index < 2;
    ui->secRadioButton->setEnabled(timed);
    ui->msecRadioButton->setEnabled(timed);
    ui->usecRadioButton->setEnabled(timed);
    ui->nsecRadioButton->setEnabled(timed);
}

void EditMsrCntDialog::on_groupBox_toggled(bool on)
{
    Q_UNUSED(on)
}

void EditMsrCntDialog::on_toolButton_clicked()
{
    QString start = QDir::fromNativeSeparators(ui->lineEdit->text());
    if (start.isEmpty())
        start = QDir::currentPath();
    const QString chosen =
        DialogHooks::fileName(this, DialogHooks::Directory, tr("Open Directory"), start, QString());
    if (chosen.isEmpty())
        return;
    ui->lineEdit->setText(QDir::toNativeSeparators(QDir::current().relativeFilePath(chosen)));
}

bool EditMsrCntDialog::ensureDirectory(const QString &path)
{
    if (QDir(path).exists())
        return true;
    const DialogHooks::Question question{
        nullptr, QString(), tr("%1: The named directory does not exist, create it?").arg(path),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel};
    switch (DialogHooks::question(question)) {
    case QMessageBox::Yes: {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (QDir().mkdir(absolute))
            return true;
        ModalHooks::warning(this, tr("QDir::mkdir()"), tr("%1: cannot create").arg(absolute));
        return false;
    }
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void EditMsrCntDialog::okClicked()
{
    if (!item)
        return;
    const QString path = ui->lineEdit->text();
    QString fileSave = QStringLiteral("false");
    if (ui->groupBox->isChecked()) {
        if (path.isEmpty()) {
            ModalHooks::warning(this, QString(), tr("Please set PATH."));
            return;
        }
        fileSave = QStringLiteral("true");
        if (!ensureDirectory(path))
            return;
    }
    const QString old = item->params();
    const quint8 mode =
        quint8(ui->m_enbComboBox->currentIndex() * listSize + ui->m_areaComboBox->currentIndex());
    QString unit;
    const QRadioButton *const buttons[] = {ui->secRadioButton, ui->msecRadioButton,
                                           ui->usecRadioButton, ui->nsecRadioButton};
    for (int i = 0; i < listSize && unit.isEmpty(); ++i) {
        if (buttons[i]->isChecked())
            unit = QLatin1String(unitNames[i]);
    }
    if (auto *counter = dynamic_cast<NIMMsrCnt *>(item))
        counter->setSettings(mode, fileSave, path, unit);

    ProgramWidget *sheet = sheetOf(item);
    if (ui->m_counterComboBox->currentIndex() <= 0) {
        if (item->params() != old && sheet)
            sheet->updateItemView(item, QString());
        close();
        return;
    }
    const QString newName = ui->m_counterComboBox->currentText();
    if (item->name() == item->displayName())
        LinkedNames::refresh(item, newName);
    item->setKind(newName);
    item->setName(newName);
    if (sheet)
        sheet->updateItemView(item, QString());
    close();
}
