#include "nimfnclabel.h"

NIMFncLabel::NIMFncLabel(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/FncLabel.png"), 100, 25);
    BlockItem::drawLabel(QString());
}
