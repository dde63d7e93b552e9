#include "nimfeedbackin.h"

namespace {
// The feedback path adds a fixed 24 ns; the label says so in front of the name.
const char feedPrefix[] = "Delay 24ns     ";
const char feedWord[] = "FeedBack";
} // namespace

NIMFeedBackIN::NIMFeedBackIN(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    loadIcon(QStringLiteral(":/images/FeedBack.png"), 180, 25);
    if (!name.startsWith(QLatin1String("Delay "))) {
        m_basePixmap = m_pixmap;
        drawLabel(name);
    } else {
        m_name = name;
        BlockItem::drawLabel(QString());
        const int at = name.indexOf(QLatin1String(feedWord));
        m_name = at < 0 ? name : name.mid(at);
    }
}

void NIMFeedBackIN::drawLabel(const QString &text)
{
    if (text.isEmpty()) {
        BlockItem::drawLabel(text);
        return;
    }
    QString label = QLatin1String(feedPrefix) + text;
    const int wordLength = int(sizeof(feedWord)) - 1;
    if (text.size() <= wordLength)
        label += QString(11 - text.size(), QLatin1Char(' '));
    BlockItem::drawLabel(label);
    m_name = text;
}
