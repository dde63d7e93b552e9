#ifndef LABELENTRY_H
#define LABELENTRY_H

#include <QMap>
#include <QString>

class BlockItem;
class QLabel;

// One label of the design as the label strip shows it.
struct LabelEntry {
    BlockItem *source = nullptr; // null until the source block is known
    QLabel *label = nullptr;
    QString name; // key of every lookup
    QString text; // shown: the user name once set, else the name
    int x = 0;
    int y = 0;
    QMap<int, bool> placed; // per sheet: a user of the label stands there
};

#endif // LABELENTRY_H
