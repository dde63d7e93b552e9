// ProgramData: comparison of the register image read back from the module.

#include "programdata.h"

#include "lookuptableplan.h"

#include <vector>

namespace {

void appendDiff(quint32 address, quint32 expected, const QString &read, int digits, QString &diff)
{
    diff += QStringLiteral("address 0x%1\n").arg(address, 8, 16, QLatin1Char('0'));
    diff += QStringLiteral("current:%1  ").arg(expected, digits, 16, QLatin1Char('0'));
    diff += QStringLiteral("register:%1\n").arg(read);
}

QString hex(quint32 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

// Big-endian value of width bytes at offset; false when the data is too short.
bool readValue(const QByteArray &data, int offset, int width, quint32 &value)
{
    if (offset < 0 || offset + width > data.size())
        return false;
    value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | quint8(data.at(offset + i));
    return true;
}

// The read-back data ends before this entry: reported as a difference rather
// than read past.
void appendMissing(quint32 address, quint32 expected, int width, QString &diff)
{
    appendDiff(address, expected, QStringLiteral("missing"), 2 * width, diff);
}

} // namespace

void ProgramData::appendDiff8(quint32 address, quint32 expected, quint32 read, QString &diff)
{
    appendDiff(address, expected & 0xFF, hex(read & 0xFF, 2), 2, diff);
}

void ProgramData::appendDiff16(quint32 address, quint32 expected, quint32 read, QString &diff)
{
    appendDiff(address, expected & 0xFFFF, hex(read & 0xFFFF, 4), 4, diff);
}

void ProgramData::appendDiff32(quint32 address, quint32 expected, quint32 read, QString &diff)
{
    appendDiff(address, expected, hex(read, 8), 8, diff);
}

void ProgramData::registerTableHtml(QString &text)
{
    assignResources();
    text += QStringLiteral("<table width=\"100%\">\n");
    text += QStringLiteral("<tr><td></td><td>Current</td><td>Register</td></tr>\n");
}

bool ProgramData::verifyRegisters(const QByteArray &data, QString &diff)
{
    const QVector<ConfigRegister> regs = configRegisters();
    for (const ConfigRegister &reg : regs) {
        if (!reg.compared)
            continue;
        quint32 read = 0;
        if (!readValue(data, int(reg.address) - 0x0004, reg.width, read)) {
            appendMissing(reg.address, reg.value, reg.width, diff);
            return false;
        }
        if (read == reg.value)
            continue;
        if (reg.width == 1)
            appendDiff8(reg.address, reg.value, read, diff);
        else if (reg.width == 2)
            appendDiff16(reg.address, reg.value, read, diff);
        else
            appendDiff32(reg.address, reg.value, read, diff);
        return false;
    }
    return true;
}

bool ProgramData::verifyFunctionTable(const QByteArray &data, QString &diff)
{
    std::vector<quint16> expected(1024);
    LookupTablePlan(this, LookupTablePlan::FunctionTable).fillFunctionTable(expected.data());
    for (int k = 0; k < 1024; ++k) {
        const quint32 address = 0x2000 + 2 * k;
        quint32 read = 0;
        if (!readValue(data, 2 * k, 2, read)) {
            appendMissing(address, expected[k], 2, diff);
            return false;
        }
        if (read != expected[k]) {
            appendDiff16(address, expected[k], read, diff);
            return false;
        }
    }
    return true;
}

bool ProgramData::verifyByteTable(const QByteArray &data, QString &diff, int table, quint32 base)
{
    const LookupTablePlan::Table which = LookupTablePlan::Table(table);
    std::vector<quint8> expected(2048);
    LookupTablePlan(this, which).fillUnitTable(which, expected.data());
    for (int i = 0; i < 2048; ++i) {
        quint32 read = 0;
        if (!readValue(data, i, 1, read)) {
            appendMissing(base + i, expected[i], 1, diff);
            return false;
        }
        if (read != expected[i]) {
            appendDiff8(base + i, expected[i], read, diff);
            return false;
        }
    }
    return true;
}

bool ProgramData::verifyOutputTable(const QByteArray &data, QString &diff)
{
    return verifyByteTable(data, diff, LookupTablePlan::OutputTable, 0x2800);
}

bool ProgramData::verifyDelayTable(const QByteArray &data, QString &diff)
{
    return verifyByteTable(data, diff, LookupTablePlan::FeedbackTable, 0x3000);
}

bool ProgramData::verifyMsrCntTable(const QByteArray &data, QString &diff)
{
    return verifyByteTable(data, diff, LookupTablePlan::MsrCntTable, 0x3800);
}
