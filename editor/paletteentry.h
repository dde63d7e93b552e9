#ifndef PALETTEENTRY_H
#define PALETTEENTRY_H

#include <QPixmap>
#include <QString>

class QLabel;

// One entry of the block palette with its quota.
struct PaletteEntry {
    QPixmap image;           // picture without caption
    QString kind;            // what a drag carries and what quota requests name
    QString caption;         // word drawn on the picture
    QLabel *label = nullptr; // the label currently showing the entry
    int left = 0;
    int top = 0;
    int right = 0;  // left + picture width
    int bottom = 0; // top + picture height
    int remaining = 0;
    int maximum = 0; // 0: unlimited, count never shown
};

#endif // PALETTEENTRY_H
