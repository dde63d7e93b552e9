#include "sheetbench.h"

#include "blockitem.h"
#include "dragwidget.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "paletteentry.h"
#include "programdata.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>

SheetBench::SheetBench()
{
    strip = new LabelWidget;
    data = new ProgramData(strip);
    palette = new MenuWidget(data);
    strip->show();
    palette->show();
    host.design = data;
    ModalHooks::setWarningRunner([this](QWidget *, const QString &title, const QString &text) {
        warnings.append(title + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    });
    addSheet();
}

SheetBench::~SheetBench()
{
    ModalHooks::setWarningRunner(ModalHooks::WarningRunner());
    for (ProgramWidget *sheet : qAsConst(sheets))
        sheet->forgetAllBlocks();
    strip->clearLabels();
    delete data;
    qDeleteAll(sheets);
    delete palette;
    delete strip;
}

ProgramWidget *SheetBench::addSheet()
{
    auto *sheet = new ProgramWidget(sheets.size(), data, palette, strip, &host);
    sheet->resize(780, 1040);
    sheet->show();
    sheets.append(sheet);
    host.sheets = sheets;
    return sheet;
}

void SheetBench::paletteDrop(const QString &kind, ProgramWidget *sheet, const QPoint &at)
{
    PaletteEntry *entry = palette->entryOfKind(kind);
    if (!entry)
        return;
    drags.dropOn(sheet, at);
    QTest::mousePress(palette, Qt::LeftButton, {},
                      QPoint((entry->left + entry->right) / 2, (entry->top + entry->bottom) / 2));
    drags.dropNowhere();
}

bool SheetBench::dropText(ProgramWidget *sheet, const QString &text, const QPoint &at)
{
    // Qt delivers a drop to the widget that accepted the drag's enter event.
    QMimeData *payload = DragWidget::textPayload(text, QPoint(5, 5));
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, payload, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sheet, &enter);
    QDropEvent drop(at, actions, payload, Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted())
        QCoreApplication::sendEvent(sheet, &drop);
    delete payload;
    return drop.isAccepted();
}

void SheetBench::pressAndDrop(ProgramWidget *sheet, const QPoint &pressAt, const QPoint &at)
{
    drags.dropOn(sheet, at);
    QTest::mousePress(sheet, Qt::LeftButton, {}, pressAt);
    drags.dropNowhere();
}

void SheetBench::press(ProgramWidget *sheet, const QPoint &point, Qt::MouseButton button)
{
    drags.dropNowhere();
    QTest::mousePress(sheet, button, {}, point);
}

void SheetBench::wire(ProgramWidget *sheet, BlockItem *source, const QPoint &at)
{
    pressAndDrop(sheet, source->outputPoint() - QPoint(3, 0), at);
}

void SheetBench::key(ProgramWidget *sheet, int key)
{
    QTest::keyClick(sheet, Qt::Key(key));
}

QMap<QString, int> SheetBench::quota() const
{
    QMap<QString, int> counts;
    for (const PaletteEntry *entry : palette->paletteEntries()) {
        if (entry->maximum > 0)
            counts.insert(entry->kind, entry->remaining);
    }
    return counts;
}

BlockItem *SheetBench::at(ProgramWidget *sheet, int column, int row) const
{
    return sheet->columnItems(ProgramWidget::Column(column)).value(row);
}
