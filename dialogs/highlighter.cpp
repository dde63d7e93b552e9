#include "highlighter.h"

#include <QBrush>
#include <QStringList>

Highlighter::Highlighter(QTextDocument *parent) : QSyntaxHighlighter(parent) {}

void Highlighter::addRules(const QStringList &patterns, const QBrush &brush, int weight)
{
    QTextCharFormat format;
    format.setForeground(brush);
    if (weight > 0)
        format.setFontWeight(weight);
    for (const QString &pattern : patterns) {
        if (pattern.isEmpty())
            continue;
        QRegularExpression expression(pattern, QRegularExpression::UseUnicodePropertiesOption);
        if (expression.isValid())
            rules.append({expression, format});
    }
}

QString Highlighter::wordPattern(const QString &word)
{
    if (word.isEmpty())
        return QString();
    return QStringLiteral("(?<![^\\s()])") + QRegularExpression::escape(word) +
           QStringLiteral("(?![^\\s()])");
}

void Highlighter::highlightBlock(const QString &text)
{
    for (const HighlightingRule &rule : qAsConst(rules)) {
        int from = 0;
        while (from <= text.size()) {
            const QRegularExpressionMatch match = rule.pattern.match(text, from);
            if (!match.hasMatch())
                break;
            const int start = match.capturedStart();
            const int length = match.capturedLength();
            if (length > 0)
                setFormat(start, length, rule.format);
            // A pattern that can match nothing must still move on.
            from = start + qMax(length, 1);
        }
    }
    setCurrentBlockState(0);
}
