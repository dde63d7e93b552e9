#ifndef LOOKUPTABLEPLAN_H
#define LOOKUPTABLEPLAN_H

#include <QHash>
#include <QString>
#include <QVector>

#include "logicprogram.h"

class BlockItem;
class ProgramData;

// The wiring of the four lookup tables, resolved once from the design's unit
// placement, with every expression they use translated. Building the plan meets
// the expressions in the order in which the tables evaluate them, so the first
// bad one is the one the tables would have stopped at. Entries are then computed
// 64 at a time.
class LookupTablePlan
{
public:
    enum Table {
        FunctionTable = 1,
        OutputTable = 2,
        FeedbackTable = 4,
        MsrCntTable = 8,
        AllTables = 15
    };

    // Throws "name: message" for the first malformed expression that the chosen
    // tables use. The design's unit assignment must be current.
    LookupTablePlan(ProgramData *design, int tables);

    void fillFunctionTable(quint16 entries[1024]) const;
    // table is OutputTable, FeedbackTable or MsrCntTable.
    void fillUnitTable(Table table, quint8 entries[2048]) const;
    quint16 functionEntry(int index) const;
    quint8 unitEntry(Table table, int index) const;

    // The value of a logic block whose ports take the outputs of the unit
    // slots, for the slot outputs given by the bits of index.
    bool unitValue(BlockItem *logic, int index);

private:
    // One evaluation of an expression: port q is true when the table index has
    // any of the bits of masks[q] set.
    struct Term {
        int program; // -1: empty expression, always false
        quint16 masks[11];
    };
    using TermList = QVector<Term>;

    int translate(BlockItem *block);
    BlockItem *resolve(BlockItem *source) const;
    int slotOf(BlockItem *block) const;
    Term inputTerm(BlockItem *block);
    Term unitTerm(BlockItem *logic);
    const QVector<TermList> &bitsOf(Table table) const;
    quint64 lanes(const TermList &terms, const quint64 indexLanes[11]) const;
    static void indexLanes(int chunk, quint64 lanes[11]);

    ProgramData *m_design;
    QVector<LogicProgram> m_programs;
    QHash<QString, int> m_programIndex;
    QVector<TermList> m_functionBits; // 16 bits
    QVector<TermList> m_outputBits;   // 8 bits
    QVector<TermList> m_feedbackBits; // 8 bits
    QVector<TermList> m_msrCntBits;   // 8 bits
};

#endif // LOOKUPTABLEPLAN_H
