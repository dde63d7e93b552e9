#include "fittedtext.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QString>

void drawFittedText(QPixmap &pixmap, const QString &text, const QFont &font)
{
    if (text.isEmpty() || pixmap.isNull())
        return;
    QPainter painter(&pixmap);
    QFont fitted = font;
    painter.setFont(fitted);
    const int room = pixmap.width() - 4;
    if (painter.fontMetrics().horizontalAdvance(text) > room) {
        for (int pixels = QFontInfo(fitted).pixelSize() - 1; pixels >= 6; --pixels) {
            fitted.setPixelSize(pixels);
            painter.setFont(fitted);
            if (painter.fontMetrics().horizontalAdvance(text) <= room)
                break;
        }
    }
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
}
