// Draws every picture of the program: block icons, palette entries, label
// strip states, context-menu and tool-bar icons and the application icon.
// Block pictures carry no text; names are painted on them at run time.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>

#include <functional>

namespace {

QString outDir;
int failures = 0;

using Drawer = std::function<void(QPainter &, const QRectF &)>;

void save(const QString &relative, int w, int h, const Drawer &draw)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, QRectF(0, 0, w, h));
    }
    const QString path = outDir + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        ++failures;
    }
}

QLinearGradient shade(const QRectF &r, const QColor &base)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, base.lighter(125));
    g.setColorAt(1, base);
    return g;
}

// A rounded body with a one-pixel border, inset so the border stays inside.
void body(QPainter &p, const QRectF &r, const QColor &fill, qreal radius = 4)
{
    const QRectF in = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(shade(in, fill));
    p.drawRoundedRect(in, radius, radius);
}

// Pentagon pointing right: the shape of signals leaving or entering the module.
void arrow(QPainter &p, const QRectF &r, const QColor &fill, qreal tip, bool notch)
{
    const QRectF in = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QPolygonF poly;
    poly << in.topLeft() << QPointF(in.right() - tip, in.top())
         << QPointF(in.right(), in.center().y()) << QPointF(in.right() - tip, in.bottom())
         << in.bottomLeft();
    if (notch)
        poly << QPointF(in.left() + tip, in.center().y());
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(shade(in, fill));
    p.drawPolygon(poly);
}

// Small pins on the left edge where wires end.
void pins(QPainter &p, const QRectF &r, const QVector<int> &ys, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int y : ys)
        p.drawRect(QRectF(r.left(), y - 1, 4, 2));
}

void outPin(QPainter &p, const QRectF &r, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(r.right() - 4, r.center().y() - 1, 4, 2));
}

// A faint pulse trace along the bottom of a function body.
void pulse(QPainter &p, const QRectF &r, const QColor &c, bool twice)
{
    const qreal y0 = r.bottom() - 4, y1 = r.bottom() - 9;
    QPainterPath path(QPointF(r.left() + 8, y0));
    const qreal step = twice ? (r.width() - 16) / 6 : (r.width() - 16) / 3;
    qreal x = r.left() + 8 + step;
    path.lineTo(x, y0);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        path.lineTo(x, y1);
        x += step;
        path.lineTo(x, y1);
        path.lineTo(x, y0);
        x += step;
        path.lineTo(x, y0);
    }
    QColor pen = c;
    pen.setAlpha(110);
    p.setPen(QPen(pen, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// A tag: rectangle with a cut corner pointing right (label source) or left (label user).
void tag(QPainter &p, const QRectF &r, const QColor &fill, bool pointRight)
{
    const QRectF in = r.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal tip = in.height() / 2;
    QPolygonF poly;
    if (pointRight)
        poly << in.topLeft() << QPointF(in.right() - tip, in.top())
             << QPointF(in.right(), in.center().y()) << QPointF(in.right() - tip, in.bottom())
             << in.bottomLeft();
    else
        poly << QPointF(in.left() + tip, in.top()) << in.topRight() << in.bottomRight()
             << QPointF(in.left() + tip, in.bottom()) << QPointF(in.left(), in.center().y());
    p.setPen(QPen(fill.darker(170), 1));
    p.setBrush(shade(in, fill));
    p.drawPolygon(poly);
    // The hole of the tag.
    p.setBrush(Qt::white);
    const qreal hx = pointRight ? in.right() - tip * 0.8 : in.left() + tip * 0.8;
    p.drawEllipse(QPointF(hx, in.center().y()), 2, 2);
}

// Gate and source markers of a measurement counter.
void counterMarks(QPainter &p, const QRectF &r, bool gate, bool source)
{
    p.setPen(Qt::NoPen);
    if (gate) {
        p.setBrush(QColor(40, 120, 40));
        p.drawRect(QRectF(r.right() - 14, 4, 8, 8));
    }
    if (source) {
        p.setBrush(QColor(30, 70, 160));
        p.drawEllipse(QRectF(r.right() - 14, 17, 8, 8));
    }
}

// Palette entry: a wide rounded button with a small glyph of the kind at its left.
void paletteEntry(QPainter &p, const QRectF &r, const QColor &fill)
{
    body(p, r, fill, 6);
}

const QColor inputColour(150, 215, 150);
const QColor preColour(150, 190, 240);
const QColor postColour(200, 170, 235);
const QColor functionColour(250, 200, 130);
const QColor counterColour(140, 220, 215);
const QColor outputColour(245, 160, 150);
const QColor feedbackColour(240, 225, 130);
const QColor labelColour(200, 225, 250);
const QColor labelInColour(175, 230, 195);
const QColor fncLabelColour(250, 215, 175);
const QColor netColour(215, 215, 215);

void blockIcons()
{
    save("images/label-IN.png", 90, 25,
         [](QPainter &p, const QRectF &r) { arrow(p, r, inputColour, 10, false); });

    const QVector<int> logicPins = {3, 8, 13, 18, 23, 28, 33, 38, 43, 48, 53};
    save("images/PreLgc.png", 100, 57, [&](QPainter &p, const QRectF &r) {
        body(p, r, preColour, 6);
        pins(p, r, logicPins, preColour.darker(200));
        outPin(p, r, preColour.darker(200));
    });
    save("images/PstLgc.png", 100, 57, [&](QPainter &p, const QRectF &r) {
        body(p, r, postColour, 6);
        pins(p, r, logicPins, postColour.darker(200));
        outPin(p, r, postColour.darker(200));
    });
    save("images/Function.png", 100, 29, [](QPainter &p, const QRectF &r) {
        body(p, r, functionColour);
        pulse(p, r, functionColour.darker(250), false);
    });
    // Mode-9 counter: same body with a doubled pulse and a darker shade.
    save("images/Function0.png", 100, 29, [](QPainter &p, const QRectF &r) {
        body(p, r, functionColour.darker(115));
        pulse(p, r, functionColour.darker(300), true);
    });
    save("images/NonFnc.png", 100, 5, [](QPainter &p, const QRectF &r) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 120, 120));
        p.drawRoundedRect(r, 2, 2);
    });

    const QVector<int> counterPins = {6, 22};
    struct Counter {
        const char *file;
        bool gate, source;
    } counters[] = {{"images/MsrCnt3.png", false, false},
                    {"images/MsrCnt.png", true, true},
                    {"images/MsrCnt1.png", true, false},
                    {"images/MsrCnt2.png", false, true}};
    for (const Counter &c : counters) {
        save(c.file, 180, 29, [&](QPainter &p, const QRectF &r) {
            body(p, r, counterColour);
            pins(p, r, counterPins, counterColour.darker(220));
            counterMarks(p, r, c.gate, c.source);
        });
    }
    save("images/NIMout.png", 180, 25,
         [](QPainter &p, const QRectF &r) { arrow(p, r, outputColour, 12, false); });
    save("images/FeedBack.png", 180, 25,
         [](QPainter &p, const QRectF &r) { arrow(p, r, feedbackColour, 12, true); });
    save("images/Label.png", 100, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, labelColour, false); });
    save("images/LabelIN.png", 100, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, labelInColour, true); });
    save("images/FncLabel.png", 100, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, fncLabelColour, false); });
}

void paletteAndStrip()
{
    save("images/MenuInput.png", 110, 30,
         [](QPainter &p, const QRectF &r) { arrow(p, r, inputColour, 10, false); });
    save("images/MenuPreLgc.png", 110, 25,
         [](QPainter &p, const QRectF &r) { paletteEntry(p, r, preColour); });
    save("images/MenuPstLgc.png", 110, 25,
         [](QPainter &p, const QRectF &r) { paletteEntry(p, r, postColour); });
    save("images/FuncLabel.png", 110, 30,
         [](QPainter &p, const QRectF &r) { paletteEntry(p, r, functionColour); });
    save("images/MenuOut.png", 110, 30,
         [](QPainter &p, const QRectF &r) { arrow(p, r, outputColour, 10, false); });
    save("images/MenuFeedBack.png", 110, 25,
         [](QPainter &p, const QRectF &r) { arrow(p, r, feedbackColour, 10, true); });
    save("images/MenuLabel.png", 110, 30,
         [](QPainter &p, const QRectF &r) { tag(p, r, labelColour, true); });
    // Wire counters: a flat grey strip with a wire drawn across.
    for (const char *file :
         {"images/NetPreLgc.png", "images/NetPstLgc.png", "images/NetFeedBack.png"}) {
        save(file, 110, 25, [](QPainter &p, const QRectF &r) {
            body(p, r, netColour, 3);
            p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
            p.drawLine(QPointF(r.left() + 6, r.bottom() - 4),
                       QPointF(r.right() - 6, r.bottom() - 4));
        });
    }
    save("images/LabelON.png", 90, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, labelInColour, true); });
    save("images/FncLabelON.png", 90, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, fncLabelColour, true); });
    save("images/LabelOFF.png", 90, 25,
         [](QPainter &p, const QRectF &r) { tag(p, r, QColor(205, 205, 205), true); });
}

void smallPictures()
{
    save("images/delbutton.png", 16, 16, [](QPainter &p, const QRectF &r) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(210, 60, 50));
        p.drawEllipse(r.adjusted(1, 1, -1, -1));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
    });
    save("images/settings_divider.png", 16, 16, [](QPainter &p, const QRectF &r) {
        p.setPen(QPen(QColor(90, 90, 90), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(1.5, 1.5, -1.5, -1.5));
    });
    // Maker's mark: three offset bars in the block colours beside the maker's name.
    save("images/qrxlogo.s.png", 170, 60, [](QPainter &p, const QRectF &) {
        const QColor colours[] = {inputColour.darker(130), preColour.darker(130),
                                  outputColour.darker(130)};
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            p.setBrush(colours[i]);
            p.drawRoundedRect(QRectF(4 + i * 8, 12 + i * 13, 34, 10), 5, 5);
        }
        QFont name(QStringLiteral("DejaVu Sans"));
        name.setPixelSize(24);
        name.setBold(true);
        name.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        QPainterPath word;
        word.addText(QPointF(56, 34), name, QStringLiteral("QUORIX"));
        p.setBrush(QColor(50, 70, 100));
        p.drawPath(word);
        QFont line(QStringLiteral("DejaVu Sans"));
        line.setPixelSize(10);
        line.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
        QPainterPath tagLine;
        tagLine.addText(QPointF(57, 50), line, QStringLiteral("INSTRUMENTS"));
        p.setBrush(colours[2]);
        p.drawPath(tagLine);
    });
}

// Tool-bar icons: 32 x 32, simple glyphs on a transparent ground.
void toolIcons()
{
    const QColor ink(50, 70, 100);
    auto icon = [](const char *file, const Drawer &d) { save(file, 32, 32, d); };
    auto sheet = [&](QPainter &p, const QColor &fill) {
        QPolygonF page;
        page << QPointF(7, 3) << QPointF(20, 3) << QPointF(26, 9) << QPointF(26, 29)
             << QPointF(7, 29);
        p.setPen(QPen(ink, 1.5));
        p.setBrush(fill);
        p.drawPolygon(page);
        p.drawLine(QPointF(20, 3), QPointF(20, 9));
        p.drawLine(QPointF(20, 9), QPointF(26, 9));
    };
    auto curvedArrow = [&](QPainter &p, bool left) {
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        if (left) {
            path.moveTo(9, 13);
            path.cubicTo(14, 6, 26, 8, 25, 20);
        } else {
            path.moveTo(23, 13);
            path.cubicTo(18, 6, 6, 8, 7, 20);
        }
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        QPolygonF head;
        if (left)
            head << QPointF(4, 9) << QPointF(14, 8) << QPointF(8, 18);
        else
            head << QPointF(28, 9) << QPointF(18, 8) << QPointF(24, 18);
        p.drawPolygon(head);
    };

    icon("Zivra_icon/Zivra_New_file.png",
         [&](QPainter &p, const QRectF &) { sheet(p, Qt::white); });
    icon("Zivra_icon/Zivra_folder2.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(QColor(150, 110, 30), 1.5));
        p.setBrush(QColor(245, 200, 90));
        QPolygonF f;
        f << QPointF(3, 8) << QPointF(12, 8) << QPointF(15, 11) << QPointF(29, 11)
          << QPointF(29, 27) << QPointF(3, 27);
        p.drawPolygon(f);
    });
    icon("Zivra_icon/Zivra_Save1.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(90, 130, 200));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(8, 18, 16, 10));
    });
    icon("Zivra_icon/Zivra_Update.png", [&](QPainter &p, const QRectF &) {
        // Download to the module: an arrow into a box.
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(200, 220, 200));
        p.drawRect(QRectF(4, 20, 24, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 140, 60));
        QPolygonF a;
        a << QPointF(12, 3) << QPointF(20, 3) << QPointF(20, 12) << QPointF(25, 12)
          << QPointF(16, 21) << QPointF(7, 12) << QPointF(12, 12);
        p.drawPolygon(a);
    });
    icon("Zivra_icon/Zivra_Counter1.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(30, 40, 50));
        p.drawRoundedRect(QRectF(3, 8, 26, 16), 3, 3);
        p.setPen(QPen(QColor(90, 230, 120), 2));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(7 + i * 6, 12), QPointF(7 + i * 6, 20));
    });
    icon("Zivra_icon/switch.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(120, 200, 120));
        p.drawRoundedRect(QRectF(3, 10, 26, 12), 6, 6);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(17, 10, 12, 12));
    });
    icon("Zivra_icon/Zivra_Undo.png", [&](QPainter &p, const QRectF &) { curvedArrow(p, true); });
    icon("Zivra_icon/Zivra_Redo.png", [&](QPainter &p, const QRectF &) { curvedArrow(p, false); });
    icon("Zivra_icon/Zivra_Cut.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 20, 8, 8));
        p.drawEllipse(QRectF(19, 20, 8, 8));
        p.drawLine(QPointF(11, 21), QPointF(22, 4));
        p.drawLine(QPointF(21, 21), QPointF(10, 4));
    });
    icon("Zivra_icon/Zivra_copy.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(4, 4, 16, 19));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(12, 10, 16, 19));
    });
    icon("Zivra_icon/Zivra_paste.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(200, 160, 100));
        p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(10, 3, 10, 5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(13, 13, 15, 16));
    });
    icon("Zivra_icon/Zivra_DRC.png", [&](QPainter &p, const QRectF &) {
        sheet(p, QColor(250, 250, 240));
        p.setPen(QPen(QColor(40, 150, 60), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 18), QPointF(15, 23));
        p.drawLine(QPointF(15, 23), QPointF(23, 12));
    });
    icon("Zivra_icon/Zivra_Edit.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(245, 200, 80));
        QPolygonF pencil;
        pencil << QPointF(22, 3) << QPointF(29, 10) << QPointF(11, 28) << QPointF(3, 29)
               << QPointF(4, 21);
        p.drawPolygon(pencil);
    });
    icon("Zivra_icon/Zivra_rename2.png", [&](QPainter &p, const QRectF &) {
        p.setPen(QPen(ink, 1.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3, 10, 26, 12));
        p.setPen(QPen(ink, 2));
        p.drawLine(QPointF(20, 6), QPointF(20, 26));
        p.drawLine(QPointF(17, 6), QPointF(23, 6));
        p.drawLine(QPointF(17, 26), QPointF(23, 26));
        p.setPen(QPen(QColor(150, 150, 150), 2));
        p.drawLine(QPointF(7, 16), QPointF(16, 16));
    });
    icon("Zivra_icon/Zivra_Cofigure.png", [&](QPainter &p, const QRectF &) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.translate(16, 16);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.rotate(45);
        }
        p.drawEllipse(QPointF(0, 0), 10, 10);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0, 0), 4, 4);
    });
}

void applicationIcon()
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(40, 60, 90), 2));
        p.setBrush(QColor(60, 90, 140));
        p.drawRoundedRect(QRectF(3, 3, 58, 58), 10, 10);
        // Three blocks joined by wires: the diagram in miniature.
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(22, 20), QPointF(32, 32));
        p.drawLine(QPointF(22, 44), QPointF(32, 32));
        p.drawLine(QPointF(42, 32), QPointF(52, 32));
        p.setPen(Qt::NoPen);
        p.setBrush(inputColour);
        p.drawRoundedRect(QRectF(10, 14, 12, 12), 2, 2);
        p.drawRoundedRect(QRectF(10, 38, 12, 12), 2, 2);
        p.setBrush(preColour);
        p.drawRoundedRect(QRectF(30, 24, 14, 16), 2, 2);
        p.setBrush(outputColour);
        p.drawRoundedRect(QRectF(50, 27, 8, 10), 2, 2);
    }
    const QString path = outDir + QStringLiteral("/zivra.ico");
    QImageWriter writer(path, "ico");
    if (!writer.write(image.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation))) {
        QTextStream(stderr) << "cannot write " << path << ": " << writer.errorString() << "\n";
        ++failures;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: zivra-imagegen <resources directory>\n";
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    blockIcons();
    paletteAndStrip();
    smallPictures();
    toolIcons();
    applicationIcon();
    return failures ? 1 : 0;
}
