#include "runtime/report/render/painter.h"

#include <jpeglib.h>

#include <QFont>
#include <QFontMetricsF>
#include <QPen>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <memory>
#include <tuple>

#include "runtime/files/input_file.h"

namespace rt::report::render {

namespace {

QColor color(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

// Larger picture files are no logo.
constexpr std::uint64_t kMaxPictureBytes = 64 << 20;

void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void jpegQuiet(j_common_ptr, int) {}

QImage loadJpeg(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    err.mgr.emit_message = jpegQuiet;
    QImage img;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(f);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, f);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    // Pictures larger than 20000 pixels a side are refused rather than allocated.
    if (info.output_width > 20000 || info.output_height > 20000 || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        std::fclose(f);
        return {};
    }
    img = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = img.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(f);
    return img;
}

bool isJpeg(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char magic[3] = {0, 0, 0};
    const bool jpeg = std::fread(magic, 1, 3, f) == 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;
    std::fclose(f);
    return jpeg;
}

QPen pen(const PageItem& it) {
    if (!it.hasBorder) return Qt::NoPen;
    QPen p(color(it.color));
    p.setWidthF(it.thickness > 0 ? static_cast<qreal>(it.thickness) : 0.0);  // 0: a hairline
    p.setCosmetic(it.thickness <= 0);
    return p;
}

}  // namespace

QImage loadPicture(const std::string& path) {
    // A picture named in a setting is read only when it is a file of a sane size.
    if (!rt::inputFileProblem(path, kMaxPictureBytes).empty()) return {};
    if (isJpeg(path)) return loadJpeg(path);
    QImage img;
    img.load(QString::fromStdString(path));
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

    std::map<std::tuple<std::string, int, int, bool>, QFont> fonts;
    std::map<std::string, QImage> pictures;
    for (const PageItem& it : page.items) {
        const QRectF r(static_cast<qreal>(it.x), static_cast<qreal>(it.y), static_cast<qreal>(it.w),
                       static_cast<qreal>(it.h));
        switch (it.kind) {
        case 'T': {
            if (it.text.empty()) break;
            auto key = std::make_tuple(it.font, it.size, it.weight, it.italic);
            auto f = fonts.find(key);
            if (f == fonts.end()) {
                QFont font(QString::fromStdString(it.font));
                // Sizes in thousandths of an inch: a point is 1000 / 72 of them.
                font.setPixelSize(std::max(1, static_cast<int>(it.size * 1000 / 72.0 + 0.5)));
                font.setWeight(it.weight >= 600 ? QFont::Bold : QFont::Normal);
                font.setItalic(it.italic);
                font.setHintingPreference(QFont::PreferNoHinting);
                f = fonts.emplace(key, font).first;
            }
            painter.setFont(f->second);
            painter.setPen(color(it.color));
            const int align = (it.align == 'C' ? Qt::AlignHCenter : it.align == 'R' ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignTop;
            QString text = QString::fromStdString(it.text);
            if (it.clip && it.align == 'L') {
                // Characters that start beyond the right edge are never seen: leave them out
                // (rules of many underscores would otherwise cost most of a page's drawing).
                const QFontMetricsF fm(f->second);
                qreal x = 0;
                qsizetype n = 0;
                while (n < text.size() && x <= r.width()) x += fm.horizontalAdvance(text.at(n++));
                if (n + 2 < text.size()) text.truncate(n + 2);
            }
            if (it.clip) {
                // Cut at the right edge only: a text may stand taller than its control.
                painter.setClipRect(QRectF(r.x(), r.y() - r.height(), r.width(), r.height() * 3 + 1000) & pageRect);
                painter.drawText(r, align | Qt::TextDontClip, text);
                painter.setClipRect(pageRect);
            } else {
                painter.drawText(r, align | Qt::TextDontClip, text);
            }
            break;
        }
        case 'B':
            painter.setPen(pen(it));
            painter.setBrush(it.hasFill ? QBrush(color(it.fill)) : Qt::NoBrush);
            if (it.hasFill && !it.hasBorder) painter.fillRect(r, color(it.fill));
            else painter.drawRect(r);
            break;
        case 'E':
            painter.setPen(pen(it));
            painter.setBrush(it.hasFill ? QBrush(color(it.fill)) : Qt::NoBrush);
            painter.drawEllipse(r);
            break;
        case 'L': {
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
