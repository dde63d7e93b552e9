#ifndef NIMFEEDBACKIN_H
#define NIMFEEDBACKIN_H

#include "blockitem.h"

class NIMFeedBackIN : public BlockItem
{
public:
    NIMFeedBackIN(int id, int sheet, const QString &name);

    void drawLabel(const QString &text) override;
};

#endif // NIMFEEDBACKIN_H
