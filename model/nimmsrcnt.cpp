#include "nimmsrcnt.h"

#include "blockmode.h"

NIMMsrCnt::NIMMsrCnt(int id, int sheet, const QString &name) : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(QStringLiteral(":/images/MsrCnt3.png"), 180, 29);
    BlockItem::drawLabel(QString());
}

QVector<QLine> NIMMsrCnt::inputLines()
{
    QVector<QLine> lines;
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        const QPoint end(m_pos.x(), m_pos.y() + it.key() * 16 + 6);
        lines.append(QLine(it.value() ? it.value()->outputPoint() : end, end));
    }
    return lines;
}

quint8 NIMMsrCnt::mode()
{
    return quint8(BlockMode::measureMode(this));
}

void NIMMsrCnt::setSettings(quint8 mode, const QString &fileSave, const QString &path,
                            const QString &unit)
{
    // Multi-argument arg(): a '%' in a path or unit is kept as typed.
    if (unit.isEmpty())
        m_params = QStringLiteral("Mode=%1 FileSave=%2 PATH=%3")
                       .arg(QString::number(mode), fileSave, path);
    else
        m_params = QStringLiteral("Mode=%1 Unit=%2 FileSave=%3 PATH=%4")
                       .arg(QString::number(mode), unit, fileSave, path);
}
