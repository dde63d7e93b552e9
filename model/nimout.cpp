#include "nimout.h"

namespace {
// The output stage adds a fixed 60 ns; the label says so in front of the name.
const char outPrefix[] = "Delay 60ns       ";
const char outWord[] = "OUT-CH";
} // namespace

NIMOut::NIMOut(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    loadIcon(QStringLiteral(":/images/NIMout.png"), 180, 25);
    if (!name.contains(QLatin1String("Delay "))) {
        m_basePixmap = m_pixmap;
        drawLabel(name);
    } else {
        // A full label as copied from another output: shown unchanged, the
        // name is the part from the channel word on.
        m_name = name;
        BlockItem::drawLabel(QString());
        const int at = name.indexOf(QLatin1String(outWord));
        m_name = at < 0 ? name : name.mid(at);
    }
}

void NIMOut::drawLabel(const QString &text)
{
    if (text.isEmpty()) {
        BlockItem::drawLabel(text);
        return;
    }
    QString label = QLatin1String(outPrefix) + text;
    const int wordLength = int(sizeof(outWord)) - 1;
    if (text.size() <= wordLength)
        label += QString(10 - text.size(), QLatin1Char(' '));
    BlockItem::drawLabel(label);
    m_name = text;
}

void NIMOut::outputLevels(bool &nim, bool &ttl)
{
    if (m_params.isEmpty()) {
        nim = true;
        ttl = false;
        return;
    }
    nim = m_params.contains(QLatin1String("bNIM=true"));
    ttl = m_params.contains(QLatin1String("bTTL=true"));
}
