#include "frontend/qt/controls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>

#include "frontend/qt/list_control.h"
#include "frontend/qt/page_view.h"
#include "frontend/qt/resources.h"
#include "frontend/qt/units.h"
#include "frontend/qt/window_view.h"

namespace qtfe {

using K = rt::ControlKind;
using Ctl = rt::Control;
using Item = ControlItem;

QString withoutMnemonic(const std::string& s) {
    QString out;
    const QString t = qs(s);
    for (int i = 0; i < t.size(); ++i) {
        if (t[i] == '&') {
            if (i + 1 < t.size() && t[i + 1] == '&') { out += '&'; ++i; }
            continue;
        }
        out += t[i];
    }
    return out;
}

QString tipText(const std::string& s) {
    QString t = qs(s);
    t.replace(QStringLiteral("<10>"), QStringLiteral("\n"));
    return t.trimmed();
}

namespace {

int toInt(const std::string& s) { return std::atoi(s.c_str()); }

template <class W>
W* as(const Item& it) { return static_cast<W*>(it.w.data()); }

// What an entry's picture says about what it takes: "@s40" text of 40, "@n6b" a number,
// "@d1" a date.
struct Picture {
    QChar kind = 's';
    int length = 0;
};
Picture pictureOf(const std::string& p) {
    Picture out;
    if (p.size() < 2 || p[0] != '@') return out;
    out.kind = QChar(p[1]).toLower();
    if (out.kind == 's') {
        std::size_t i = 2;
        while (i < p.size() && p[i] >= '0' && p[i] <= '9') out.length = out.length * 10 + (p[i++] - '0');
    }
    return out;
}

// A picture keeps its colours in a window that takes no input, as the original platform's do;
// Qt would grey it.
class PictureLabel : public QLabel {
public:
    using QLabel::QLabel;
protected:
    void paintEvent(QPaintEvent* e) override {
        const QPixmap pm = pixmap();
        if (pm.isNull() || isEnabled()) {
            QLabel::paintEvent(e);
            return;
        }
        QPainter p(this);
        drawFrame(&p);
        const QRect at = QStyle::alignedRect(layoutDirection(), alignment(),
                                             pm.deviceIndependentSize().toSize(), contentsRect());
        p.drawPixmap(at.topLeft(), pm);
    }
};

// A field the user cannot change looks so: the window's colour behind its text, as a greyed
// field has, unless the program gave it a colour of its own.
void showReadOnly(QWidget* w, const Ctl& c) {
    if (toColor(c.bg).isValid()) return;
    QPalette pal = w->palette();
    const QColor base = c.readOnly ? pal.color(QPalette::Window) : QApplication::palette(w).color(QPalette::Base);
    if (pal.color(QPalette::Base) == base) return;
    pal.setColor(QPalette::Base, base);
    w->setPalette(pal);
}

// ---- the adapters, one per kind ----

struct ButtonAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* b = new QPushButton(v.canvas());
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, &v, [&v, id = c.id] { v.command(id); });
        it.w = b;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* b = as<QPushButton>(it);
        b->setText(qs(c.text));
        b->setDefault(c.isDefault);
        b->setIcon(iconFor(c.icon));
    }
};

struct EntryAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* e = new QLineEdit(v.canvas());
        QObject::connect(e, &QLineEdit::editingFinished, &v, [&v, id = c.id] { v.commit(id); });
        it.w = e;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* e = as<QLineEdit>(it);
        const Picture pic = pictureOf(c.picture);
        e->setMaxLength(c.maxChars > 0 ? c.maxChars : pic.length > 0 ? pic.length : 32767);
        e->setReadOnly(c.readOnly);
        showReadOnly(e, c);
        if (pic.kind != e->property("qtfePicture").toChar()) {
            e->setProperty("qtfePicture", pic.kind);
            // Numbers and dates take only what they can hold; the program still checks them.
            if (pic.kind == 'n') e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+0-9.,$% ]*")), e));
            else if (pic.kind == 'd') e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/. -]*")), e));
            else e->setValidator(nullptr);
            e->setAlignment(pic.kind == 'n' ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        }
        const std::string text = ss(e->text());
        // Text the user is typing stays unless the program has put a new value there.
        const bool editing = e->hasFocus() && text != it.known && c.value == it.lastValue;
        if (!editing) {
            // A value the program puts there reads from its start, as on the original
            // platform: a long line shows its caption, not its last characters.
            if (text != c.value) {
                e->setText(qs(c.value));
                e->setCursorPosition(0);
            }
            it.known = c.value;
        }
        it.lastValue = c.value;
    }
    static QString edited(const Item& it) { return as<QLineEdit>(it)->text(); }
};

struct LabelAdapter {  // texts and prompts
    static void create(WindowView& v, const Ctl&, Item& it) {
        auto* l = new QLabel(v.canvas());
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        it.w = l;
    }
};

struct TextAdapter : LabelAdapter {
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* l = as<QLabel>(it);
        // A text given room for more than one line wraps within it, from the top, as the
        // original platform's static texts do; a one-line text stays on its line.
        const bool wrap = l->height() >= 2 * QFontMetrics(l->font()).lineSpacing();
        if (l->wordWrap() != wrap) {
            l->setWordWrap(wrap);
            l->setAlignment(Qt::AlignLeft | (wrap ? Qt::AlignTop : Qt::AlignVCenter));
        }
        l->setText(qs(c.text));
    }
};

struct PromptAdapter : LabelAdapter {
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* l = as<QLabel>(it);
        if (l->buddy()) {
            l->setTextFormat(Qt::PlainText);
            l->setText(qs(c.text));
        } else {
            l->setText(withoutMnemonic(c.text));
        }
    }
};

struct CheckAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* b = new QCheckBox(v.canvas());
        QObject::connect(b, &QCheckBox::clicked, &v, [&v, id = c.id](bool on) {
            if (Item* self = v.item(id)) self->known = on ? "1" : "0";
            v.flushEdits();
            rt::EventData e;
            e.code = rt::EvAccepted;
            e.control = id;
            e.text = on ? "1" : "0";
            e.hasText = true;
            v.send(e);
        });
        it.w = b;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* b = as<QCheckBox>(it);
        b->setText(qs(c.text));
        b->setChecked(!c.value.empty() && c.value != "0");
        it.known = c.value;
    }
};

// A group drawn as the windows were laid out for: its frame's top line runs through the
// middle of the title (or of a line of text, untitled), so what the program placed just
// inside the group keeps room from the frame instead of running into it.
class GroupFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm(font());
        const QString text = title();
        // Drawn here: the style's own group frame keeps a title's height clear above itself.
        const QRectF frame = QRectF(rect().adjusted(0, fm.height() / 2, 0, 0)).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(palette().color(QPalette::Window).darker(130));
        p.setBrush(QColor(0, 0, 0, 8));
        p.drawRoundedRect(frame, 2, 2);
        p.setRenderHint(QPainter::Antialiasing, false);
        if (text.isEmpty()) return;
        const int pad = fm.horizontalAdvance(QLatin1Char(' '));
        // A title wider than its place moves left, to the group's very edge if it must.
        const int textWidth = fm.horizontalAdvance(QString(text).remove('&'));
        const int bandWidth = std::min(width(), textWidth + 2 * pad);
        const int x = std::clamp(width() - bandWidth, 0, fm.averageCharWidth());
        const QRect band(x, 0, bandWidth, fm.height());
        p.fillRect(band, palette().brush(backgroundRole()));
        const int mnemonic = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this) ? Qt::TextShowMnemonic
                                                                                                : Qt::TextHideMnemonic;
        style()->drawItemText(&p, band.adjusted(std::max(0, (bandWidth - textWidth) / 2), 0, 0, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | mnemonic, palette(), isEnabled(), text,
                              QPalette::WindowText);
    }
};

struct GroupAdapter {
    static void create(WindowView& v, const Ctl&, Item& it) {
        auto* g = new GroupFrame(v.canvas());
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->setFocusPolicy(Qt::NoFocus);
        it.w = g;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) { as<QGroupBox>(it)->setTitle(qs(c.text)); }
};

// A group of radios; its value is the chosen radio's number from 1.
struct OptionAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        GroupAdapter::create(v, c, it);
        it.radios = new QButtonGroup(&v);
        it.radios->setExclusive(true);
    }
    static void apply(WindowView& v, const Ctl& c, Item& it) {
        GroupAdapter::apply(v, c, it);
        if (!it.radios) return;
        const int n = toInt(c.value);
        it.radios->setExclusive(false);
        for (std::size_t i = 0; i < it.members.size(); ++i)
            if (Item* m = v.item(it.members[i]))
                if (auto* r = qobject_cast<QRadioButton*>(m->w.data())) r->setChecked(static_cast<int>(i) + 1 == n);
        it.radios->setExclusive(true);
        it.known = c.value;
    }
};

struct RadioAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* r = new QRadioButton(v.canvas());
        QObject::connect(r, &QRadioButton::clicked, &v, [&v, id = c.id] {
            Item* self = v.item(id);
            if (!self) return;
            const int option = self->parent;
            Item* opt = v.item(option);
            rt::EventData e;
            e.code = rt::EvAccepted;
            e.hasText = true;
            if (opt && opt->kind == K::Option) {
                const auto& m = opt->members;
                const auto pos = std::find(m.begin(), m.end(), id);
                e.control = option;
                e.text = std::to_string(pos - m.begin() + 1);
                opt->known = e.text;
            } else {
                e.control = id;
                e.text = "1";
            }
            v.flushEdits();
            v.send(e);
        });
        it.w = r;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) { as<QRadioButton>(it)->setText(qs(c.text)); }
};

// Combos take typing; drop lists only offer their choices.
struct ComboAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* cb = new QComboBox(v.canvas());
        cb->setEditable(c.kind == K::Combo);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setMaxVisibleItems(16);
        QObject::connect(cb, &QComboBox::activated, &v, [&v, id = c.id](int) { v.commit(id); });
        if (cb->lineEdit())
            QObject::connect(cb->lineEdit(), &QLineEdit::editingFinished, &v, [&v, id = c.id] { v.commit(id); });
        it.w = cb;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* cb = as<QComboBox>(it);
        QStringList choices;
        for (const auto& s : c.choices) choices << qs(s);
        QStringList now;
        for (int i = 0; i < cb->count(); ++i) now << cb->itemText(i);
        if (now != choices) {
            cb->clear();
            cb->addItems(choices);
        }
        const std::string text = ss(cb->currentText());
        const bool editing = cb->isEditable() && cb->hasFocus() && text != it.known && c.value == it.lastValue;
        if (!editing) {
            const int idx = cb->findText(qs(c.value), Qt::MatchFixedString | Qt::MatchCaseSensitive);
            if (idx >= 0) cb->setCurrentIndex(idx);
            else if (cb->isEditable()) cb->setEditText(qs(c.value));
            else cb->setCurrentIndex(-1);
            it.known = c.value;
        }
        it.lastValue = c.value;
    }
    static QString edited(const Item& it) { return as<QComboBox>(it)->currentText(); }
};

struct SpinAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* sp = new QSpinBox(v.canvas());
        sp->setRange(INT_MIN, INT_MAX);
        sp->setKeyboardTracking(false);
        QObject::connect(sp, &QSpinBox::valueChanged, &v, [&v, id = c.id](int) {
            if (!v.applying()) v.commit(id);
        });
        it.w = sp;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* sp = as<QSpinBox>(it);
        sp->setReadOnly(c.readOnly);
        showReadOnly(sp, c);
        const bool editing = sp->hasFocus() && ss(QString::number(sp->value())) != it.known && c.value == it.lastValue;
        if (!editing) {
            sp->setValue(toInt(c.value));
            it.known = ss(QString::number(sp->value()));
        }
        it.lastValue = c.value;
    }
    static QString edited(const Item& it) { return QString::number(as<QSpinBox>(it)->value()); }
};

struct ListAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        it.w = new ListControl(c.id, [&v](const rt::EventData& e) { v.send(e); }, v.canvas());
    }
    static void apply(WindowView& v, const Ctl& c, Item& it) { as<ListControl>(it)->apply(c, v.units()); }
};

// Tabbed pages: the sheet is the tab widget, each tab a page of it (joined in the view's relink).
struct SheetAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* t = new QTabWidget(v.canvas());
        t->setUsesScrollButtons(true);
        QObject::connect(t, &QTabWidget::currentChanged, &v, [&v, id = c.id](int index) {
            if (v.applying() || index < 0) return;
            v.applyVisibility();
            rt::EventData e;
            e.code = rt::EvNewSelection;
            e.control = id;
            e.value = index + 1;
            v.send(e);
        });
        it.w = t;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* tw = as<QTabWidget>(it);
        const int n = c.selected > 0 ? c.selected : toInt(c.value);
        if (n >= 1 && n <= tw->count() && tw->currentIndex() != n - 1) tw->setCurrentIndex(n - 1);
    }
};

struct TabAdapter {
    static void create(WindowView&, const Ctl&, Item& it) { it.w = new QWidget; }
    static void apply(WindowView& v, const Ctl& c, Item& it) {
        Item* sheet = v.item(c.parent);
        auto* tw = sheet ? qobject_cast<QTabWidget*>(sheet->w.data()) : nullptr;
        if (!tw || !it.w) return;
        const int index = tw->indexOf(it.w);
        if (index < 0) return;
        tw->setTabText(index, qs(c.text));
        tw->tabBar()->setTabTextColor(index, toColor(c.font.color));
        tw->setTabEnabled(index, c.enabled);
        tw->setTabVisible(index, !c.hidden);
        tw->setTabToolTip(index, v.state().toolTipsOn ? tipText(c.tooltip) : QString());
    }
};

struct ImageAdapter {
    static void create(WindowView& v, const Ctl&, Item& it) {
        auto* l = new PictureLabel(v.canvas());
        l->setAlignment(Qt::AlignCenter);
        it.w = l;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* l = as<QLabel>(it);
        QPixmap pm = pictureFor(c.text, l->size(), l->devicePixelRatioF());
        if (!pm.isNull()) {
            const QSizeF shown = pm.deviceIndependentSize();
            if (shown.width() > l->width() || shown.height() > l->height()) {
                pm = pm.scaled(l->size() * pm.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            l->setFrameStyle(QFrame::NoFrame);
            l->setWordWrap(false);
            l->setPixmap(pm);
        } else {
            // A picture that is not there still shows where it would be.
            l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            l->setWordWrap(true);
            l->setText(QFileInfo(qs(c.text)).fileName());
            QPalette pal = l->palette();
            pal.setColor(QPalette::WindowText, pal.color(QPalette::Disabled, QPalette::WindowText));
            l->setPalette(pal);
        }
    }
};

// A printed page (page views of the report preview).
struct PageAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* pv = new PageView(v.canvas());
        const int id = c.id;
        pv->onEvent([&v, id](int code) { v.send(rt::EventData(code, id)); });
        it.w = pv;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        static_cast<PageView*>(it.w.data())->show(c.text, c.value);
    }
};

struct FrameAdapter {  // boxes and lines
    static void create(WindowView& v, const Ctl&, Item& it) {
        auto* f = new QFrame(v.canvas());
        f->setAttribute(Qt::WA_TransparentForMouseEvents);
        it.w = f;
    }
};

struct BoxAdapter : FrameAdapter {
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* f = as<QFrame>(it);
        f->setFrameShape(c.boxed || toColor(c.fg).isValid() || !toColor(c.bg).isValid() ? QFrame::Box : QFrame::NoFrame);
        f->setFrameShadow(toColor(c.fg).isValid() ? QFrame::Plain : QFrame::Sunken);
    }
};

struct LineAdapter : FrameAdapter {
    static void apply(WindowView&, const Ctl& c, Item& it) {
        auto* f = as<QFrame>(it);
        f->setFrameShape(c.w >= c.h ? QFrame::HLine : QFrame::VLine);
        f->setFrameShadow(QFrame::Sunken);
    }
};

struct ProgressAdapter {
    static void create(WindowView& v, const Ctl&, Item& it) {
        auto* p = new QProgressBar(v.canvas());
        p->setRange(0, 100);
        p->setTextVisible(false);
        it.w = p;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        as<QProgressBar>(it)->setValue(std::clamp(toInt(c.value), 0, 100));
    }
};

struct MenuAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        QMenu* pm = v.parentMenu(c.parent);
        QMenu* m = pm ? pm->addMenu(QString()) : v.menuBar()->addMenu(QString());
        it.menu = m;
        it.action = m->menuAction();
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        if (!it.menu) return;
        it.menu->setTitle(qs(c.text));
        // The menu widget too: a menu follows its widget, and a widget greyed by itself
        // stays greyed when its window takes input again.
        it.menu->setEnabled(c.enabled);
        it.action->setEnabled(c.enabled);
        it.action->setVisible(!c.hidden);
        it.action->setStatusTip(qs(c.message));
    }
};

struct MenuItemAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        QMenu* pm = v.parentMenu(c.parent);
        QAction* a = pm ? pm->addAction(QString()) : v.menuBar()->addAction(QString());
        QObject::connect(a, &QAction::triggered, &v, [&v, id = c.id] { v.command(id); });
        it.action = a;
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        if (!it.action) return;
        it.action->setText(qs(c.text));
        it.action->setEnabled(c.enabled);
        it.action->setVisible(!c.hidden);
        it.action->setStatusTip(qs(c.message));
    }
};

struct SeparatorAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        QMenu* pm = v.parentMenu(c.parent);
        it.action = pm ? pm->addSeparator() : v.menuBar()->addSeparator();
    }
    static void apply(WindowView&, const Ctl& c, Item& it) {
        if (it.action) it.action->setVisible(!c.hidden);
    }
};

struct ToolButtonAdapter {
    static void create(WindowView& v, const Ctl& c, Item& it) {
        auto* tb = new QToolButton;
        tb->setAutoRaise(true);
        tb->setFocusPolicy(Qt::NoFocus);
        QObject::connect(tb, &QToolButton::clicked, &v, [&v, id = c.id] { v.command(id); });
        it.action = v.toolBar()->addWidget(tb);
        it.w = tb;
    }
    static void apply(WindowView& v, const Ctl& c, Item& it) {
        auto* tb = as<QToolButton>(it);
        if (!tb) return;
        const QIcon icon = iconFor(c.icon);
        if (!icon.isNull()) {
            // The original's 16-pixel icons, grown with the window's dialog units.
            const DialogUnits& du = v.units();
            const int side = std::max(16, std::min(du.px(c.w > 0 ? c.w : 18), du.py(c.h > 0 ? c.h : 16)) - 6);
            tb->setIconSize(QSize(side, side));
            tb->setIcon(icon);
            tb->setText(QString());
            tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
        } else {
            // No picture: the first word of what it does.
            QString word = tipText(c.tooltip).section(QRegularExpression(QStringLiteral("\\s+")), 0, 0,
                                                      QString::SectionSkipEmpty);
            if (word.isEmpty()) word = withoutMnemonic(c.text);
            if (word.isEmpty()) word = qs(c.name).remove('?');
            tb->setText(word);
            tb->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        if (c.w > 0 && c.h > 0) tb->setMinimumSize(v.units().px(c.w), v.units().py(c.h));
        tb->setStatusTip(qs(c.message));
        if (it.action) it.action->setVisible(!c.hidden);
        tb->setEnabled(c.enabled);
    }
};

// An adapter from a struct's static create and apply (and edited, where it has one).
template <class A>
ControlAdapter with(ControlAdapter flags = {}) {
    flags.create = &A::create;
    flags.apply = &A::apply;
    if constexpr (requires { &A::edited; }) flags.edited = &A::edited;
    return flags;
}

}  // namespace

// The adapter registry. To add a control kind (a page view, say): add it to rt::ControlKind,
// write its adapter beside the others (or in a file of its own) as
//     struct PageViewAdapter {
//         static void create(WindowView& v, const rt::Control& c, ControlItem& it);  // it.w = ...
//         static void apply(WindowView& v, const rt::Control& c, ControlItem& it);
//     };
// and list it here: {K::PageView, with<PageViewAdapter>({.takesFocus = true})}.
const ControlAdapter& adapterOf(rt::ControlKind k) {
    static const std::map<K, ControlAdapter> adapters = {
        {K::Button, with<ButtonAdapter>({.takesFocus = true})},
        {K::Entry, with<EntryAdapter>({.takesFocus = true, .flushed = true})},
        {K::Text, with<TextAdapter>()},
        {K::Prompt, with<PromptAdapter>()},
        {K::Check, with<CheckAdapter>({.takesFocus = true})},
        {K::Option, with<OptionAdapter>({.background = true})},
        {K::Radio, with<RadioAdapter>()},
        {K::Combo, with<ComboAdapter>({.takesFocus = true, .flushed = true})},
        {K::DropList, with<ComboAdapter>({.takesFocus = true})},
        {K::Spin, with<SpinAdapter>({.takesFocus = true, .flushed = true})},
        {K::List, with<ListAdapter>({.takesFocus = true})},
        {K::Sheet, with<SheetAdapter>({.background = true})},
        {K::Tab, with<TabAdapter>({.onCanvas = false})},
        {K::Image, with<ImageAdapter>()},
        {K::Page, with<PageAdapter>({.takesFocus = true})},
        {K::Box, with<BoxAdapter>({.background = true})},
        {K::Line, with<LineAdapter>()},
        {K::Progress, with<ProgressAdapter>()},
        {K::Group, with<GroupAdapter>({.background = true})},
        {K::Menu, with<MenuAdapter>({.onCanvas = false})},
        {K::MenuItem, with<MenuItemAdapter>({.onCanvas = false})},
        {K::Separator, with<SeparatorAdapter>({.onCanvas = false})},
        {K::ToolButton, with<ToolButtonAdapter>({.onCanvas = false})},
    };
    static const ControlAdapter none{
        .create = [](WindowView&, const rt::Control&, ControlItem&) {},
        .apply = [](WindowView&, const rt::Control&, ControlItem&) {},
    };
    auto it = adapters.find(k);
    return it == adapters.end() ? none : it->second;
}

}  // namespace qtfe
