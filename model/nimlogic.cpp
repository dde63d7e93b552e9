#include "nimlogic.h"

#include "logicevaluator.h"

namespace {
const int portCount = 11;
}

NIMLogic::NIMLogic(int id, int sheet, const QString &name, const QString &icon)
    : BlockItem(id, sheet)
{
    m_name = name;
    loadIcon(icon, 100, 57);
    BlockItem::drawLabel(QString());
}

int NIMLogic::connectInput(int port, BlockItem *source)
{
    if (!source)
        return -1;
    // One source feeds a logic block through one port only.
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        if (it.value() == source)
            return -1;
    }
    if (port >= 0)
        return BlockItem::connectInput(port, source);
    for (int p = 0; p < portCount; ++p) {
        if (!m_inputs.value(p, nullptr)) {
            m_inputs.insert(p, source);
            source->addOutput(this);
            return p;
        }
    }
    return -1;
}

QVector<QLine> NIMLogic::inputLines()
{
    QVector<QLine> lines;
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        const QPoint end(m_pos.x(), m_pos.y() + it.key() * 5 + 3);
        lines.append(QLine(it.value() ? it.value()->outputPoint() : end, end));
    }
    return lines;
}

bool NIMLogic::setLogic(QString &expression, bool check)
{
    if (check) {
        const bool values[portCount] = {};
        try {
            LogicEvaluator::logicEvaluate(expression, values);
        } catch (const QString &message) {
            expression = message;
            return false;
        }
    }
    m_params = expression;
    return true;
}
