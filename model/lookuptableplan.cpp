#include "lookuptableplan.h"

#include "blockitem.h"
#include "logicevaluator.h"
#include "programdata.h"

#include <algorithm>

namespace {

const quint64 lanePattern[6] = {Q_UINT64_C(0xAAAAAAAAAAAAAAAA), Q_UINT64_C(0xCCCCCCCCCCCCCCCC),
                                Q_UINT64_C(0xF0F0F0F0F0F0F0F0), Q_UINT64_C(0xFF00FF00FF00FF00),
                                Q_UINT64_C(0xFFFF0000FFFF0000), Q_UINT64_C(0xFFFFFFFF00000000)};

bool isKind(BlockItem *block, const char *kind)
{
    return block && block->kind() == QLatin1String(kind);
}

} // namespace

LookupTablePlan::LookupTablePlan(ProgramData *design, int tables)
    : m_design(design), m_functionBits(16), m_outputBits(8), m_feedbackBits(8), m_msrCntBits(8)
{
    BlockItem *const *units = design->unitSlots;

    if (tables & FunctionTable) {
        // Pass-through units: bits 0 to 5.
        for (int p = 0; p < 6; ++p) {
            BlockItem *unit = units[ProgramData::passUnitSlot[p]];
            if (!isKind(unit, "NonFnc"))
                continue;
            if (BlockItem *source = resolve(unit->inputAt(0)))
                m_functionBits[p].append(inputTerm(source));
        }
        // Function-input lines: bits 8 to 15. Lines 5 to 7 serve a counter with
        // a non-feedback source, otherwise the delay unit sharing the line.
        for (int j = 0; j < 8; ++j) {
            BlockItem *unit = units[3 + j];
            const bool taken = unit && (j < 5 || isKind(unit, "CntFnc"));
            BlockItem *source = taken ? unit->inputAt(0) : nullptr;
            if (source && !source->kind().startsWith(QLatin1String("FeedBack"))) {
                if (BlockItem *resolved = resolve(source))
                    m_functionBits[8 + j].append(inputTerm(resolved));
                continue;
            }
            if (j < 5)
                continue;
            BlockItem *delay = units[j - 5];
            if (isKind(delay, "DlyFnc") && delay->inputAt(0)) {
                if (BlockItem *resolved = resolve(delay->inputAt(0)))
                    m_functionBits[8 + j].append(inputTerm(resolved));
            }
        }
    }

    if (tables & OutputTable) {
        for (int n = 0; n < 8; ++n) {
            const QString kind = QStringLiteral("OUT-CH") + QString::number(n);
            for (BlockItem *sink : design->sinkBlocks) {
                if (sink->kind() == kind && sink->inputAt(0))
                    m_outputBits[n].append(unitTerm(sink->inputAt(0)));
            }
        }
    }

    if (tables & FeedbackTable) {
        for (int j = 0; j < 8; ++j) {
            BlockItem *unit = units[3 + j];
            if (!unit) {
                if (j < 5)
                    continue;
                unit = units[j - 5];
                if (!isKind(unit, "DlyFnc"))
                    continue;
            }
            BlockItem *feedback = nullptr;
            BlockItem *source = unit->inputAt(0);
            if (source && source->kind().contains(QLatin1String("FeedBack"))) {
                feedback = source;
            } else if (j >= 5) {
                BlockItem *delay = units[j - 5];
                if (isKind(delay, "DlyFnc") && delay->inputAt(0) &&
                    delay->inputAt(0)->kind().contains(QLatin1String("FeedBack")))
                    feedback = delay->inputAt(0);
            }
            if (!feedback)
                continue;
            const QString name = feedback->name();
            for (BlockItem *sink : design->sinkBlocks) {
                if (sink->name().contains(name) && sink->inputAt(0))
                    m_feedbackBits[j].append(unitTerm(sink->inputAt(0)));
            }
        }
    }

    if (tables & MsrCntTable) {
        for (int n = 0; n < 4; ++n) {
            const QString kind = QStringLiteral("MsrCnt") + QString::number(n);
            for (BlockItem *sink : design->sinkBlocks) {
                if (sink->kind() != kind)
                    continue;
                if (BlockItem *gate = sink->inputAt(0))
                    m_msrCntBits[2 * n].append(unitTerm(gate));
                if (BlockItem *source = sink->inputAt(1))
                    m_msrCntBits[2 * n + 1].append(unitTerm(source));
            }
        }
    }
}

int LookupTablePlan::translate(BlockItem *block)
{
    const QString &text = block->params();
    // A blank expression is false without being evaluated.
    if (text.trimmed().isEmpty())
        return -1;
    const auto known = m_programIndex.constFind(text);
    if (known != m_programIndex.constEnd())
        return known.value();
    // The evaluator has the last word on what is malformed; the translation
    // follows the same rules.
    try {
        const bool values[11] = {};
        LogicEvaluator::logicEvaluate(text, values);
        m_programs.append(LogicProgram(text));
    } catch (const QString &message) {
        throw block->name() + QStringLiteral(": ") + message;
    }
    const int index = m_programs.size() - 1;
    m_programIndex.insert(text, index);
    return index;
}

BlockItem *LookupTablePlan::resolve(BlockItem *source) const
{
    if (!source || !source->kind().contains(QLatin1String("Label")))
        return source;
    for (BlockItem *sink : m_design->sinkBlocks) {
        if (sink->name() == source->name())
            return sink->inputAt(0);
    }
    return nullptr;
}

int LookupTablePlan::slotOf(BlockItem *block) const
{
    if (!block)
        return -1;
    for (int k = 0; k < 11; ++k) {
        if (m_design->unitSlots[k] == block)
            return k;
    }
    return -1;
}

LookupTablePlan::Term LookupTablePlan::inputTerm(BlockItem *block)
{
    Term term;
    term.program = translate(block);
    std::fill(term.masks, term.masks + 11, quint16(0));
    // Index bit k is input channel k; it drives the first port fed by that channel.
    const QStringList &names = m_design->inputNames;
    const QMap<int, BlockItem *> &inputs = block->inputs();
    for (int k = 0; k < names.size() && k < 10; ++k) {
        for (auto it = inputs.constBegin(); it != inputs.constEnd(); ++it) {
            if (it.value() && it.value()->name() == names.at(k)) {
                if (it.key() >= 0 && it.key() < 11)
                    term.masks[it.key()] |= quint16(1u << k);
                break;
            }
        }
    }
    return term;
}

LookupTablePlan::Term LookupTablePlan::unitTerm(BlockItem *logic)
{
    Term term;
    term.program = translate(logic);
    for (int q = 0; q < 11; ++q) {
        const int slot = slotOf(resolve(logic->inputAt(q)));
        term.masks[q] = slot >= 0 ? quint16(1u << slot) : quint16(0);
    }
    return term;
}

const QVector<LookupTablePlan::TermList> &LookupTablePlan::bitsOf(Table table) const
{
    switch (table) {
    case FeedbackTable:
        return m_feedbackBits;
    case MsrCntTable:
        return m_msrCntBits;
    case FunctionTable:
        return m_functionBits;
    default:
        return m_outputBits;
    }
}

void LookupTablePlan::indexLanes(int chunk, quint64 lanes[11])
{
    const int base = chunk * 64;
    for (int k = 0; k < 11; ++k) {
        if (k < 6)
            lanes[k] = lanePattern[k];
        else
            lanes[k] = ((base >> k) & 1) ? ~quint64(0) : quint64(0);
    }
}

quint64 LookupTablePlan::lanes(const TermList &terms, const quint64 indexLanes[11]) const
{
    quint64 result = 0;
    for (const Term &term : terms) {
        if (term.program < 0)
            continue;
        quint64 ports[11];
        for (int q = 0; q < 11; ++q) {
            quint64 port = 0;
            const quint16 mask = term.masks[q];
            for (int k = 0; mask >> k; ++k) {
                if (mask & (1u << k))
                    port |= indexLanes[k];
            }
            ports[q] = port;
        }
        result |= m_programs.at(term.program).evaluate(ports);
    }
    return result;
}

void LookupTablePlan::fillFunctionTable(quint16 entries[1024]) const
{
    for (int chunk = 0; chunk < 16; ++chunk) {
        quint64 index[11];
        indexLanes(chunk, index);
        quint16 *out = entries + chunk * 64;
        std::fill(out, out + 64, quint16(0));
        for (int b = 0; b < 16; ++b) {
            const quint64 bits = lanes(m_functionBits.at(b), index);
            if (!bits)
                continue;
            for (int n = 0; n < 64; ++n) {
                if ((bits >> n) & 1)
                    out[n] |= quint16(1u << b);
            }
        }
    }
}

void LookupTablePlan::fillUnitTable(Table table, quint8 entries[2048]) const
{
    const QVector<TermList> &bits = bitsOf(table);
    for (int chunk = 0; chunk < 32; ++chunk) {
        quint64 index[11];
        indexLanes(chunk, index);
        quint8 *out = entries + chunk * 64;
        std::fill(out, out + 64, quint8(0));
        for (int b = 0; b < 8; ++b) {
            const quint64 value = lanes(bits.at(b), index);
            if (!value)
                continue;
            for (int n = 0; n < 64; ++n) {
                if ((value >> n) & 1)
                    out[n] |= quint8(1u << b);
            }
        }
    }
}

quint16 LookupTablePlan::functionEntry(int index) const
{
    index &= 0x3FF;
    quint64 lanes11[11];
    indexLanes(index / 64, lanes11);
    quint16 entry = 0;
    for (int b = 0; b < 16; ++b) {
        if ((lanes(m_functionBits.at(b), lanes11) >> (index % 64)) & 1)
            entry |= quint16(1u << b);
    }
    return entry;
}

quint8 LookupTablePlan::unitEntry(Table table, int index) const
{
    index &= 0x7FF;
    const QVector<TermList> &bits = bitsOf(table);
    quint64 lanes11[11];
    indexLanes(index / 64, lanes11);
    quint8 entry = 0;
    for (int b = 0; b < 8; ++b) {
        if ((lanes(bits.at(b), lanes11) >> (index % 64)) & 1)
            entry |= quint8(1u << b);
    }
    return entry;
}

bool LookupTablePlan::unitValue(BlockItem *logic, int index)
{
    index &= 0x7FF;
    const TermList terms{unitTerm(logic)};
    quint64 lanes11[11];
    indexLanes(index / 64, lanes11);
    return (lanes(terms, lanes11) >> (index % 64)) & 1;
}
