#ifndef NIMACTIONEDIT_H
#define NIMACTIONEDIT_H

#include "nimaction.h"

// Opens the settings of its block: the dialog of the block's kind, or for
// kinds without one the choice of another channel. Made with an empty text it
// opens at once and is not connected (the sheet's double click).
class NIMActionEdit : public NIMAction
{
    Q_OBJECT

public:
    NIMActionEdit(const QString &text, BlockItem *block, QObject *owner);

public slots:
    void editItem();

private:
    void chooseChannel();
};

#endif // NIMACTIONEDIT_H
