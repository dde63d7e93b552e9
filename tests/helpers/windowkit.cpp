#include "windowkit.h"

#include "blockitem.h"
#include "mainwindow.h"
#include "menuwidget.h"
#include "paletteentry.h"
#include "programdata.h"
#include "programwidget.h"

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

QString WindowKit::picturesMismatch(MainWindow *window)
{
    ProgramData *design = window->design();
    QVector<BlockItem *> blocks;
    for (const QVector<BlockItem *> *list :
         {&design->inputBlocks, &design->preLogicBlocks, &design->functionBlocks,
          &design->postLogicBlocks, &design->sinkBlocks, &design->labelBlocks})
        blocks += *list;
    QStringList faults;
    for (int i = 0; i < window->sheetCount(); ++i) {
        ProgramWidget *sheet = window->sheetAt(i);
        // What the user sees: block pictures not closed (the header labels are named).
        QSet<QLabel *> shown;
        for (QLabel *label : sheet->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (label->objectName().isEmpty() && label != sheet->statusLine() && !label->isHidden())
                shown.insert(label);
        for (BlockItem *block : qAsConst(blocks)) {
            if (block->sheet() != i)
                continue;
            QLabel *label = block->owner();
            const QString where = QStringLiteral("sheet %1 %2 at %3,%4")
                                      .arg(i)
                                      .arg(block->name())
                                      .arg(block->pos().x())
                                      .arg(block->pos().y());
            if (!shown.remove(label))
                faults << where + QStringLiteral(": no picture");
            else if (label->pos() != block->pos() || !label->pixmap() ||
                     label->pixmap()->toImage() != block->pixmap().toImage())
                faults << where + QStringLiteral(": picture elsewhere or of another block");
        }
        for (QLabel *stale : qAsConst(shown))
            faults << QStringLiteral("sheet %1: a picture at %2,%3 of no block (%4 actions)")
                          .arg(i)
                          .arg(stale->x())
                          .arg(stale->y())
                          .arg(stale->actions().size());
    }
    return faults.join(QLatin1Char('\n'));
}

QString WindowKit::wiresMismatch(MainWindow *window)
{
    auto text = [](const QLine &line) {
        return QStringLiteral("%1,%2-%3,%4")
            .arg(line.x1())
            .arg(line.y1())
            .arg(line.x2())
            .arg(line.y2());
    };
    ProgramData *design = window->design();
    QStringList expected;
    for (const QVector<BlockItem *> *list :
         {&design->preLogicBlocks, &design->functionBlocks, &design->postLogicBlocks,
          &design->sinkBlocks, &design->labelBlocks})
        for (BlockItem *block : *list)
            if (block->sheet() == window->currentSheet())
                for (const QLine &line : block->inputLines())
                    expected << text(line);
    QStringList drawn;
    for (const auto &entry : window->sheetAt(window->currentSheet())->cachedLines())
        drawn << text(entry.first);
    expected.sort();
    drawn.sort();
    if (expected != drawn)
        return QStringLiteral("drawn %1\nwanted %2").arg(drawn.join(' '), expected.join(' '));
    // Stale pixels: only the parts of the sheet repainted since the rebuild are up to date.
    ProgramWidget *sheet = window->sheetAt(window->currentSheet());
    const QRect visible = sheet->visibleRegion().boundingRect();
    const QPoint at = sheet->mapTo(window, visible.topLeft());
    const QImage screen =
        window->screen()
            ->grabWindow(window->winId(), at.x(), at.y(), visible.width(), visible.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage fresh = sheet->grab(visible).toImage().convertToFormat(QImage::Format_RGB32);
    if (screen != fresh)
        return QStringLiteral("the sheet on screen is not as painted afresh");
    return QString();
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
