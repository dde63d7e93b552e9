#include "windowkit.h"

#include "blockitem.h"
#include "mainwindow.h"
#include "menuwidget.h"
#include "paletteentry.h"
#include "programdata.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

void WindowKit::isolateSettings()
{
    // Removed at exit, after the last window has written its settings.
    static QTemporaryDir configDir;
    QVERIFY(configDir.isValid());
    qputenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit());
    QVERIFY(QSettings(QStringLiteral("Quorix"), QStringLiteral("Zivra"))
                .fileName()
                .startsWith(configDir.path()));
}

std::unique_ptr<MainWindow> WindowKit::newWindow(bool withStartup)
{
    ConnectionSettings startup;
    startup.host = QStringLiteral("127.0.0.1");
    startup.autoConnect = false;
    return std::make_unique<MainWindow>(QString(), withStartup ? &startup : nullptr);
}

QByteArray WindowKit::entry(const QByteArray &term, int id, const QByteArray &name,
                            const QByteArray &extra)
{
    return "<entry term=\"" + term + "\"><id>" + QByteArray::number(id) + "</id><name>" + name +
           "</name>" + extra + "</entry>\n";
}

QByteArray WindowKit::document(const QByteArray &body, const QByteArray &root)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root + "\n" + body + "</Zivra3>\n";
}

int WindowKit::blockCount(ProgramData *design)
{
    return design->inputBlocks.size() + design->preLogicBlocks.size() +
           design->functionBlocks.size() + design->postLogicBlocks.size() +
           design->sinkBlocks.size() + design->labelBlocks.size();
}

QVector<BlockItem *> WindowKit::blocks(ProgramData *design)
{
    return design->inputBlocks + design->preLogicBlocks + design->functionBlocks +
           design->postLogicBlocks + design->sinkBlocks + design->labelBlocks;
}

QString WindowKit::picturesMismatch(MainWindow *window)
{
    QStringList faults;
    // Released pictures are hidden and deleted later; one never deleted is a leak.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < window->sheetCount(); ++i) {
        // What the user sees: block pictures not closed (the header labels are named).
        ProgramWidget *sheet = window->sheetAt(i);
        QSet<QLabel *> shown;
        for (QLabel *label : sheet->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!label->objectName().isEmpty() || label == sheet->statusLine())
                continue;
            if (label->isHidden())
                faults << QStringLiteral("sheet %1: a released picture not deleted").arg(i);
            else
                shown.insert(label);
        }
        for (BlockItem *block : blocks(window->design())) {
            if (block->sheet() != i)
                continue;
            QLabel *label = block->owner();
            const QString where = QStringLiteral("sheet %1 %2: ").arg(i).arg(block->name());
            if (!shown.remove(label))
                faults << where + "no picture";
            else if (label->pos() != block->pos() || !label->pixmap() ||
                     label->pixmap()->toImage() != block->pixmap().toImage())
                faults << where + "picture elsewhere or of another block";
        }
        for (QLabel *stale : qAsConst(shown))
            faults << QString::asprintf("sheet %d: a picture at %d,%d of no block", i, stale->x(),
                                        stale->y());
    }
    return faults.join('\n');
}

QString WindowKit::wiresMismatch(MainWindow *window)
{
    const auto text = [](const QLine &l) {
        return QString::asprintf("%d,%d-%d,%d", l.x1(), l.y1(), l.x2(), l.y2());
    };
    ProgramWidget *sheet = window->sheetAt(window->currentSheet());
    QStringList expected, drawn;
    for (BlockItem *block : blocks(window->design()))
        if (block->sheet() == window->currentSheet())
            for (const QLine &line : block->inputLines())
                expected << text(line);
    for (const auto &entry : sheet->cachedLines())
        drawn << text(entry.first);
    expected.sort();
    drawn.sort();
    if (expected != drawn)
        return "drawn " + drawn.join(' ') + "\nwanted " + expected.join(' ');
    // Stale pixels: only the parts of the sheet repainted since the rebuild are up to date.
    const QRect visible = sheet->visibleRegion().boundingRect();
    const QPoint at = sheet->mapTo(window, visible.topLeft());
    const QPixmap screen = window->screen()->grabWindow(window->winId(), at.x(), at.y(),
                                                        visible.width(), visible.height());
    return screen.toImage().convertToFormat(QImage::Format_RGB32) ==
                   sheet->grab(visible).toImage().convertToFormat(QImage::Format_RGB32)
               ? QString()
               : "the sheet on screen is not as painted afresh";
}

BlockItem *WindowKit::find(const QVector<BlockItem *> &list, const QString &name, int sheet)
{
    for (BlockItem *block : list) {
        if (block->name() == name && block->sheet() == sheet)
            return block;
    }
    return nullptr;
}

int WindowKit::remaining(MainWindow *window, const char *kind)
{
    return window->palette()->entryOfKind(QString::fromLatin1(kind))->remaining;
}

QByteArray WindowKit::dataFile(const char *name)
{
    return readFile(QStringLiteral(ZIVRA_TEST_DATA "/") + QLatin1String(name));
}

QString WindowKit::writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray WindowKit::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
