#include "mainwindow.h"

#include "blockitem.h"
#include "labelwidget.h"
#include "linkednames.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "programdata.h"
#include "programwidget.h"
#include "saxhandler.h"

#include <QTextStream>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <QXmlInputSource>
#include <QXmlSimpleReader>
#pragma GCC diagnostic pop

namespace {

bool isOutputName(const QString &name, const QString &prefix, int count)
{
    if (name.isEmpty() || name == prefix)
        return true;
    for (int n = 0; n < count; ++n) {
        if (name == prefix + QString::number(n))
            return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------- document

QByteArray MainWindow::documentText()
{
    QByteArray bytes;
    {
        QTextStream stream(&bytes, QIODevice::WriteOnly);
        writeXml(&stream);
    }
    return bytes;
}

void MainWindow::writeXml(QTextStream *stream)
{
    stream->setCodec("UTF-8");
    *stream << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    *stream << "<Zivra3 addr=\"" << BlockItem::escapeAttribute(connectionSettings.host)
            << "\" tcpPort=\"" << connectionSettings.tcpPort << "\" udpPort=\""
            << connectionSettings.udpPort << "\" Timeout=\"" << connectionSettings.timeout
            << "\" autoConnect=\"" << (connectionSettings.autoConnect ? "true" : "false")
            << "\">\n";
    for (int i = 0; i < sheets.size(); ++i) {
        *stream << "    <tab id=\"" << i << "\" name=\"" << BlockItem::escapeAttribute(tabName(i))
                << "\">\n";
        sheets.at(i)->writeItems(stream, 2);
        *stream << "    </tab>\n";
    }
    *stream << "</Zivra3>\n";
    stream->flush();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool MainWindow::parseDocument(QByteArray *data, bool prePass, bool *rootMissing)
{
    QXmlInputSource source;
    source.setData(*data);
    QXmlSimpleReader reader;
    SaxHandler handler(this);
    handler.setPrePass(prePass);
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    const bool ok = reader.parse(&source);
    *rootMissing = handler.isRootMissing();
    return ok;
}
#pragma GCC diagnostic pop

bool MainWindow::readXmlData(QByteArray *data)
{
    allSettingsTaken = true;
    bool rootMissing = true;
    const bool parsed = parseDocument(data, false, &rootMissing);
    // The entries switched the current sheet; the tab widget follows once.
    if (!pasting && currentSheetIndex < sheets.size())
        tabWidget->setCurrentIndex(currentSheetIndex);
    if (!parsed) {
        noRootElement = false;
        return false;
    }
    noRootElement = rootMissing;
    return !rootMissing;
}

bool MainWindow::readPasteData(QByteArray *data)
{
    bool rootMissing = true;
    return parseDocument(data, true, &rootMissing) && !rootMissing;
}

int MainWindow::columnOfKind(const QString &kind)
{
    if (kind == QLatin1String("Input"))
        return 0;
    if (kind == QLatin1String("PostLogic") || kind == QLatin1String("Label"))
        return 3;
    if (kind.startsWith(QLatin1String("OUT-CH")) || kind.startsWith(QLatin1String("MsrCnt")) ||
        kind == QLatin1String("FeedBack"))
        return 4;
    if (kind == QLatin1String("PreLogic") || kind.startsWith(QLatin1String("FeedBack")) ||
        (kind.startsWith(QLatin1String("PreLabel")) && kind != QLatin1String("PreLabel")))
        return 1;
    if (kind == QLatin1String("PreLabel") || kind == QLatin1String("CntFnc") ||
        kind == QLatin1String("DlyFnc") || kind == QLatin1String("NonFnc") ||
        kind.startsWith(QLatin1String("Label")))
        return 2;
    return -1;
}

int MainWindow::lastRowOfColumn(int column)
{
    // A row is usable while row x pitch stays within 924 pixels.
    if (column < 0 || column > 4)
        return -1;
    return 924 / ProgramWidget::columnPitch[column];
}

bool MainWindow::isRowTaken(int sheet, int column, int row) const
{
    return sheets.at(sheet)->columnItems(ProgramWidget::Column(column)).contains(row);
}

int MainWindow::portLimit(const QString &kind)
{
    // Highest input port of a kind; -1 for blocks without inputs.
    if (kind == QLatin1String("PreLogic") || kind == QLatin1String("PostLogic"))
        return 10;
    if (kind.startsWith(QLatin1String("MsrCnt")))
        return 1;
    if (kind == QLatin1String("Input"))
        return -1;
    return 0;
}

void MainWindow::ensureTab(int index, const QString &name)
{
    while (sheets.size() <= index)
        tabNew(false);
    setTabName(index, name);
}

BlockItem *MainWindow::findSource(const QVector<BlockItem *> &list, const QString &name,
                                  int sheet) const
{
    for (BlockItem *block : list) {
        if (block->name() == name && (sheet < 0 || block->sheet() == sheet))
            return block;
    }
    return nullptr;
}

BlockItem *MainWindow::restoreBlock(QString &kind, int id, int sheet, const QString &name)
{
    auto takeUnit = [this](const QString &unit) {
        if (menuWidget->adjustQuota(-1, unit))
            return true;
        allSettingsTaken = false;
        return false;
    };

    BlockItem *block = nullptr;
    if (kind == QLatin1String("PreLogic")) {
        block = programData->createPreLogic(id, sheet, name);
    } else if (kind == QLatin1String("PostLogic")) {
        block = programData->createPostLogic(id, sheet, name);
    } else if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc")) {
        if (!takeUnit(kind))
            return nullptr;
        block = programData->createFunction(id, sheet, name);
    } else if (kind == QLatin1String("NonFnc")) {
        if (!takeUnit(kind))
            return nullptr;
        QString given = name;
        block = programData->createDefaultNonFnc(id, sheet, given);
    } else if (kind == QLatin1String("PreLabel") || kind == QLatin1String("Label")) {
        block = programData->createLabelIN(id, sheet, name);
    } else if (kind.startsWith(QLatin1String("OUT-CH"))) {
        const QString unit = QStringLiteral("OUT-CH");
        if (!takeUnit(unit))
            return nullptr;
        QString given = name;
        block = programData->createDefaultOut(id, sheet, given);
        if (!block) {
            menuWidget->adjustQuota(1, unit);
            allSettingsTaken = false;
            return nullptr;
        }
        kind = block->name();
    } else if (kind.startsWith(QLatin1String("MsrCnt"))) {
        const QString unit = QStringLiteral("MsrCnt");
        if (!takeUnit(unit))
            return nullptr;
        QString given = name.trimmed();
        block = programData->createDefaultMsrCnt(id, sheet, given);
        if (!block) {
            menuWidget->adjustQuota(1, unit);
            allSettingsTaken = false;
            return nullptr;
        }
        kind = block->name();
    } else if (kind == QLatin1String("FeedBack")) {
        if (!takeUnit(kind))
            return nullptr;
        block = programData->createFeedBackIN(id, sheet, name);
    } else if (kind.startsWith(QLatin1String("FeedBack"))) {
        if (pasting && labelWidget->isLabelPlaced(name, sheet) && !pasteNames.contains(kind))
            return nullptr;
        block = programData->createLabel(id, sheet, name);
    } else if (kind.contains(QLatin1String("Label"))) {
        if (pasting && labelWidget->isLabelPlaced(name, sheet))
            return nullptr;
        if (kind.contains(QLatin1String("PreLabel")))
            block = programData->createLabel(id, sheet, name);
        else
            block = programData->createFncLabel(id, sheet, name);
    } else if (kind == QLatin1String("Input")) {
        block = programData->createInput(id, sheet, name);
        if (!block) {
            ModalHooks::warning(this, tr("Zivra"), tr("There is no more Input resource."));
            return nullptr;
        }
    } else {
        return nullptr;
    }
    block->setKind(kind);
    return block;
}

void MainWindow::connectSource(BlockItem *block, const QString &kind, int port,
                               const QString &sourceName, int sheet)
{
    if (port < 0 || port > portLimit(kind)) {
        allSettingsTaken = false;
        return;
    }
    if (kind == QLatin1String("PreLogic")) {
        BlockItem *source = findSource(programData->inputBlocks, sourceName, sheet);
        if (!source) {
            QString inputName = sourceName;
            source = sheets.at(sheet)->addInputItem(inputName);
            if (!source) {
                // No row or no channel left for the input: the wire is lost.
                allSettingsTaken = false;
                return;
            }
        }
        block->connectInput(port, source);
    } else if (kind == QLatin1String("PostLogic") || kind == QLatin1String("Label")) {
        BlockItem *source = findSource(programData->functionBlocks, sourceName, sheet);
        if (!source)
            source = findSource(programData->labelBlocks, sourceName, sheet);
        if (source)
            block->connectInput(port, source);
    } else if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc") ||
               kind == QLatin1String("NonFnc") || kind == QLatin1String("PreLabel")) {
        BlockItem *source = findSource(programData->preLogicBlocks, sourceName, sheet);
        if (!source)
            source = findSource(programData->labelBlocks, sourceName, sheet);
        if (!source)
            return;
        QString unit;
        const QString &sourceKind = source->kind();
        if (sourceKind == QLatin1String("PreLogic") ||
            sourceKind.contains(QLatin1String("Label"))) {
            if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc"))
                unit = QStringLiteral("PreLogicInfo");
        } else if (sourceKind.startsWith(QLatin1String("FeedBack"))) {
            unit = QStringLiteral("FeedBackInfo");
        }
        if (!unit.isEmpty() && !menuWidget->adjustQuota(-1, unit)) {
            allSettingsTaken = false;
            return;
        }
        block->connectInput(0, source);
    } else {
        BlockItem *source = findSource(programData->postLogicBlocks, sourceName, sheet);
        if (source)
            block->connectInput(kind.startsWith(QLatin1String("MsrCnt")) ? port : 0, source);
    }
}

bool MainWindow::restoreEntry(QString kind, int sheet, const QMap<QString, QString> &values,
                              bool prePass)
{
    int id = -1;
    QString name;
    QString userName;
    QString settingsText;
    QVector<QPair<int, QString>> ports;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString &key = it.key();
        if (key == QLatin1String("id")) {
            id = it.value().toInt();
        } else if (key == QLatin1String("name")) {
            name = it.value().trimmed();
        } else if (key == QLatin1String("userName")) {
            userName = it.value();
        } else if (key == QLatin1String("property") || key == QLatin1String("logic")) {
            settingsText = it.value();
        } else {
            bool isNumber = false;
            const int port = key.toInt(&isNumber);
            if (isNumber)
                ports.append(qMakePair(port, it.value()));
        }
    }
    if (id < 0 || kind.isEmpty())
        return false;

    if (prePass) {
        const QString before = name;
        QString renamed = name;
        const int row = currentSheetWidget()->freeRowForItem(kind, renamed, pasteNames);
        const bool input = kind == QLatin1String("Input");
        if (row >= 0 && (renamed != before || kind == QLatin1String("FeedBack"))) {
            pasteNames.append(renamed);
            pasteRenames.insert(before, renamed);
        } else if (row >= 0 && input && !renamed.isEmpty()) {
            // A kept channel is reserved too, so no later pasted input takes it.
            pasteNames.append(renamed);
        }
        return true;
    }

    if (!pasting) {
        if (sheet < 0 || sheet >= sheets.size())
            return false;
        // Rows come from the document: each must lie on the sheet and be free,
        // or the block would hide another one.
        const int column = columnOfKind(kind);
        if (column < 0) {
            // Made but never shown on a sheet, a label would haunt the design;
            // other unknown kinds are dropped silently.
            if (kind.contains(QLatin1String("Label")))
                allSettingsTaken = false;
            return true;
        }
        if (id > lastRowOfColumn(column) || isRowTaken(sheet, column, id)) {
            allSettingsTaken = false;
            return true;
        }
        // The current sheet and the label strip follow the entry; switching
        // the tab widget's page each time would cost time for every widget.
        setCurrentTab(sheet);
    } else {
        if (pasteRenames.contains(name)) {
            if (!userName.isEmpty()) {
                if (name != userName && !name.startsWith(QLatin1String("IN-")))
                    currentSheetWidget()->makeUniqueName(userName, pasteNames);
                else
                    userName.clear();
            }
            name = pasteRenames.value(name);
        }
        const QString entryName = values.value(QStringLiteral("name")).trimmed();
        const QString kept = name;
        id = currentSheetWidget()->freeRowForItem(kind, name, pasteNames);
        if (id < 0) {
            ModalHooks::warning(this, tr("Zivra"), tr("There's not enough space."));
            return true;
        }
        if (kind == QLatin1String("Input")) {
            // The pre-pass chose and reserved this input's channel; the
            // blocks wired to it look for it under that name.
            name = kept;
            if (name.isEmpty()) {
                ModalHooks::warning(this, tr("Zivra"), tr("There is no more Input resource."));
                return true;
            }
        }
        sheet = currentSheetIndex;
        if (kind.startsWith(QLatin1String("FeedBack")) && pasteNames.contains(kept)) {
            name = pasteRenames.value(entryName);
            if (kind != QLatin1String("FeedBack"))
                kind = name;
        }
    }

    if (kind.startsWith(QLatin1String("OUT-CH")) &&
        !isOutputName(name, QStringLiteral("OUT-CH"), 8)) {
        allSettingsTaken = false;
        return true;
    }
    if (kind.startsWith(QLatin1String("MsrCnt")) &&
        !isOutputName(name.trimmed(), QStringLiteral("MsrCnt"), 4)) {
        allSettingsTaken = false;
        return true;
    }
    BlockItem *block = restoreBlock(kind, id, sheet, name);
    if (!block)
        return true;
    if (!userName.isEmpty()) {
        block->setUserName(userName);
        if (kind.contains(QLatin1String("FeedBack")) || kind.contains(QLatin1String("Label")))
            labelWidget->setLabelText(name, userName);
    }
    if (!settingsText.isEmpty())
        block->params() = settingsText;
    // A pasted channel that stands on another sheet takes the user name and settings it has
    // there, whatever the clipboard carried.
    if (pasting && programData->adoptChannelSettings(block, block->name()))
        programData->adoptChannelUserName(block, block->name());
    for (const auto &port : qAsConst(ports)) {
        QString sourceName = port.second;
        if (pasting && pasteRenames.contains(sourceName)) {
            sourceName = pasteRenames.value(sourceName);
            if (sourceName.isEmpty())
                continue;
        }
        connectSource(block, kind, port.first, sourceName, sheet);
    }
    sheets.at(sheet)->placeLoadedItem(kind, block);
    return true;
}

// ---------------------------------------------------------------- linked names

void MainWindow::setInputUserName(const QString &name, const QString &userName)
{
    LinkedNames::setInputUserName(*programData, name, userName);
}

void MainWindow::setLabelUserName(const QString &name, const QString &userName)
{
    LinkedNames::setLabelUserName(*programData, name, userName);
}

void MainWindow::setInputName(BlockItem *block, const QString &newName)
{
    LinkedNames::setInputName(*programData, block, newName);
}

void MainWindow::removeLinkedLabels(const QString &name)
{
    LinkedNames::removeLinkedLabels(*programData, *this, name);
}
