#ifndef HIGHLIGHTER_H
#define HIGHLIGHTER_H

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

class QBrush;
class QStringList;
class QTextDocument;

// Colours the words of a logic expression: operator words, port names and net
// names, each group with its own format. Rules added later win where two
// match the same characters.
class Highlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit Highlighter(QTextDocument *parent);

    // Invalid patterns are left out; weight 0 keeps the editor's weight.
    void addRules(const QStringList &patterns, const QBrush &brush, int weight);

    // The pattern of one whole word of an expression, taken literally; empty
    // for an empty word. Words are separated by blanks and brackets, as the
    // expression parser separates them.
    static QString wordPattern(const QString &word);

protected:
    void highlightBlock(const QString &text) override;

private:
    struct HighlightingRule {
        QRegularExpression pattern;
        QTextCharFormat format;
    };
    QVector<HighlightingRule> rules;
};

#endif // HIGHLIGHTER_H
