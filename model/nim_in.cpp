#include "nim_in.h"

namespace {
const quint16 defaultVth = 1720;
}

NIM_IN::NIM_IN(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/label-IN.png"), 90, 25);
    BlockItem::drawLabel(QString());
}

void NIM_IN::setUserControl()
{
    m_params = QStringLiteral("bUserControl=true");
}

bool NIM_IN::isUserControl()
{
    if (m_params.isEmpty())
        return m_name == QLatin1String("IN-USER");
    return m_params.contains(QLatin1String("bUserControl=true"));
}

void NIM_IN::inputSettings(bool &user, bool &high, quint16 &vth)
{
    if (m_params.isEmpty() || isUserControl()) {
        user = false;
        high = false;
        vth = defaultVth;
        return;
    }
    user = m_params.contains(QLatin1String("bUser=true"));
    high = m_params.contains(QLatin1String("bHigh=true"));
    // The threshold is the last token: everything after "Vth=" must be the number.
    const int at = m_params.indexOf(QLatin1String("Vth="));
    const QString tail = at < 0 ? m_params : m_params.mid(at);
    const int eq = tail.indexOf(QLatin1Char('='));
    bool ok = false;
    const quint16 value = eq < 0 ? 0 : tail.mid(eq + 1).toUShort(&ok);
    vth = ok ? value : 0;
}

bool NIM_IN::isHigh()
{
    bool user, high;
    quint16 threshold;
    inputSettings(user, high, threshold);
    return high;
}

quint16 NIM_IN::vth()
{
    bool user, high;
    quint16 threshold;
    inputSettings(user, high, threshold);
    return threshold;
}

void NIM_IN::setCounterParams(const QString &main, const QString &sub, const QString &disp)
{
    // One multi-argument arg() so that a '%' in a value is not substituted again.
    m_params = QStringLiteral("MainCnt=%1 SubCnt=%2").arg(main, sub);
    if (!disp.isEmpty())
        m_params += QStringLiteral(" Disp=") + disp;
}

unsigned int NIM_IN::mainCntNs()
{
    QString value;
    mainCnt(value);
    return value.isNull() ? 0 : timeToNs(value);
}

unsigned int NIM_IN::subCntValue()
{
    QString value;
    subCnt(value);
    const unsigned int ns = value.isNull() ? 0 : timeToNs(value);
    return ns ? ns - 1 : 0;
}
