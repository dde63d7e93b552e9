// ProgramData: the register image of the configuration area and the download.

#include "programdata.h"

#include "blockitem.h"
#include "blockmode.h"
#include "lookuptableplan.h"
#include "nim_in.h"
#include "nimfunction.h"
#include "nimout.h"
#include "registerwriter.h"

#include <vector>

namespace {

NIMFunction *functionOfKind(BlockItem *block, const char *kind)
{
    if (!block || block->kind() != QLatin1String(kind))
        return nullptr;
    return dynamic_cast<NIMFunction *>(block);
}

} // namespace

void ProgramData::outputLevelMasks(quint8 &nimMask, quint8 &ttlMask)
{
    nimMask = 0;
    ttlMask = 0;
    for (int n = 0; n < 8; ++n) {
        const QString kind = QStringLiteral("OUT-CH") + QString::number(n);
        for (BlockItem *block : sinkBlocks) {
            NIMOut *out = block->kind() == kind ? dynamic_cast<NIMOut *>(block) : nullptr;
            if (!out)
                continue;
            bool nim = false;
            bool ttl = false;
            out->outputLevels(nim, ttl);
            if (nim)
                nimMask |= quint8(1u << n);
            if (ttl)
                ttlMask |= quint8(1u << n);
        }
    }
}

quint8 ProgramData::inputPolarityMask()
{
    quint8 mask = 0;
    for (int n = 0; n < 8; ++n) {
        const QString name = QStringLiteral("IN-CH") + QString::number(n);
        for (BlockItem *block : inputBlocks) {
            NIM_IN *input = dynamic_cast<NIM_IN *>(block);
            if (input && input->name() == name && !input->isHigh()) {
                mask |= quint8(1u << n);
                break;
            }
        }
    }
    return mask;
}

quint16 ProgramData::userControlMask()
{
    quint16 mask = 0;
    for (int i = 0; i < inputNames.size() && i < 10; ++i) {
        for (BlockItem *block : inputBlocks) {
            NIM_IN *input = dynamic_cast<NIM_IN *>(block);
            if (input && input->name() == inputNames.at(i) && input->isUserControl()) {
                mask |= quint16(1u << i);
                break;
            }
        }
    }
    return mask;
}

int ProgramData::threshold(int n)
{
    const QString name = QStringLiteral("IN-CH") + QString::number(n);
    for (BlockItem *block : inputBlocks) {
        if (block->name() != name)
            continue;
        NIM_IN *input = dynamic_cast<NIM_IN *>(block);
        return input ? input->vth() : 0;
    }
    return 0;
}

void ProgramData::userCounterWords(quint32 &main, quint32 &sub)
{
    for (BlockItem *block : inputBlocks) {
        if (block->name() != QLatin1String("IN-USER"))
            continue;
        if (NIM_IN *input = dynamic_cast<NIM_IN *>(block)) {
            main = input->mainCntNs();
            sub = input->subCntValue();
        }
        return;
    }
}

QVector<ProgramData::ConfigRegister> ProgramData::configRegisters()
{
    QVector<ConfigRegister> regs;
    regs.reserve(60);
    auto add = [&regs](quint32 address, int width, quint32 value, bool compared = true) {
        regs.append(ConfigRegister{address, width, value, compared});
    };

    add(0x0004, 1, delayFeedbackMask);
    add(0x0005, 1, counterFeedbackMask);
    add(0x0006, 2, unitModeMask);
    for (int c = 0; c < 8; ++c) {
        BlockItem *block = unitSlots[3 + c];
        const bool counter = block && block->kind() == QLatin1String("CntFnc");
        add(0x0008 + c, 1, counter ? quint32(BlockMode::counterMode(block)) : 0);
    }
    for (int b = 0; b < 8; ++b) {
        NIMFunction *delay = functionOfKind(unitSlots[delayUnitSlot[b]], "DlyFnc");
        add(0x0010 + 2 * b, 2, delay ? quint32(delay->delayNs()) & 0xFFFF : 0);
    }
    for (int c = 0; c < 8; ++c) {
        NIMFunction *counter = functionOfKind(unitSlots[3 + c], "CntFnc");
        add(0x0020 + 8 * c, 4, counter ? counter->cntMainValue() : 0);
        add(0x0024 + 8 * c, 4, counter ? counter->cntSubValue() : 0);
    }
    for (int n = 0; n < 4; ++n) {
        const QString kind = QStringLiteral("MsrCnt") + QString::number(n);
        quint32 mode = 0;
        for (BlockItem *block : sinkBlocks) {
            if (block->kind() == kind) {
                mode = quint32(BlockMode::measureMode(block));
                break;
            }
        }
        add(0x0060 + n, 1, mode);
    }
    for (quint32 a = 0x0064; a <= 0x0067; ++a)
        add(a, 1, 0, false);
    quint8 nim = 0;
    quint8 ttl = 0;
    outputLevelMasks(nim, ttl);
    add(0x0068, 1, nim);
    add(0x0069, 1, ttl);
    add(0x006A, 1, 0, false);
    add(0x006B, 1, inputPolarityMask());
    add(0x006C, 2, userControlMask());
    // 0x006E-0x006F is the module's live user-control register: never written.
    for (int n = 0; n < 8; ++n)
        add(0x0070 + 2 * n, 2, quint32(threshold(n)) & 0xFFFF);
    quint32 main = 0;
    quint32 sub = 0;
    userCounterWords(main, sub);
    add(0x0088, 4, main);
    add(0x008C, 4, sub);
    return regs;
}

bool ProgramData::download(RegisterWriter *writer)
{
    if (!writer)
        return false;
    assignResources();

    // The plan translates every expression the tables evaluate, and only
    // those, before the first byte goes out: a bad one cannot leave the module
    // half-written, and one that feeds no table cannot stop the download.
    LookupTablePlan plan(this, LookupTablePlan::AllTables);

    const QVector<ConfigRegister> regs = configRegisters();
    for (const ConfigRegister &reg : regs) {
        if (reg.width == 1)
            writer->write8(int(reg.value), int(reg.address));
        else if (reg.width == 2)
            writer->write16(int(reg.value), int(reg.address));
        else
            writer->write32(int(reg.value), int(reg.address));
    }

    std::vector<quint16> function(1024);
    plan.fillFunctionTable(function.data());
    for (int i = 0; i < 1024; ++i)
        writer->write16(function[i], 0x2000 + 2 * i);

    std::vector<quint8> table(2048);
    const struct {
        LookupTablePlan::Table table;
        int base;
    } unitTables[] = {{LookupTablePlan::OutputTable, 0x2800},
                      {LookupTablePlan::FeedbackTable, 0x3000},
                      {LookupTablePlan::MsrCntTable, 0x3800}};
    for (const auto &t : unitTables) {
        plan.fillUnitTable(t.table, table.data());
        for (int i = 0; i < 2048; ++i)
            writer->write8(table[i], t.base + i);
    }

    writer->flushBatch(true);
    return true;
}
