#ifndef MENUDRIVER_H
#define MENUDRIVER_H

#include <QString>
#include <QVector>

// Answers the editor's modal menus while it lives: records what each offered
// and triggers the entry named in `choose` (when offered and enabled).
class MenuDriver
{
public:
    struct Entry {
        QString text;
        bool enabled = false;
        bool hasIcon = false;
    };

    MenuDriver();
    ~MenuDriver();
    MenuDriver(const MenuDriver &) = delete;
    MenuDriver &operator=(const MenuDriver &) = delete;

    QString choose;
    QVector<QVector<Entry>> menus;
};

#endif // MENUDRIVER_H
