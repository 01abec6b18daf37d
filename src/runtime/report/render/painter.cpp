#include "runtime/report/render/painter.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPen>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "runtime/files/input_file.h"
#include "runtime/report/jpeg_picture.h"

namespace rt::report::render {

namespace {

QColor color(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// Larger picture files are no logo.
constexpr std::uint64_t kMaxPictureBytes = 64 << 20;

QPen pen(const PageItem& it) {
    if (!it.hasBorder) return Qt::NoPen;
    QPen p(color(it.color));
    p.setWidthF(it.thickness > 0 ? static_cast<qreal>(it.thickness) : 0.0);  // 0: a hairline
    p.setCosmetic(it.thickness <= 0);
    return p;
}

// A font of the page with its metrics, made once a page.
QFont fontOf(const PageItem& it) {
    QFont font(QString::fromStdString(it.font));
    // Sizes in thousandths of an inch: a point is 1000 / 72 of them.
    font.setPixelSize(std::max(1, static_cast<int>(it.size * 1000 / 72.0 + 0.5)));
    font.setWeight(it.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(it.italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

struct Font {
    explicit Font(const PageItem& it) : font(fontOf(it)), metrics(font) {}
    QFont font;
    QFontMetricsF metrics;
};

// Whether any of the text's ink could lie beyond a side of its box, as drawText places it, or
// come within `slack` of one (a clip and a glyph are placed to whole or half pixels). A clip costs
// the PDF a graphics state of its own for every text, so only the texts that need one get it;
// a text that keeps inside its box looks the same with or without one. A text too long for
// its box (a rule of underscores) is cut after the first characters that start beyond the
// right edge, as they are never seen.
bool overflows(const QFontMetricsF& fm, char align, const QRectF& box, qreal slack, QString& text) {
    if (align == 'L' && text.size() > 48) {
        qreal x = 0;
        qsizetype n = 0;
        while (n < text.size() && x <= box.width()) x += fm.horizontalAdvance(text.at(n++));
        if (n + 2 < text.size()) {
            text.truncate(n + 2);
            return true;
        }
    }
    // Lines after a line break, tabs and other controls are laid out otherwise than measured.
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029) return true;
    // drawText places a line of its whole advance (trailing blanks included) at the left, in
    // the middle or at the right of the box.
    qreal x = box.left();
    if (align != 'L') {
        const qreal advance = fm.horizontalAdvance(text);
        x = align == 'C' ? box.left() + (box.width() - advance) / 2 : box.right() - advance;
    }
    const QRectF ink = fm.boundingRect(text);
    return x + ink.left() < box.left() + slack || x + ink.right() > box.right() - slack;
}

}  // namespace

QImage loadPicture(const std::string& path) {
    // A picture named in a setting is read only when it is a file of a sane size.
    if (!rt::inputFileProblem(path, kMaxPictureBytes).empty()) return {};
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.peek(3);
    if (!looksLikeJpeg(reinterpret_cast<const std::uint8_t*>(head.constData()), static_cast<std::size_t>(head.size()))) {
        QImage img;
        img.load(&file, nullptr);
        return img;
    }
    const QByteArray bytes = file.readAll();
    RgbPicture p;
    if (!decodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()), 0,
                    p))
        return {};
    QImage img(p.width, p.height, QImage::Format_RGB888);
    for (int y = 0; y < p.height; ++y)
        std::memcpy(img.scanLine(y), p.rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) * 3,
                    static_cast<std::size_t>(p.width) * 3);
    return img;
}

void paintPage(QPainter& painter, const PageFile& page, const QRectF& target) {
    if (page.width <= 0 || page.height <= 0 || target.width() <= 0 || target.height() <= 0) return;
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    painter.scale(target.width() / static_cast<qreal>(page.width), target.height() / static_cast<qreal>(page.height));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF pageRect(0, 0, static_cast<qreal>(page.width), static_cast<qreal>(page.height));
    // How near a side of its box a text may come and still be drawn without a clip: a device
    // pixel, and for PDF and printers no less than a pixel at 300 dpi, since a viewer places
    // glyphs to half its own pixels.
    const qreal slack = std::max(static_cast<qreal>(page.width) / target.width(), 1000.0 / 300);

    std::map<std::tuple<std::string, int, int, bool>, Font> fonts;
    std::map<std::string, QImage> pictures;
    const Font* current = nullptr;
    bool textPen = false;          // the pen is a text's, of the colour textColor
    std::uint32_t textColor = 0;
    for (const PageItem& it : page.items) {
        const QRectF r(static_cast<qreal>(it.x), static_cast<qreal>(it.y), static_cast<qreal>(it.w),
                       static_cast<qreal>(it.h));
        switch (it.kind) {
        case 'T': {
            if (it.text.empty()) break;
            auto key = std::make_tuple(it.font, it.size, it.weight, it.italic);
            auto f = fonts.find(key);
            if (f == fonts.end()) f = fonts.emplace(key, Font(it)).first;
            if (current != &f->second) {
                painter.setFont(f->second.font);
                current = &f->second;
            }
            if (!textPen || textColor != it.color) {
                painter.setPen(color(it.color));
                textPen = true;
                textColor = it.color;
            }
            const int align = (it.align == 'C' ? Qt::AlignHCenter : it.align == 'R' ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignTop;
            QString text = QString::fromStdString(it.text);
            if (it.clip && overflows(f->second.metrics, it.align, r, slack, text)) {
                // Cut at the sides only: a text may stand taller than its control.
                painter.setClipRect(QRectF(r.x(), r.y() - r.height(), r.width(), r.height() * 3 + 1000) & pageRect);
                painter.drawText(r, align | Qt::TextDontClip, text);
                painter.setClipRect(pageRect);
            } else {
                painter.drawText(r, align | Qt::TextDontClip, text);
            }
            break;
        }
        case 'B':
            textPen = false;
            painter.setPen(pen(it));
            painter.setBrush(it.hasFill ? QBrush(color(it.fill)) : Qt::NoBrush);
            if (it.hasFill && !it.hasBorder) painter.fillRect(r, color(it.fill));
            else painter.drawRect(r);
            break;
        case 'E':
            textPen = false;
            painter.setPen(pen(it));
            painter.setBrush(it.hasFill ? QBrush(color(it.fill)) : Qt::NoBrush);
            painter.drawEllipse(r);
            break;
        case 'L': {
            textPen = false;
            QPen p(color(it.color));
            p.setWidthF(it.thickness > 0 ? static_cast<qreal>(it.thickness) : 0.0);
            p.setCosmetic(it.thickness <= 0);
            painter.setPen(p);
            painter.drawLine(QPointF(static_cast<qreal>(it.x), static_cast<qreal>(it.y)),
                             QPointF(static_cast<qreal>(it.w), static_cast<qreal>(it.h)));
            break;
        }
        case 'I': {
            auto p = pictures.find(it.text);
            if (p == pictures.end()) p = pictures.emplace(it.text, loadPicture(it.text)).first;
            if (!p->second.isNull()) painter.drawImage(r, p->second);
            break;
        }
        default:
            break;
        }
    }
    painter.restore();
}

void paintPageFile(QPainter& painter, const std::string& path, const QRectF& target) {
    PageFile page;
    readPageFile(path, page);  // a page that cannot be read stays blank
    paintPage(painter, page, target);
}

QSizeF pageInches(const std::string& path) {
    PageFile page;
    readPageFile(path, page);
    return QSizeF(static_cast<qreal>(page.width) / 1000.0, static_cast<qreal>(page.height) / 1000.0);
}

QImage pageImage(const std::string& path, int width) {
    PageFile page;
    readPageFile(path, page);
    width = std::clamp(width, 1, 20000);
    const int height = std::max(1, static_cast<int>(static_cast<double>(width) * page.height / page.width + 0.5));
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    paintPage(p, page, QRectF(0, 0, width, height));
    p.end();
    return img;
}

}  // namespace rt::report::render
