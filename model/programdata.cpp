#include "programdata.h"

#include "labelregistry.h"
#include "nim_in.h"
#include "nimfeedbackin.h"
#include "nimfnclabel.h"
#include "nimfunction.h"
#include "nimlabel.h"
#include "nimlabelin.h"
#include "nimmsrcnt.h"
#include "nimnonfnc.h"
#include "nimout.h"
#include "postlogic.h"
#include "prelogic.h"

namespace {

bool listHasName(const QVector<BlockItem *> &list, const QString &name)
{
    for (BlockItem *block : list) {
        if (block->name() == name)
            return true;
    }
    return false;
}

} // namespace

ProgramData::ProgramData(LabelRegistry *labelStrip)
    : inputNames({QStringLiteral("IN-CH0"), QStringLiteral("IN-CH1"), QStringLiteral("IN-CH2"),
                  QStringLiteral("IN-CH3"), QStringLiteral("IN-CH4"), QStringLiteral("IN-CH5"),
                  QStringLiteral("IN-CH6"), QStringLiteral("IN-CH7"), QStringLiteral("IN-OPT"),
                  QStringLiteral("IN-USER")}),
      m_labelStrip(labelStrip)
{}

ProgramData::~ProgramData()
{
    clear();
}

void ProgramData::destroyBlock(BlockItem *block)
{
    // The unit table outlives edits until the next assignment; never let it
    // point at a freed block.
    for (BlockItem *&slot : unitSlots) {
        if (slot == block)
            slot = nullptr;
    }
    delete block;
}

void ProgramData::clear()
{
    QVector<BlockItem *> *lists[] = {&inputBlocks,    &preLogicBlocks, &postLogicBlocks,
                                     &functionBlocks, &sinkBlocks,     &labelBlocks};
    for (QVector<BlockItem *> *list : lists) {
        // Take each block out before destroying it so the lists never hold a freed pointer.
        while (!list->isEmpty())
            destroyBlock(list->takeFirst());
    }
}

void ProgramData::removeBlocksOfSheet(int sheet)
{
    QVector<BlockItem *> *lists[] = {&inputBlocks,    &preLogicBlocks, &postLogicBlocks,
                                     &functionBlocks, &sinkBlocks,     &labelBlocks};
    for (QVector<BlockItem *> *list : lists) {
        for (int i = 0; i < list->size();) {
            if (list->at(i)->sheet() == sheet)
                destroyBlock(list->takeAt(i));
            else
                ++i;
        }
    }
}

void ProgramData::deleteBlock(BlockItem *block)
{
    if (!block)
        return;
    QVector<BlockItem *> *lists[] = {&inputBlocks,     &preLogicBlocks, &functionBlocks,
                                     &postLogicBlocks, &sinkBlocks,     &labelBlocks};
    for (QVector<BlockItem *> *list : lists) {
        const int i = list->indexOf(block);
        if (i >= 0) {
            list->remove(i);
            destroyBlock(block);
            return;
        }
    }
}

BlockItem *ProgramData::createInput(int id, int sheet, const QString &name)
{
    if (name.isEmpty())
        return findOrCreateInput(id, sheet);
    BlockItem *block = new NIM_IN(id, sheet, name);
    inputBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createPreLogic(int id, int sheet, const QString &name)
{
    BlockItem *block = new PreLogic(id, sheet, name);
    preLogicBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createPostLogic(int id, int sheet, const QString &name)
{
    BlockItem *block = new PostLogic(id, sheet, name);
    postLogicBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createFunction(int id, int sheet, const QString &name)
{
    BlockItem *block = new NIMFunction(id, sheet, name);
    functionBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createFeedBackIN(int id, int sheet, const QString &name)
{
    BlockItem *block = new NIMFeedBackIN(id, sheet, name);
    sinkBlocks.append(block);
    if (m_labelStrip)
        m_labelStrip->registerLabelSource(block);
    return block;
}

BlockItem *ProgramData::createLabelIN(int id, int sheet, const QString &name)
{
    BlockItem *block = new NIMLabelIN(id, sheet, name);
    sinkBlocks.append(block);
    if (m_labelStrip)
        m_labelStrip->registerLabelSource(block);
    return block;
}

BlockItem *ProgramData::createFncLabel(int id, int sheet, const QString &name)
{
    BlockItem *block = new NIMFncLabel(id, sheet, name);
    labelBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createLabel(int id, int sheet, const QString &name)
{
    BlockItem *block = new NIMLabel(id, sheet, name);
    labelBlocks.append(block);
    return block;
}

NIM_IN *ProgramData::findOrCreateInput(int id, int sheet)
{
    for (const QString &channel : inputNames) {
        bool present = false;
        for (BlockItem *block : inputBlocks) {
            int blockId, blockSheet;
            QString blockName;
            block->identity(blockId, blockSheet, blockName);
            if (blockName == channel && (sheet < 0 || blockSheet == sheet)) {
                present = true;
                break;
            }
        }
        if (present)
            continue;
        NIM_IN *created = dynamic_cast<NIM_IN *>(createInput(id, sheet, channel));
        if (!created)
            return nullptr;
        // A channel keeps one user name and one set of settings on every sheet.
        adoptChannelUserName(created, channel);
        adoptChannelSettings(created, channel);
        return created;
    }
    return nullptr;
}

BlockItem *ProgramData::createNumbered(const QString &prefix, const QVector<BlockItem *> &list,
                                       int id, int sheet,
                                       BlockItem *(ProgramData::*factory)(int, int,
                                                                          const QString &))
{
    for (int n = 0;; ++n) {
        const QString candidate = prefix + QString::number(n);
        if (isNameFree(candidate, false) && !listHasName(list, candidate))
            return (this->*factory)(id, sheet, candidate);
    }
}

BlockItem *ProgramData::createDefaultPreLogic(int id, int sheet)
{
    return createNumbered(QStringLiteral("PreLgc"), preLogicBlocks, id, sheet,
                          &ProgramData::createPreLogic);
}

BlockItem *ProgramData::createDefaultPostLogic(int id, int sheet)
{
    return createNumbered(QStringLiteral("PstLgc"), postLogicBlocks, id, sheet,
                          &ProgramData::createPostLogic);
}

BlockItem *ProgramData::createDefaultCntFnc(int id, int sheet)
{
    return createNumbered(QStringLiteral("CntFnc"), functionBlocks, id, sheet,
                          &ProgramData::createFunction);
}

BlockItem *ProgramData::createDefaultDlyFnc(int id, int sheet)
{
    return createNumbered(QStringLiteral("DlyFnc"), functionBlocks, id, sheet,
                          &ProgramData::createFunction);
}

BlockItem *ProgramData::createDefaultFeedBackIN(int id, int sheet)
{
    return createNumbered(QStringLiteral("FeedBack"), sinkBlocks, id, sheet,
                          &ProgramData::createFeedBackIN);
}

BlockItem *ProgramData::createDefaultLabelIN(int id, int sheet)
{
    return createNumbered(QStringLiteral("Label"), sinkBlocks, id, sheet,
                          &ProgramData::createLabelIN);
}

BlockItem *ProgramData::createDefaultNonFnc(int id, int sheet, QString &name)
{
    if (name.isEmpty()) {
        for (int n = 0;; ++n) {
            const QString candidate = QStringLiteral("NonFnc") + QString::number(n);
            if (isNameFree(candidate, false)) {
                name = candidate;
                break;
            }
        }
    }
    BlockItem *block = new NIMNonFnc(id, sheet, name);
    functionBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createDefaultMsrCnt(int id, int sheet, QString &name)
{
    const QString prefix = QStringLiteral("MsrCnt");
    if (name.isEmpty() || name == prefix) {
        bool found = false;
        for (int n = 0; n < 4 && !found; ++n) {
            name = prefix + QString::number(n);
            found = !listHasName(sinkBlocks, name);
        }
        if (!found)
            return nullptr;
    }
    BlockItem *block = new NIMMsrCnt(id, sheet, name);
    sinkBlocks.append(block);
    return block;
}

BlockItem *ProgramData::createDefaultOut(int id, int sheet, QString &name)
{
    const QString prefix = QStringLiteral("OUT-CH");
    if (name.isEmpty() || name == prefix) {
        bool found = false;
        for (int n = 0; n < 8 && !found; ++n) {
            name = prefix + QString::number(n);
            found = !listHasName(sinkBlocks, name);
        }
        if (!found)
            return nullptr;
    }
    BlockItem *block = new NIMOut(id, sheet, name);
    sinkBlocks.append(block);
    return block;
}

bool ProgramData::isNameFree(const QString &name, bool checkNames)
{
    const QString trimmed = name.trimmed();
    if (trimmed.startsWith(QLatin1String("OUT-CH")) || trimmed.startsWith(QLatin1String("IN-CH")) ||
        trimmed.startsWith(QLatin1String("MsrCnt")))
        return false;
    const QVector<BlockItem *> *lists[] = {&inputBlocks,     &preLogicBlocks, &functionBlocks,
                                           &postLogicBlocks, &sinkBlocks,     &labelBlocks};
    for (const QVector<BlockItem *> *list : lists) {
        for (BlockItem *block : *list) {
            if (trimmed == block->displayName() || (checkNames && trimmed == block->name()))
                return false;
        }
    }
    return true;
}

void ProgramData::candidateNames(const QString &kind, QStringList &names, int sheet)
{
    if (kind == QLatin1String("Input")) {
        for (const QString &channel : inputNames) {
            bool present = false;
            for (BlockItem *block : inputBlocks) {
                if (block->name() == channel && (sheet < 0 || block->sheet() == sheet)) {
                    present = true;
                    break;
                }
            }
            if (!present)
                names.append(channel);
        }
        return;
    }
    QString prefix;
    int count = 0;
    if (kind.startsWith(QLatin1String("MsrCnt"))) {
        prefix = QStringLiteral("MsrCnt");
        count = 4;
    } else if (kind.startsWith(QLatin1String("OUT-CH"))) {
        prefix = QStringLiteral("OUT-CH");
        count = 8;
    } else {
        return;
    }
    for (int n = 0; n < count; ++n)
        names.append(prefix + QString::number(n));
    // Channels are shared by all sheets.
    for (BlockItem *block : sinkBlocks) {
        if (block->kind().startsWith(prefix))
            names.removeAll(block->name());
    }
}

QVector<BlockItem *> ProgramData::msrCntBlocks() const
{
    QVector<BlockItem *> blocks;
    for (BlockItem *block : sinkBlocks) {
        if (block->kind().startsWith(QLatin1String("MsrCnt")))
            blocks.append(block);
    }
    return blocks;
}

QVector<BlockItem *> ProgramData::channelBlocks(const QString &channel) const
{
    QVector<BlockItem *> blocks;
    if (channel.startsWith(QLatin1String("OUT-CH"))) {
        for (BlockItem *block : sinkBlocks) {
            if (block->kind() == channel)
                blocks.append(block);
        }
    } else if (inputNames.contains(channel)) {
        for (BlockItem *block : inputBlocks) {
            if (block->name() == channel)
                blocks.append(block);
        }
    }
    return blocks;
}

void ProgramData::setChannelSettings(const QString &channel, const QString &settings)
{
    for (BlockItem *block : channelBlocks(channel))
        block->params() = settings;
}

void ProgramData::adoptChannelUserName(BlockItem *block, const QString &channel)
{
    for (BlockItem *other : qAsConst(inputBlocks)) {
        if (other->name() == channel)
            block->setUserName(other->displayName());
    }
}

bool ProgramData::adoptChannelSettings(BlockItem *block, const QString &channel)
{
    for (BlockItem *other : channelBlocks(channel)) {
        if (other != block) {
            block->params() = other->params();
            return true;
        }
    }
    return false;
}
