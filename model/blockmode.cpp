#include "blockmode.h"

#include "blockitem.h"

namespace {

int readOf(BlockItem *block, int count, bool *valid)
{
    QString text;
    if (block)
        block->param(text, QStringLiteral("Mode"));
    return BlockMode::read(text, count, valid);
}

} // namespace

int BlockMode::read(const QString &text, int count, bool *valid)
{
    bool ok = text.isEmpty();
    int mode = 0;
    if (!ok) {
        mode = text.toInt(&ok, 10);
        ok = ok && mode >= 0 && mode < count;
    }
    if (valid)
        *valid = ok;
    return ok ? mode : 0;
}

int BlockMode::counterMode(BlockItem *block, bool *valid)
{
    return readOf(block, counterModes, valid);
}

int BlockMode::measureMode(BlockItem *block, bool *valid)
{
    return readOf(block, measureModes, valid);
}
