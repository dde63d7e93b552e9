#include "nimlabel.h"

NIMLabel::NIMLabel(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/Label.png"), 100, 25);
    BlockItem::drawLabel(QString());
}
