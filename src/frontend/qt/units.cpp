#include "frontend/qt/units.h"

#include <QFileInfo>
#include <QFontMetricsF>

#include <cmath>

#include "runtime/files/folder.h"

namespace qtfe {

DialogUnits DialogUnits::of(const QFont& font) {
    // As the original platform measures it: the mean width of the 52 Latin letters,
    // rounded, and the font's line height.
    QFontMetricsF fm(font);
    const double letters =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    double avg = std::round(letters / 52.0);
    double height = std::ceil(fm.height());
    if (avg < 1) avg = 1;
    if (height < 1) height = 1;
    DialogUnits u;
    u.cx = avg / 4.0;
    u.cy = height / 8.0;
    return u;
}

int DialogUnits::px(int du) const { return static_cast<int>(std::lround(du * cx)); }
int DialogUnits::py(int du) const { return static_cast<int>(std::lround(du * cy)); }
int DialogUnits::dux(int p) const { return static_cast<int>(std::lround(p / cx)); }
int DialogUnits::duy(int p) const { return static_cast<int>(std::lround(p / cy)); }

bool hasFont(const rt::Font& f) {
    return !f.name.empty() || f.size > 0 || f.weight > 0 || f.italic;
}

QFont interfaceFont() {
    // The windows were laid out for Arial at 8 points; the system gives its metric twin.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

namespace {

// The dialog faces of the original platform: here they are all the interface's one face.
bool isInterfaceFace(const std::string& name) {
    static const char* const kFaces[] = {"", "Arial", "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
                                         "Microsoft Sans Serif", "System", "Sans Serif"};
    for (const char* face : kFaces)
        if (QString::compare(qs(name), QLatin1String(face), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

QFont windowFont(const rt::Font& f) {
    QFont font = interfaceFont();
    if (!isInterfaceFace(f.name)) {
        font.setFamily(qs(f.name));
        font.setStyleHint(QFont::SansSerif);
    }
    if (f.size > 0) font.setPointSize(f.size);
    if (f.weight > 0) font.setWeight(static_cast<QFont::Weight>(f.weight));
    font.setItalic(f.italic);
    return font;
}

QFont controlFont(const QFont& base, const rt::Font& f) {
    QFont font = base;
    if (!f.name.empty()) font.setFamily(isInterfaceFace(f.name) ? interfaceFont().family() : qs(f.name));
    if (f.size > 0) font.setPointSize(f.size);
    if (f.weight > 0) font.setWeight(static_cast<QFont::Weight>(f.weight));
    if (f.italic) font.setItalic(true);
    return font;
}

QColor toColor(std::uint32_t c) {
    if (c == rt::kNoColor || (c & 0xFF000000u)) return {};
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

std::uint32_t fromColor(const QColor& c) {
    if (!c.isValid()) return rt::kNoColor;
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

QString titleText(const std::string& title) {
    return title.empty() ? QStringLiteral(" ") : qs(title);
}

QString resolveFile(const std::string& name) {
    if (name.empty()) return {};
    const QString path = qs(rt::absolutePath(name));
    QFileInfo fi(path);
    if (fi.exists() && fi.isFile()) return fi.absoluteFilePath();
    return {};
}

}  // namespace qtfe
