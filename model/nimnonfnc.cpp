#include "nimnonfnc.h"

NIMNonFnc::NIMNonFnc(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    // The pass-through strip is too thin for a name: it shows its icon alone.
    loadIcon(QStringLiteral(":/images/NonFnc.png"), 100, 5);
    m_basePixmap = m_pixmap;
}
