#include "nimlabelin.h"

NIMLabelIN::NIMLabelIN(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/LabelIN.png"), 100, 25);
    BlockItem::drawLabel(QString());
}
