#ifndef CUSTOMSCROLL_H
#define CUSTOMSCROLL_H

#include <QScrollArea>

class QKeyEvent;

// Scroll area of a sheet. Up and Down move the selected blocks by rows; the
// view must not scroll as well when the sheet passes those keys on.
class CustomScroll : public QScrollArea
{
    Q_OBJECT

public:
    explicit CustomScroll(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif // CUSTOMSCROLL_H
