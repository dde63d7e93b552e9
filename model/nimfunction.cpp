#include "nimfunction.h"

#include "blockmode.h"

#include <cmath>

NIMFunction::NIMFunction(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/Function.png"), 100, 29);
    BlockItem::drawLabel(QString());
}

unsigned int NIMFunction::cntMainValue()
{
    if (m_params.isEmpty())
        return 5;
    QString value;
    mainCnt(value);
    return value.isNull() ? 0 : timeToNs(value);
}

unsigned int NIMFunction::cntSubValue()
{
    if (m_params.isEmpty())
        return 4;
    QString value;
    subCnt(value);
    const unsigned int sub = value.isNull() ? 0 : timeToNs(value);
    const int mode = BlockMode::counterMode(this);
    // These modes count the sub time from zero.
    const bool fromZero = mode == 0 || mode == 1 || mode == 8 || mode == 9 || mode == 10;
    return (fromZero && sub != 0) ? sub - 1 : sub;
}

int NIMFunction::delayNs()
{
    if (m_params.isEmpty() || !m_params.startsWith(QLatin1String("Delay=")))
        return 0;
    QString value = m_params.mid(m_params.indexOf(QLatin1Char('=')) + 1);
    if (value.lastIndexOf(QLatin1String("us")) >= 1) {
        value.remove(QLatin1String("us"));
        bool ok = false;
        const double us = value.toDouble(&ok);
        if (!ok)
            return 0;
        const double ns = std::round(us * 1000.0);
        if (!std::isfinite(ns))
            return 0;
        // Out of range: the low 32 bits, as the time texts do.
        double low = std::fmod(ns, 4294967296.0);
        if (low < 0)
            low += 4294967296.0;
        return static_cast<int>(static_cast<quint32>(low));
    }
    if (value.lastIndexOf(QLatin1String("ns")) >= 1)
        value.remove(QLatin1String("ns"));
    bool ok = false;
    const int ns = value.toInt(&ok);
    return ok ? ns : 0;
}
