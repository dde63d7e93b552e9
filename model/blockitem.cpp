#include "blockitem.h"

#include "fittedtext.h"

#include "nimactioncopy.h"
#include "nimactioncut.h"
#include "nimactiondelete.h"
#include "nimactionedit.h"
#include "nimactionrename.h"
#include "programwidget.h"
#include "zivraresources.h"

#include <QFont>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

// Character data of an element: the three markup characters become entities.
QString BlockItem::escapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

// Attribute values are written in double quotes, so the quote is escaped too.
QString BlockItem::escapeAttribute(const QString &text)
{
    QString out = escapeText(text);
    out.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return out;
}

BlockItem::BlockItem(int id, int sheet) : m_id(id), m_sheet(sheet) {}

BlockItem::~BlockItem()
{
    // Work on copies: a block wired to itself edits its own lists meanwhile.
    const QVector<BlockItem *> targets = m_outputs;
    for (BlockItem *target : targets) {
        if (target)
            target->disconnectSource(this);
    }
    const QMap<int, BlockItem *> sources = m_inputs;
    for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
        if (it.value() && it.value() != this)
            it.value()->removeOutput(this);
    }
    m_outputs.clear();
    m_inputs.clear();
}

NIMActionRename *BlockItem::createRenameAction(ProgramWidget *sheet)
{
    return new NIMActionRename(QObject::tr("&Rename"), this, sheet);
}

NIMActionCut *BlockItem::createCutAction(ProgramWidget *sheet)
{
    return new NIMActionCut(QObject::tr("Cu&t"), this, sheet);
}

NIMActionCopy *BlockItem::createCopyAction(ProgramWidget *sheet)
{
    return new NIMActionCopy(QObject::tr("&Copy"), this, sheet);
}

NIMActionDelete *BlockItem::createDeleteAction(ProgramWidget *sheet)
{
    return new NIMActionDelete(QObject::tr("&Delete"), this, sheet);
}

NIMActionEdit *BlockItem::createEditAction(ProgramWidget *sheet)
{
    return new NIMActionEdit(QObject::tr("&Edit"), this, sheet);
}

void BlockItem::setOwner(QLabel *owner)
{
    m_owner = owner;
}

QLabel *BlockItem::owner()
{
    return m_owner;
}

void BlockItem::setPos(const QPoint &pos)
{
    m_pos = pos;
}

QPoint &BlockItem::pos()
{
    return m_pos;
}

void BlockItem::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
}

void BlockItem::setBasePixmap(const QPixmap &pixmap)
{
    m_basePixmap = pixmap;
}

QPixmap &BlockItem::pixmap()
{
    return m_pixmap;
}

QPixmap &BlockItem::basePixmap()
{
    return m_basePixmap;
}

QString &BlockItem::params()
{
    return m_params;
}

QVector<BlockItem *> &BlockItem::outputs()
{
    return m_outputs;
}

void BlockItem::addOutput(BlockItem *target)
{
    m_outputs.append(target);
}

void BlockItem::removeOutput(BlockItem *target)
{
    const int i = m_outputs.indexOf(target);
    if (i >= 0)
        m_outputs.remove(i);
}

int BlockItem::connectInput(int port, BlockItem *source)
{
    // A null source would break the wiring invariant; nothing is connected.
    if (!source)
        return -1;
    BlockItem *old = m_inputs.value(port, nullptr);
    if (old)
        old->removeOutput(this);
    m_inputs.insert(port, source);
    source->addOutput(this);
    return port;
}

BlockItem *BlockItem::inputAt(int port)
{
    return m_inputs.value(port, nullptr);
}

QMap<int, BlockItem *> &BlockItem::inputs()
{
    return m_inputs;
}

void BlockItem::removeInput(int port)
{
    m_inputs.remove(port);
}

void BlockItem::removeInputLine(const QPoint &end)
{
    // inputLines() yields one wire per input in ascending port order.
    const QVector<QLine> lines = inputLines();
    int i = 0;
    for (auto it = m_inputs.begin(); it != m_inputs.end() && i < lines.size(); ++it, ++i) {
        if (lines.at(i).p2() == end) {
            m_inputs.erase(it);
            return;
        }
    }
}

void BlockItem::disconnectSource(BlockItem *source)
{
    for (auto it = m_inputs.begin(); it != m_inputs.end();) {
        if (it.value() == source)
            it = m_inputs.erase(it);
        else
            ++it;
    }
}

BlockItem *BlockItem::sourceAt(QPoint point)
{
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        if (it.value() && it.value()->outputPoint() == point)
            return it.value();
    }
    return nullptr;
}

QString &BlockItem::name()
{
    return m_name;
}

void BlockItem::setName(const QString &name)
{
    m_name = name;
}

QString BlockItem::displayName()
{
    return (m_userName.isEmpty() ? m_name : m_userName).trimmed();
}

void BlockItem::setUserName(const QString &userName)
{
    m_userName = userName;
    // An empty text makes drawLabel take the current picture as the clean one;
    // start from the clean picture so an earlier label is not kept underneath.
    if (userName.isEmpty() && !m_basePixmap.isNull())
        m_pixmap = m_basePixmap;
    const QString keptName = m_name;
    drawLabel(userName);
    m_name = keptName;
}

QString &BlockItem::userName()
{
    return m_userName;
}

int BlockItem::sheet()
{
    return m_sheet;
}

void BlockItem::setKind(const QString &kind)
{
    m_kind = kind;
}

QString &BlockItem::kind()
{
    return m_kind;
}

QPoint BlockItem::outputPoint()
{
    return QPoint(m_pos.x() + m_pixmap.width(), m_pos.y() + m_pixmap.height() / 2);
}

void BlockItem::setId(int id)
{
    m_id = id;
}

int BlockItem::id()
{
    return m_id;
}

void BlockItem::identity(int &id, int &sheet, QString &name)
{
    id = m_id;
    sheet = m_sheet;
    name = m_name;
}

bool BlockItem::contains(int sheet, QPoint point)
{
    if (sheet >= 0 && sheet != m_sheet)
        return false;
    return point.x() >= m_pos.x() && point.x() <= m_pos.x() + m_pixmap.width() &&
           point.y() >= m_pos.y() && point.y() <= m_pos.y() + m_pixmap.height();
}

void BlockItem::writeXml(QTextStream &stream, const QString &term, int level)
{
    stream << indent(level) << "<entry term=\"" << escapeAttribute(term) << "\">\n";
    stream << indent(level + 1) << "<id>" << QString("%1").arg(m_id) << "</id>\n";
    stream << indent(level + 1) << "<name>" << escapeText(m_name) << "</name>\n";
    if (!m_userName.isEmpty())
        stream << indent(level + 1) << "<userName>" << escapeText(m_userName) << "</userName>\n";
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        const QString source = it.value() ? it.value()->name() : QString();
        stream << indent(level + 1) << "<net port=\"" << it.key() << "\">" << escapeText(source)
               << "</net>\n";
    }
    if (!m_params.isEmpty())
        stream << indent(level + 1) << "<property>" << escapeText(m_params) << "</property>\n";
    stream << indent(level) << "</entry>\n";
}

QVector<QLine> BlockItem::inputLines()
{
    QVector<QLine> lines;
    const QPoint end(m_pos.x(), m_pos.y() + m_pixmap.height() / 2);
    for (auto it = m_inputs.cbegin(); it != m_inputs.cend(); ++it) {
        const QPoint start = it.value() ? it.value()->outputPoint() : end;
        lines.append(QLine(start, end));
    }
    return lines;
}

// A value ends at the next blank, except PATH's: a folder may hold blanks. When the text before it
// is exactly what this program writes (Mode, an optional Unit, FileSave) it runs to the end,
// whatever the folder's name holds. A text written elsewhere may go on after it, so there it ends
// at the next of the other keys of a counter text. Keys are not looked for inside it, so that a
// folder name never supplies their values.
void BlockItem::param(QString &value, const QString &key)
{
    value = QString();
    if (m_params.isEmpty())
        return;
    const QLatin1String pathKey("PATH=");
    const int pathAt = m_params.indexOf(pathKey);
    const int pathStart = pathAt + pathKey.size();
    int pathEnd = m_params.size();
    static const QRegularExpression ownHead(
        QStringLiteral("\\AMode=\\S* (Unit=\\S* )?FileSave=\\S* \\z"));
    const bool pathLast = pathAt >= 0 && ownHead.match(m_params.left(pathAt)).hasMatch();
    if (pathAt >= 0 && !pathLast) {
        for (const char *next : {" Mode=", " Unit=", " FileSave="}) {
            const int at = m_params.indexOf(QLatin1String(next), pathStart);
            if (at >= 0)
                pathEnd = qMin(pathEnd, at);
        }
    }
    if (key == QLatin1String("PATH")) {
        if (pathAt >= 0)
            value = m_params.mid(pathStart, pathEnd - pathStart);
        return;
    }
    const QString token = key + QLatin1Char('=');
    int at = m_params.leftRef(pathAt < 0 ? m_params.size() : pathAt).indexOf(token);
    if (at < 0 && pathAt >= 0)
        at = m_params.indexOf(token, pathEnd);
    if (at < 0)
        return;
    const int start = m_params.indexOf(QLatin1Char('='), at) + 1;
    const int blank = m_params.indexOf(QLatin1Char(' '), start);
    value = blank < 0 ? m_params.mid(start) : m_params.mid(start, blank - start);
}

void BlockItem::mainCnt(QString &value)
{
    param(value, QStringLiteral("MainCnt"));
}

void BlockItem::subCnt(QString &value)
{
    param(value, QStringLiteral("SubCnt"));
}

void BlockItem::disp(QString &value)
{
    param(value, QStringLiteral("Disp"));
}

unsigned int BlockItem::timeToNs(QString &text)
{
    static const struct {
        const char *word;
        double factor;
    } units[] = {{"nsec", 1.0}, {"usec", 1e3}, {"msec", 1e6}, {"sec", 1e9}};

    double factor = 1.0;
    for (const auto &unit : units) {
        const QString word = QLatin1String(unit.word);
        if (text.indexOf(word) >= 1) {
            text.remove(word);
            factor = unit.factor;
            break;
        }
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok)
        return 0;
    const double value = std::trunc(number * factor + 0.5);
    if (!std::isfinite(value))
        return 0;
    // The low 32 bits of the truncated value, also beyond the range of a
    // 64-bit integer, without an undefined conversion.
    double low = std::fmod(value, 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return static_cast<unsigned int>(low);
}

void BlockItem::drawLabel(const QString &text)
{
    QString label;
    if (text.isEmpty()) {
        label = m_name;
        m_basePixmap = m_pixmap;
    } else {
        label = text;
        m_pixmap = m_basePixmap;
    }
    if (m_pixmap.isNull())
        return;
    drawFittedText(m_pixmap, label, labelFont());
}

QFont BlockItem::labelFont()
{
    // Small enough that an output's "Delay 60ns ... OUT-CH7" caption fits its 180-pixel picture.
    QFont font;
    font.setPixelSize(11);
    return font;
}

QString BlockItem::indent(int level)
{
    return QString(level > 0 ? level * 4 : 0, QLatin1Char(' '));
}

void BlockItem::loadIcon(const QString &path, int width, int height)
{
    ZivraResources::ensureLoaded();
    QPixmap icon(path);
    if (icon.isNull()) {
        icon = QPixmap(width, height);
        icon.fill(Qt::transparent);
    }
    m_pixmap = icon;
}
