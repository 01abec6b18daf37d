#include "frontend/qt/resources.h"

#include <QApplication>
#include <QConicalGradient>
#include <QFontMetricsF>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <map>

#include "frontend/qt/units.h"

namespace qtfe {

namespace {

// The workspace's colour, 0x800040 as the program gives it (blue 0x80, red 0x40).
QColor purple() { return QColor(0x40, 0x00, 0x80); }

const char* const kTitleLine1 = "Cantorelle V2";
const char* const kTitleLine2 = "SongBook Maker PLUS";

QFont sansFont(qreal pixels, bool bold) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::floor(pixels))));
    f.setBold(bold);
    return f;
}

// ---- icon parts, drawn on a 32 x 32 grid ----

// Maps the 32 x 32 grid onto box for the duration of one part.
class Grid {
public:
    Grid(QPainter& p, const QRectF& box) : p_(p) {
        p_.save();
        p_.translate(box.topLeft());
        p_.scale(box.width() / 32.0, box.height() / 32.0);
    }
    ~Grid() { p_.restore(); }
    Grid(const Grid&) = delete;
    Grid& operator=(const Grid&) = delete;
private:
    QPainter& p_;
};

// Two beamed quavers.
void drawNote(QPainter& p, const QRectF& box, const QColor& fill, const QColor& outline = {}) {
    Grid g(p, box);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    auto head = [&](QPointF c) {
        QPainterPath e;
        e.addEllipse(QPointF(0, 0), 5.2, 3.7);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(-22);
        path.addPath(t.map(e));
    };
    head({9, 25});
    head({23, 22});
    path.addRect(QRectF(12.3, 7.5, 2.3, 17.5));
    path.addRect(QRectF(26.3, 4.5, 2.3, 17.5));
    QPolygonF beam;
    beam << QPointF(12.3, 7.0) << QPointF(28.6, 3.8) << QPointF(28.6, 8.6) << QPointF(12.3, 11.8);
    path.addPolygon(beam);
    path.closeSubpath();
    p.setPen(outline.isValid() ? QPen(outline, 1.2) : Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path.simplified());
}

// A compact disc, seen from above.
void drawDisc(QPainter& p, const QRectF& box) {
    Grid g(p, box);
    const QPointF c(16, 16);
    QConicalGradient sheen(c, 30);
    sheen.setColorAt(0.00, QColor(0xC8, 0xCC, 0xDA));
    sheen.setColorAt(0.15, QColor(0x90, 0xC0, 0xF0));
    sheen.setColorAt(0.32, QColor(0xE8, 0xA8, 0xDC));
    sheen.setColorAt(0.50, QColor(0xC4, 0xC8, 0xD8));
    sheen.setColorAt(0.66, QColor(0xF4, 0xE0, 0x90));
    sheen.setColorAt(0.82, QColor(0x9C, 0xDC, 0xC4));
    sheen.setColorAt(1.00, QColor(0xC8, 0xCC, 0xDA));
    p.setPen(QPen(QColor(0x48, 0x4E, 0x6E), 1.6));
    p.setBrush(sheen);
    p.drawEllipse(c, 14.8, 14.8);
    p.setPen(QPen(QColor(0x70, 0x76, 0x94), 1.0));
    p.setBrush(QColor(0xEE, 0xEE, 0xF4));
    p.drawEllipse(c, 5.2, 5.2);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 2.2, 2.2);
}

// A round badge in a corner: a plus sign (add) or a number sign (numbering).
void drawBadge(QPainter& p, const QPointF& c, qreal r, const QColor& fill, const QColor& edge, bool plus) {
    p.setPen(QPen(edge, 1.2));
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
    QPen mark(Qt::white, r * (plus ? 0.42 : 0.26), Qt::SolidLine, Qt::FlatCap);
    p.setPen(mark);
    if (plus) {
        const qreal a = r * 0.6;
        p.drawLine(QPointF(c.x() - a, c.y()), QPointF(c.x() + a, c.y()));
        p.drawLine(QPointF(c.x(), c.y() - a), QPointF(c.x(), c.y() + a));
    } else {
        const qreal a = r * 0.58, s = r * 0.22, h = r * 0.25;
        p.drawLine(QPointF(c.x() - h + s, c.y() - a), QPointF(c.x() - h - s, c.y() + a));
        p.drawLine(QPointF(c.x() + h + s, c.y() - a), QPointF(c.x() + h - s, c.y() + a));
        p.drawLine(QPointF(c.x() - a, c.y() - h), QPointF(c.x() + a, c.y() - h));
        p.drawLine(QPointF(c.x() - a, c.y() + h), QPointF(c.x() + a, c.y() + h));
    }
}

// A rounded box shaded from first to last along from -> to, outlined with edge.
void drawShadedBox(QPainter& p, const QRectF& box, qreal radius, QPointF from, QPointF to, const QColor& first,
                   const QColor& last, const QPen& edge) {
    QLinearGradient g(from, to);
    g.setColorAt(0, first);
    g.setColorAt(1, last);
    p.setPen(edge);
    p.setBrush(g);
    p.drawRoundedRect(box, radius, radius);
}

// The square tile under a tool icon's sign, shaded from top to bottom.
const QRectF kTile(3, 3, 26, 26);
void drawTile(QPainter& p, const QColor& top, const QColor& bottom, const QColor& edge) {
    drawShadedBox(p, kTile, 5, QPointF(0, 3), QPointF(0, 29), top, bottom, QPen(edge, 1.2));
}

void plusBadge(QPainter& p) { drawBadge(p, {24, 24}, 7.4, QColor(0x2E, 0x9E, 0x3E), QColor(0x1B, 0x62, 0x26), true); }

// ---- the icons ----

void paintSongBook(QPainter& p) {
    p.setPen(QPen(QColor(0x5A, 0x4A, 0x7A), 1.0));
    p.setBrush(QColor(0xF7, 0xF3, 0xEA));
    p.drawRoundedRect(QRectF(8.5, 5.5, 20, 24.5), 2, 2);
    p.setPen(QPen(QColor(0xC8, 0xC0, 0xB0), 0.8));
    for (qreal x : {26.5, 24.5}) p.drawLine(QPointF(x, 28.5), QPointF(x, 29.5));
    drawShadedBox(p, QRectF(3.5, 1.8, 21, 26.2), 2.5, QPointF(4, 2), QPointF(26, 28), QColor(0x6E, 0x22, 0xB8), purple(),
                  QPen(QColor(0x22, 0x00, 0x48), 1.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x00, 0x48, 170));
    p.drawRect(QRectF(4.1, 2.4, 3.2, 25));
    drawNote(p, QRectF(9, 7, 14.5, 15), Qt::white);
}

void paintOpenBook(QPainter& p) {
    p.setPen(QPen(QColor(0x22, 0x00, 0x48), 1.0));
    p.setBrush(purple());
    p.drawRoundedRect(QRectF(1, 9, 30, 20), 2, 2);
    auto page = [&](qreal outer) {
        QPainterPath path;
        path.moveTo(outer, 6.5);
        path.quadTo((outer + 16) / 2, 5, 16, 8.5);
        path.lineTo(16, 27.5);
        path.quadTo((outer + 16) / 2, 24, outer, 25.5);
        path.closeSubpath();
        p.setPen(QPen(QColor(0x6A, 0x5A, 0x8A), 1.0));
        p.setBrush(QColor(0xFB, 0xF8, 0xF0));
        p.drawPath(path);
    };
    page(3);
    page(29);
    p.setPen(QPen(QColor(0xA8, 0xA0, 0xB8), 1.0));
    for (qreal y : {11.5, 15.0, 18.5, 22.0}) p.drawLine(QPointF(6, y), QPointF(13.5, y + 0.6));
    drawNote(p, QRectF(18, 9.5, 10.5, 12.5), purple());
}

void paintAddDiscs(QPainter& p) {
    drawDisc(p, QRectF(0, 0, 27, 27));
    plusBadge(p);
}

void paintAddTracks(QPainter& p) {
    drawNote(p, QRectF(0, 1, 25, 25), QColor(0x4A, 0x14, 0x90));
    plusBadge(p);
}

void paintEdit(QPainter& p) {
    p.save();
    p.translate(16, 16);
    p.rotate(-45);
    p.setPen(QPen(QColor(0x6A, 0x52, 0x10), 1.1));
    p.setBrush(QColor(0xF2, 0xC2, 0x30));
    p.drawRect(QRectF(-9, -4, 17, 8));
    p.setBrush(QColor(0xB8, 0xBC, 0xC6));
    p.drawRect(QRectF(8, -4, 3, 8));
    p.setBrush(QColor(0xE8, 0x8A, 0xA0));
    p.drawRoundedRect(QRectF(11, -4, 4, 8), 1.5, 1.5);
    QPolygonF wood;
    wood << QPointF(-9, -4) << QPointF(-16, 0) << QPointF(-9, 4);
    p.setBrush(QColor(0xF0, 0xD8, 0xA8));
    p.drawPolygon(wood);
    QPolygonF lead;
    lead << QPointF(-13.4, -1.5) << QPointF(-16, 0) << QPointF(-13.4, 1.5);
    p.setBrush(QColor(0x30, 0x30, 0x38));
    p.drawPolygon(lead);
    p.restore();
}

void paintRenumber(QPainter& p) {
    drawTile(p, QColor(0x4A, 0x8A, 0xE0), QColor(0x1E, 0x4E, 0x9A), QColor(0x14, 0x3A, 0x75));
    p.setPen(QPen(Qt::white, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 8), QPointF(11.5, 24));
    p.drawLine(QPointF(21.5, 8), QPointF(19, 24));
    p.drawLine(QPointF(8.5, 13), QPointF(24.5, 13));
    p.drawLine(QPointF(7.5, 19), QPointF(23.5, 19));
}

void paintRenumberDisc(QPainter& p) {
    drawDisc(p, QRectF(0, 0, 27, 27));
    drawBadge(p, {24, 24}, 7.4, QColor(0xE0, 0x7A, 0x10), QColor(0x8A, 0x48, 0x08), false);
}

void paintWebPage(QPainter& p) {
    const QPointF c(16, 16);
    QRadialGradient g(QPointF(12, 11), 17);
    g.setColorAt(0, QColor(0x9C, 0xD2, 0xFF));
    g.setColorAt(1, QColor(0x1F, 0x5F, 0xBF));
    p.setPen(QPen(QColor(0x12, 0x3C, 0x80), 1.2));
    p.setBrush(g);
    p.drawEllipse(c, 13.5, 13.5);
    p.setPen(QPen(QColor(255, 255, 255, 210), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 5.8, 13.5);
    p.drawLine(QPointF(16, 2.5), QPointF(16, 29.5));
    p.drawLine(QPointF(2.5, 16), QPointF(29.5, 16));
    p.drawLine(QPointF(5, 9), QPointF(27, 9));
    p.drawLine(QPointF(5, 23), QPointF(27, 23));
}

void paintPrint(QPainter& p) {
    p.setPen(QPen(QColor(0x70, 0x70, 0x78), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 3.5, 13, 10));
    drawShadedBox(p, QRectF(2.5, 12, 27, 13), 2.5, QPointF(0, 12), QPointF(0, 25), QColor(0xD6, 0xDA, 0xE2),
                  QColor(0x86, 0x8C, 0x98), QPen(QColor(0x40, 0x46, 0x50), 1.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x34, 0x3C));
    p.drawRect(QRectF(7, 20, 18, 2));
    p.setBrush(QColor(0x30, 0xD0, 0x40));
    p.drawEllipse(QPointF(25.5, 15.5), 1.4, 1.4);
    p.setPen(QPen(QColor(0x70, 0x70, 0x78), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 21, 13, 9));
    p.setPen(QPen(QColor(0x90, 0x90, 0xA0), 1.0));
    for (qreal y : {24.0, 27.0}) p.drawLine(QPointF(12, y), QPointF(20, y));
}

// When the style has no picture for an action: its letter on a plain badge.
void paintLetter(QPainter& p, QChar letter) {
    drawTile(p, QColor(0x7A, 0x3A, 0xC0), purple(), QColor(0x22, 0x00, 0x48));
    p.setPen(Qt::white);
    p.setFont(sansFont(20, true));
    p.drawText(kTile, Qt::AlignCenter, QString(letter));
}

// ---- the pictures ----

// Lays text into a box: the largest pixel size (up to most) at which it fits the width.
qreal fitPixels(const QString& text, qreal width, qreal most, bool bold) {
    qreal size = std::max(1.0, most);
    for (int i = 0; i < 40 && size > 4; ++i) {
        if (QFontMetricsF(sansFont(size, bold)).horizontalAdvance(text) <= width) break;
        size *= 0.93;
    }
    return size;
}

// The product's panel: a purple gradient, a staff, a disc with notes, the title.
void paintPanel(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0.0, QColor(0x5E, 0x18, 0xB0));
    bg.setColorAt(0.55, purple());
    bg.setColorAt(1.0, QColor(0x22, 0x00, 0x4A));
    p.fillRect(r, bg);

    const qreal h = r.height(), w = r.width();
    const qreal gap = std::max(3.0, h * 0.075);
    p.setPen(QPen(QColor(255, 255, 255, 38), std::max(1.0, h / 140.0)));
    for (int i = -2; i <= 2; ++i) {
        const qreal y = r.center().y() + i * gap;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }

    const qreal pad = std::max(4.0, std::min(w, h) * 0.1);
    const QString line1 = QString::fromLatin1(kTitleLine1), line2 = QString::fromLatin1(kTitleLine2);
    auto motif = [&](QPointF c, qreal d) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawEllipse(c + QPointF(d * 0.04, d * 0.05), d / 2, d / 2);
        drawDisc(p, QRectF(c.x() - d / 2, c.y() - d / 2, d, d));
        const qreal n = d * 0.52;
        drawNote(p, QRectF(c.x() + d * 0.18, c.y() - d * 0.56, n, n), QColor(0xFF, 0xD5, 0x4A),
                 QColor(0x30, 0x00, 0x60));
    };
    auto title = [&](const QRectF& first, const QRectF& second, qreal s1, qreal s2, Qt::Alignment a) {
        p.setFont(sansFont(s1, true));
        p.setPen(QColor(0, 0, 0, 110));
        p.drawText(first.translated(1, 1), a | Qt::AlignVCenter, line1);
        p.setPen(Qt::white);
        p.drawText(first, a | Qt::AlignVCenter, line1);
        p.setFont(sansFont(s2, true));
        p.setPen(QColor(0xFF, 0xD5, 0x4A));
        p.drawText(second, a | Qt::AlignVCenter, line2);
    };

    if (w < h * 2.0) {
        // A box of a picture: the motif above, the title across the foot.
        const qreal tw = w - 2 * pad;
        const qreal s1 = fitPixels(line1, tw, h * 0.2, true);
        const qreal s2 = fitPixels(line2, tw, s1 * 0.62, true);
        const qreal block = s1 * 1.2 + s2 * 1.25;
        const qreal textTop = r.bottom() - pad - block;
        const qreal room = textTop - r.top() - pad * 1.5;
        if (room > 12) {
            const qreal d = std::min(room / 1.06, w * 0.45);
            motif(QPointF(r.center().x() - d * 0.12, r.top() + pad + room / 2 + d * 0.03), d);
        }
        title(QRectF(r.left() + pad, textTop, tw, s1 * 1.2), QRectF(r.left() + pad, textTop + s1 * 1.2, tw, s2 * 1.25),
              s1, s2, Qt::AlignHCenter);
    } else {
        // A banner: the motif on the left, the title beside it.
        const qreal d = std::min(h * 0.74, w * 0.32);
        const QPointF c(r.left() + pad + d / 2, r.center().y());
        motif(c, d);
        const qreal textLeft = c.x() + d * 0.7 + pad * 0.6;  // past the note's beam
        const qreal tw = r.right() - pad - textLeft;
        const qreal s1 = fitPixels(line1, tw, h * 0.3, true);
        const qreal s2 = fitPixels(line2, tw, s1 * 0.62, true);
        const qreal top = r.center().y() - (s1 * 1.2 + s2 * 1.25) / 2;
        title(QRectF(textLeft, top, tw, s1 * 1.2), QRectF(textLeft, top + s1 * 1.2, tw, s2 * 1.25), s1, s2,
              Qt::AlignLeft);
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(r.topLeft() + QPointF(0.5, 0.5), r.topRight() + QPointF(-0.5, 0.5));
    p.drawLine(r.topLeft() + QPointF(0.5, 0.5), r.bottomLeft() + QPointF(0.5, -0.5));
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    p.drawLine(r.bottomLeft() + QPointF(0.5, -0.5), r.bottomRight() + QPointF(-0.5, -0.5));
    p.drawLine(r.topRight() + QPointF(-0.5, 0.5), r.bottomRight() + QPointF(-0.5, -0.5));
    p.restore();
}

// How the rapid disc locator is used: type the id, press Locate, the disc is selected.
void paintLocatorHelp(QPainter& p, const QRectF& r) {
    const qreal W = 360, H = 234;
    const qreal k = std::min(r.width() / W, r.height() / H);
    p.save();
    p.fillRect(r, QColor(0xFB, 0xFA, 0xFD));
    p.translate(r.center().x() - W * k / 2, r.center().y() - H * k / 2);
    p.scale(k, k);

    // Heading.
    drawShadedBox(p, QRectF(8, 8, W - 16, 28), 4, QPointF(0, 0), QPointF(W, 0), purple(), QColor(0x6E, 0x22, 0xB8),
                  Qt::NoPen);
    p.setPen(Qt::white);
    p.setFont(sansFont(14, true));
    p.drawText(QRectF(20, 8, W - 40, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Rapid Disc Locator"));

    // The prompt, the field with an id typed in, the button.
    const QColor ink(0x20, 0x20, 0x28);
    p.setPen(ink);
    p.setFont(sansFont(12, false));
    p.drawText(QRectF(16, 54, 98, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Mfr. Disc ID:"));
    const QRectF field(112, 54, 114, 26);
    p.setPen(QPen(QColor(0x7A, 0x7A, 0x8A), 1));
    p.setBrush(Qt::white);
    p.drawRect(field);
    p.setPen(ink);
    QFont typed = sansFont(14, false);
    typed.setFamily(QStringLiteral("Monospace"));
    typed.setStyleHint(QFont::Monospace);
    p.setFont(typed);
    const QString id = QStringLiteral("CV0101");
    const QRectF idRect = field.adjusted(7, 0, -4, 0);
    p.drawText(idRect, Qt::AlignLeft | Qt::AlignVCenter, id);
    const qreal caret = idRect.left() + QFontMetricsF(typed).horizontalAdvance(id) + 2;
    p.setPen(QPen(ink, 1.4));
    p.drawLine(QPointF(caret, field.top() + 5), QPointF(caret, field.bottom() - 5));

    const QRectF button(238, 53, 102, 28);
    drawShadedBox(p, button, 3, button.topLeft(), button.bottomLeft(), QColor(0xFF, 0xFF, 0xFF), QColor(0xD8, 0xD8, 0xE0),
                  QPen(QColor(0x80, 0x80, 0x8E), 1));
    p.setPen(ink);
    p.setFont(sansFont(13, false));
    p.drawText(button, Qt::AlignCenter, QStringLiteral("Locate"));
    QPolygonF pointer;
    pointer << QPointF(0, 0) << QPointF(0, 15) << QPointF(3.6, 11.6) << QPointF(6.2, 17.4)
            << QPointF(8.6, 16.4) << QPointF(6.1, 10.8) << QPointF(11, 10.8);
    p.save();
    p.translate(318, 70);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(pointer);
    p.restore();

    // The steps.
    auto step = [&](QPointF c, const QString& n, const QStringList& lines) {
        p.setPen(Qt::NoPen);
        p.setBrush(purple());
        p.drawEllipse(c, 9, 9);
        p.setPen(Qt::white);
        p.setFont(sansFont(11, true));
        p.drawText(QRectF(c.x() - 9, c.y() - 9, 18, 18), Qt::AlignCenter, n);
        p.setPen(ink);
        p.setFont(sansFont(12, false));
        for (int i = 0; i < lines.size(); ++i)
            p.drawText(QPointF(c.x() + 14, c.y() + 4.5 + 16 * i), lines[i]);
    };
    step({field.left() + 9, 100}, QStringLiteral("1"), {QStringLiteral("Type the ID")});
    step({button.left() + 9, 100}, QStringLiteral("2"), {QStringLiteral("Click Locate")});

    // The disc list, with the disc found selected.
    const QRectF list(150, 126, 190, 96);
    p.setPen(QPen(QColor(0x7A, 0x7A, 0x8A), 1));
    p.setBrush(Qt::white);
    p.drawRect(list);
    const qreal row = 19;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xE6, 0xEE));
    p.drawRect(QRectF(list.left() + 1, list.top() + 1, list.width() - 1, row - 1));
    p.setPen(ink);
    p.setFont(sansFont(11, false));
    p.drawText(QRectF(list.left() + 8, list.top(), 40, row), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tag"));
    p.drawText(QRectF(list.left() + 50, list.top(), 130, row), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Disk ID"));
    const char* const ids[] = {"CV0099", "CV0100", "CV0101", "CV0102"};
    for (int i = 0; i < 4; ++i) {
        const QRectF line(list.left() + 1, list.top() + row * (i + 1), list.width() - 1, row);
        const bool found = i == 2;
        if (found) p.fillRect(line, purple());
        p.setPen(found ? Qt::white : ink);
        p.drawText(line.adjusted(49, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(ids[i]));
    }
    const qreal foundY = list.top() + row * 3.5;
    step({30, foundY - 8}, QStringLiteral("3"), {QStringLiteral("The disc is"), QStringLiteral("selected")});
    p.setPen(QPen(purple(), 2));
    p.drawLine(QPointF(118, foundY), QPointF(142, foundY));
    QPolygonF head3;
    head3 << QPointF(147, foundY) << QPointF(139, foundY - 5) << QPointF(139, foundY + 5);
    p.setPen(Qt::NoPen);
    p.setBrush(purple());
    p.drawPolygon(head3);
    p.restore();

    p.setPen(QPen(QColor(0xA9, 0xA2, 0xBA), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

// ---- the table ----

using IconPainter = void (*)(QPainter&);
using PicturePainter = void (*)(QPainter&, const QRectF&);

struct BuiltIn {
    const char* name;          // as the program spells it
    IconPainter icon;          // an icon painted on the 32 grid, or
    int standard;              // a style's standard icon (QStyle::StandardPixmap), or -1
    char letter;               // shown when the style has none
    PicturePainter picture;    // a picture painted at the control's size
};

const BuiltIn kBuiltIns[] = {
    {"~songbook.ico", paintSongBook, -1, 0, nullptr},
    {"Book.ico", paintSongBook, -1, 0, nullptr},
    {"OpenBook2.ICO", paintOpenBook, -1, 0, nullptr},
    {"~adddiscs.ico", paintAddDiscs, -1, 0, nullptr},
    {"~addtracks.ico", paintAddTracks, -1, 0, nullptr},
    {"~edittrack.ico", paintEdit, -1, 0, nullptr},
    {"~renumber.ico", paintRenumber, -1, 0, nullptr},
    {"renumberdisc.ICO", paintRenumberDisc, -1, 0, nullptr},
    {"~webpage.ico", paintWebPage, -1, 0, nullptr},
    {"~print.ico", paintPrint, -1, 0, nullptr},
    // The print menus' picture buttons.
    {"Cddisc.ico", paintAddDiscs, -1, 0, nullptr},
    {"requestslipicon.bmp", paintEdit, -1, 0, nullptr},
    {"Printer.ico", paintPrint, -1, 0, nullptr},
    {"Diskbook.ico", paintSongBook, -1, 0, nullptr},
    {"Cusdisk.ico", paintRenumberDisc, -1, 0, nullptr},
    {"~import.ico", nullptr, QStyle::SP_DialogOpenButton, 'I', nullptr},
    {"~export.ico", nullptr, QStyle::SP_DialogSaveButton, 'E', nullptr},
    {"~close.ico", nullptr, QStyle::SP_DialogCloseButton, 'X', nullptr},
    {"~searchmaster.ico", nullptr, QStyle::SP_FileDialogContentsView, 'S', nullptr},
    {"~viewmaster.ico", nullptr, QStyle::SP_FileDialogDetailedView, 'V', nullptr},
    {"~help.ico", nullptr, QStyle::SP_MessageBoxQuestion, '?', nullptr},
    {"~deletetrack.ico", nullptr, QStyle::SP_TrashIcon, 'D', nullptr},
    {"~logo.bmp", nullptr, -1, 0, paintPanel},
    {"quickstart.bmp", nullptr, -1, 0, paintPanel},
    {"about.bmp", nullptr, -1, 0, paintPanel},
    {"addscreenlogo.bmp", nullptr, -1, 0, paintPanel},
    {"rapidlocator.bmp", nullptr, -1, 0, paintLocatorHelp},
    // The AutoUpdate windows: the wizard's picture, the download's and installation's turning icons.
    {"autoupdatewizard.bmp", nullptr, -1, 0, paintPanel},
    {"~update1.ico", nullptr, QStyle::SP_ArrowDown, 'U', nullptr},
    {"~update2.ico", nullptr, QStyle::SP_ArrowDown, 'U', nullptr},
    {"~update3.ico", nullptr, QStyle::SP_ArrowDown, 'U', nullptr},
    {"~update4.ico", nullptr, QStyle::SP_ArrowDown, 'U', nullptr},
    {"~Time005.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time006.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time007.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time008.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time009.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time010.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time011.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time012.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time013.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time014.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time015.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time016.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time017.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time018.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time019.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
    {"~Time020.ico", nullptr, QStyle::SP_BrowserReload, 'T', nullptr},
};

// Names compare by their last part, without case: "ABOUT.BMP" is "about.bmp".
QString keyOf(const std::string& name) {
    QString k = qs(name);
    const qsizetype slash = std::max(k.lastIndexOf('/'), k.lastIndexOf('\\'));
    if (slash >= 0) k = k.mid(slash + 1);
    return k.toLower();
}

const BuiltIn* find(const std::string& name) {
    if (name.empty()) return nullptr;
    const QString key = keyOf(name);
    for (const BuiltIn& b : kBuiltIns)
        if (keyOf(b.name) == key) return &b;
    return nullptr;
}

QPixmap paintedIcon(const BuiltIn& b, int size, qreal dpr) {
    const int px = std::max(1, static_cast<int>(std::lround(size * dpr)));
    QPixmap pm(px, px);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(px / 32.0, px / 32.0);
    if (b.icon) b.icon(p);
    else paintLetter(p, QChar::fromLatin1(b.letter));
    p.end();
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QIcon builtInIcon(const BuiltIn& b) {
    // Painted once per name: windows and tool bars ask again at every change.
    static std::map<const BuiltIn*, QIcon> cache;
    auto it = cache.find(&b);
    if (it != cache.end()) return it->second;
    QIcon icon;
    if (b.standard >= 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
        icon = QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(b.standard));
    if (icon.isNull() && !b.picture)
        for (int size : {16, 20, 24, 32, 48, 64}) icon.addPixmap(paintedIcon(b, size, 1.0));
    cache.emplace(&b, icon);
    return icon;
}

}  // namespace

QIcon iconFor(const std::string& name) {
    const QString file = resolveFile(name);
    if (!file.isEmpty()) {
        if (QImageReader(file).canRead()) return QIcon(file);
    }
    const BuiltIn* b = find(name);
    return b ? builtInIcon(*b) : QIcon();
}

QPixmap pictureFor(const std::string& name, QSize size, qreal dpr) {
    const QString file = resolveFile(name);
    if (!file.isEmpty()) {
        QPixmap pm(file);
        if (!pm.isNull()) return pm;
    }
    const BuiltIn* b = find(name);
    if (!b || size.width() < 1 || size.height() < 1) return {};
    if (b->picture) {
        QPixmap pm(size * dpr);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(dpr, dpr);
        b->picture(p, QRectF(QPointF(0, 0), QSizeF(size)));
        p.end();
        pm.setDevicePixelRatio(dpr);
        return pm;
    }
    const int side = std::min(size.width(), size.height());
    if (b->icon) return paintedIcon(*b, side, dpr);  // crisp at any size
    QPixmap pm = builtInIcon(*b).pixmap(QSize(side, side), dpr);
    return pm;
}

bool hasBuiltIn(const std::string& name) { return find(name) != nullptr; }

QIcon builtInProgramIcon() { return builtInIcon(kBuiltIns[0]); }

}  // namespace qtfe
