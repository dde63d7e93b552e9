// ProgramData: placement of the function blocks on the eleven unit slots.

#include "programdata.h"

#include "blockitem.h"
#include "blockmode.h"

const int ProgramData::delayUnitSlot[8] = {3, 4, 5, 6, 7, 0, 1, 2};
const int ProgramData::passUnitSlot[6] = {0, 1, 2, 8, 9, 10};

void ProgramData::resetUnitSlots()
{
    for (BlockItem *&slot : unitSlots)
        slot = nullptr;
}

void ProgramData::assignResources()
{
    resetUnitSlots();
    cntFncCount = 0;
    dlyFncCount = 0;
    nonFncCount = 0;

    QVector<BlockItem *> counters, delays, passes;
    // Overflow groups: A oscillators, B feedback-fed counters, C other counters,
    // D delays with a non-logic source, E delays with a logic source.
    QVector<BlockItem *> groupA, groupB, groupC, groupD, groupE;
    for (BlockItem *block : functionBlocks) {
        const QString &kind = block->kind();
        BlockItem *source = block->inputAt(0);
        if (kind == QLatin1String("CntFnc")) {
            ++cntFncCount;
            counters.append(block);
            if (BlockMode::counterMode(block) == 9)
                groupA.append(block);
            else if (source && source->kind().contains(QLatin1String("FeedBack")))
                groupB.append(block);
            else if (source)
                groupC.append(block);
        } else if (kind == QLatin1String("DlyFnc")) {
            ++dlyFncCount;
            delays.append(block);
            if (source && !source->kind().contains(QLatin1String("Logic")))
                groupD.append(block);
            else if (source)
                groupE.append(block);
        } else if (kind == QLatin1String("NonFnc")) {
            ++nonFncCount;
            passes.append(block);
        }
    }

    // The running index never leaves the slot range: beyond the palette's
    // limits the blocks that do not fit get no slot.
    int index = 0;
    int step = 1;
    auto place = [&](const QVector<BlockItem *> &blocks) {
        for (BlockItem *block : blocks) {
            if (index < 0 || index > 10)
                return;
            unitSlots[index] = block;
            index += step;
        }
    };
    const int c = cntFncCount;
    const int d = dlyFncCount;
    if (c + d <= 8 && d < c) {
        index = 3;
        step = 1;
        place(delays);
        place(counters);
    } else if (c + d <= 8) {
        index = 7;
        step = -1;
        place(counters);
        place(delays);
    } else if (d < c) {
        index = 10;
        step = -1;
        for (const auto *group : {&groupA, &groupB, &groupC, &groupD, &groupE})
            place(*group);
    } else {
        index = 0;
        step = 1;
        for (const auto *group : {&groupE, &groupD, &groupC, &groupB, &groupA})
            place(*group);
    }

    for (BlockItem *block : passes) {
        int free = -1;
        for (int slot : passUnitSlot) {
            if (!unitSlots[slot]) {
                free = slot;
                break;
            }
        }
        if (free < 0)
            break;
        unitSlots[free] = block;
    }

    unitModeMask = 0;
    for (int n = 0; n < 11; ++n) {
        BlockItem *block = unitSlots[n];
        bool set;
        if (n < 3)
            set = block && block->kind() == QLatin1String("DlyFnc");
        else if (n < 8)
            set = block && block->kind() != QLatin1String("CntFnc");
        else
            set = !block || block->kind() != QLatin1String("CntFnc");
        if (set)
            unitModeMask |= quint16(1u << n);
    }

    auto fedByFeedback = [](BlockItem *block, const char *kind) {
        return block && block->kind() == QLatin1String(kind) && block->inputAt(0) &&
               block->inputAt(0)->kind().startsWith(QLatin1String("FeedBack"));
    };
    delayFeedbackMask = 0;
    counterFeedbackMask = 0;
    for (int b = 0; b < 8; ++b) {
        if (fedByFeedback(unitSlots[delayUnitSlot[b]], "DlyFnc"))
            delayFeedbackMask |= quint8(1u << b);
        if (fedByFeedback(unitSlots[3 + b], "CntFnc"))
            counterFeedbackMask |= quint8(1u << b);
    }
}
