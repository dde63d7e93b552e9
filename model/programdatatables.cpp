// ProgramData: single entries of the four lookup tables.

#include "programdata.h"

#include "lookuptableplan.h"

quint16 ProgramData::functionTableEntry(quint16 inputWord)
{
    // Bit k + 1 of the input word is input channel k; bit 0 stands for nothing.
    return LookupTablePlan(this, LookupTablePlan::FunctionTable)
        .functionEntry((inputWord >> 1) & 0x3FF);
}

quint8 ProgramData::outputTableEntry(int i)
{
    return LookupTablePlan(this, LookupTablePlan::OutputTable)
        .unitEntry(LookupTablePlan::OutputTable, i);
}

quint8 ProgramData::delayTableEntry(int i)
{
    return LookupTablePlan(this, LookupTablePlan::FeedbackTable)
        .unitEntry(LookupTablePlan::FeedbackTable, i);
}

quint8 ProgramData::msrCntTableEntry(int i)
{
    return LookupTablePlan(this, LookupTablePlan::MsrCntTable)
        .unitEntry(LookupTablePlan::MsrCntTable, i);
}

bool ProgramData::labelTableEntry(int i, BlockItem *logic)
{
    if (!logic)
        return false;
    return LookupTablePlan(this, 0).unitValue(logic, i);
}
