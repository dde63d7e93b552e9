#ifndef FITTEDTEXT_H
#define FITTEDTEXT_H

class QFont;
class QPixmap;
class QString;

// Draws the text centred on the pixmap in the given font, made smaller only when
// the text would otherwise be cut at the picture's sides (two pixels kept free).
void drawFittedText(QPixmap &pixmap, const QString &text, const QFont &font);

#endif // FITTEDTEXT_H
