#pragma once
// The reference the page renderers are measured against: a bare Qt program that draws the
// same page files into a PDF the way anyone would write it from the page file format (see
// runtime/report/page_file.h) with QPainter and QPdfWriter, and nothing of the program's own
// drawing code. It draws the same picture: white paper, the items in file order, and a text
// whose ink (measured with QFontMetricsF) comes within a 300 dpi pixel of a side of its box cut
// at the box's sides; of a long text cut so, the characters that start beyond the box are
// left out.
//
// It also renders pages of two PDFs with pdftoppm and compares them pixel by pixel, so a
// benchmark can show that both sides drew the same pages.
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bench_support.h"
#include "runtime/report/render/gui_host.h"

namespace bench {

namespace bare {

inline QColor rgb(const std::string& hex) {
    if (hex.size() != 6) return Qt::black;
    const unsigned v = static_cast<unsigned>(std::strtoul(hex.c_str(), nullptr, 16));
    return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

// Splits a line at '|' into at most n fields; the last holds the rest of the line.
inline std::vector<std::string> split(const std::string& line, std::size_t n) {
    std::vector<std::string> f;
    std::size_t start = 0;
    while (f.size() + 1 < n) {
        const std::size_t bar = line.find('|', start);
        if (bar == std::string::npos) break;
        f.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    f.push_back(line.substr(start));
    return f;
}

inline QString unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char c = s[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += s[i];
        }
    }
    return QString::fromStdString(out);
}

inline QPen pen(const std::string& colour, const std::string& thickness) {
    if (colour == "-") return Qt::NoPen;
    QPen p(rgb(colour));
    const double t = std::atof(thickness.c_str());
    p.setWidthF(t);
    p.setCosmetic(t <= 0);
    return p;
}

struct Drawer {
    std::map<std::tuple<std::string, int, bool, bool>, std::pair<QFont, QFontMetricsF>> fonts;
    std::map<std::string, QImage> pictures;

    const std::pair<QFont, QFontMetricsF>& fontOf(const std::string& name, int size, bool bold, bool italic) {
        const auto key = std::make_tuple(name, size, bold, italic);
        auto f = fonts.find(key);
        if (f == fonts.end()) {
            QFont q(QString::fromStdString(name));
            q.setPixelSize(std::max(1, static_cast<int>(size * 1000 / 72.0 + 0.5)));  // thousandths of an inch
            q.setWeight(bold ? QFont::Bold : QFont::Normal);
            q.setItalic(italic);
            q.setHintingPreference(QFont::PreferNoHinting);
            f = fonts.emplace(key, std::make_pair(q, QFontMetricsF(q))).first;
        }
        return f->second;
    }

    void text(QPainter& p, const std::vector<std::string>& f) {
        // x y w h align clip size weight italic colour font text
        const QString text = unescape(f[11]);
        if (text.isEmpty()) return;
        const QRectF r(std::atof(f[0].c_str()), std::atof(f[1].c_str()), std::atof(f[2].c_str()),
                       std::atof(f[3].c_str()));
        const auto& [font, metrics] = fontOf(f[10], std::atoi(f[6].c_str()), std::atoi(f[7].c_str()) >= 600, f[8] == "1");
        p.setFont(font);
        p.setPen(f[9] == "-" ? QColor(Qt::black) : rgb(f[9]));
        const char a = f[4].empty() ? 'L' : f[4][0];
        const int align = (a == 'C' ? Qt::AlignHCenter : a == 'R' ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
        bool cut = false;
        QString shown = text;
        if (f[5] == "1" && a == 'L' && text.size() > 48) {
            qreal x = 0;
            qsizetype n = 0;
            while (n < text.size() && x <= r.width()) x += metrics.horizontalAdvance(text.at(n++));
            if (n + 2 < text.size()) {
                shown.truncate(n + 2);
                cut = true;
            }
        }
        if (f[5] == "1" && !cut) {
            // Where the text's ink lies once aligned in its box.
            const qreal width = a == 'L' ? 0 : metrics.horizontalAdvance(text);
            const qreal x = a == 'C' ? r.x() + (r.width() - width) / 2 : a == 'R' ? r.right() - width : r.x();
            const QRectF ink = metrics.boundingRect(text).translated(x, 0);
            const qreal near = 1000.0 / 300;
            cut = ink.left() < r.left() + near || ink.right() > r.right() - near;
            for (const QChar c : text) cut = cut || c.unicode() < 0x20;
        }
        if (cut) {
            p.save();
            p.setClipRect(QRectF(r.x(), r.y() - r.height(), r.width(), r.height() * 3 + 1000));
        }
        p.drawText(r, align | Qt::TextDontClip, shown);
        if (cut) p.restore();
    }

    void page(QPainter& p, const std::string& file, const QRectF& target) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        if (!std::getline(in, line)) return;
        const auto head = split(line, 4);
        if (head.size() < 4) return;
        const double w = std::atof(head[2].c_str()), h = std::atof(head[3].c_str());
        p.save();
        p.fillRect(target, Qt::white);
        p.translate(target.topLeft());
        p.scale(target.width() / w, target.height() / h);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        while (std::getline(in, line)) {
            if (line.size() < 2 || line[1] != '|') continue;
            const char kind = line[0];
            const std::string rest = line.substr(2);
            if (kind == 'T') {
                const auto f = split(rest, 12);
                if (f.size() == 12) text(p, f);
                continue;
            }
            if (kind == 'I') {
                const auto f = split(rest, 5);
                if (f.size() < 5) continue;
                const std::string path = unescape(f[4]).toStdString();
                auto pic = pictures.find(path);
                if (pic == pictures.end()) pic = pictures.emplace(path, QImage(QString::fromStdString(path))).first;
                if (!pic->second.isNull())
                    p.drawImage(QRectF(std::atof(f[0].c_str()), std::atof(f[1].c_str()), std::atof(f[2].c_str()),
                                       std::atof(f[3].c_str())),
                                pic->second);
                continue;
            }
            const auto f = split(rest, kind == 'L' ? 6 : 7);
            if (f.size() < 6) continue;
            const double x = std::atof(f[0].c_str()), y = std::atof(f[1].c_str());
            const double a = std::atof(f[2].c_str()), b = std::atof(f[3].c_str());
            if (kind == 'L') {
                p.setPen(pen(f[4] == "-" ? "000000" : f[4], f[5]));
                p.drawLine(QPointF(x, y), QPointF(a, b));
            } else if (kind == 'B' || kind == 'E') {
                if (f.size() < 7) continue;
                const QRectF r(x, y, a, b);
                p.setPen(pen(f[5], f[6]));
                p.setBrush(f[4] == "-" ? QBrush(Qt::NoBrush) : QBrush(rgb(f[4])));
                if (kind == 'E') p.drawEllipse(r);
                else if (f[4] != "-" && f[5] == "-") p.fillRect(r, rgb(f[4]));
                else p.drawRect(r);
            }
        }
        p.restore();
    }
};

}  // namespace bare

// The page files drawn into one PDF by the bare program, at each file's paper size.
inline bool barePdf(const std::vector<std::string>& pages, const std::string& file) {
    bool ok = false;
    rt::report::render::onGuiHost([&] {
        QPdfWriter pdf(QString::fromStdString(file));
        pdf.setTitle("SongBook");
        pdf.setCreator("Cantorelle");
        pdf.setResolution(1200);
        bare::Drawer drawer;
        QPainter painter;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            std::ifstream in(pages[i]);
            std::string head;
            std::getline(in, head);
            const auto f = bare::split(head, 4);
            const double w = f.size() == 4 ? std::atof(f[2].c_str()) : 8500, h = f.size() == 4 ? std::atof(f[3].c_str()) : 11000;
            pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(std::min(w, h) / 1000, std::max(w, h) / 1000), QPageSize::Inch,
                                                    QString(), QPageSize::ExactMatch),
                                          w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
            if (i == 0) {
                if (!painter.begin(&pdf)) return;
            } else if (!pdf.newPage()) {
                return;
            }
            drawer.page(painter, pages[i], QRectF(painter.viewport()));
        }
        ok = painter.end();
    });
    return ok;
}

// Renders page `page` (from 1) of both PDFs with pdftoppm at `dpi` and compares the pictures
// pixel by pixel: the number of pixels that differ, or -1 when a page could not be rendered.
inline long differingPixels(const std::string& a, const std::string& b, int page, int dpi) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("bench-renders-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto render = [&](const std::string& pdf, const char* name) {
        const std::string out = (dir / name).string();
        const std::string cmd = "pdftoppm -png -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " -singlefile '" + pdf + "' '" + out + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) return QImage();
        return QImage(QString::fromStdString(out + ".png"));
    };
    const QImage x = render(a, "a"), y = render(b, "b");
    fs::remove_all(dir);
    if (x.isNull() || y.isNull() || x.size() != y.size()) return -1;
    long differ = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            if (x.pixel(col, row) != y.pixel(col, row)) ++differ;
    return differ;
}

// Pages 1, the middle one and the last of two PDFs of `pages` pages compared at 100 dpi:
// "equal", "DIFFER" or "not compared (pdftoppm)"; `equal` tells which.
inline std::string compareRenders(const std::string& a, const std::string& b, int pages, bool& equal) {
    long differ = 0;
    for (int page : {1, pages / 2 + 1, pages}) {
        const long d = differingPixels(a, b, page, 100);
        differ = d < 0 || differ < 0 ? -1 : differ + d;
    }
    equal = differ == 0;
    return differ == 0 ? "equal" : differ < 0 ? "not compared (pdftoppm)" : "DIFFER";
}

}  // namespace bench
