#include "frontend/qt/window_view.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>

#include "frontend/qt/controls.h"
#include "frontend/qt/list_control.h"
#include "frontend/qt/qt_frontend.h"
#include "frontend/qt/requests.h"
#include "frontend/qt/resources.h"
#include "runtime/window/frontend.h"

namespace qtfe {

const char* const kWindowProperty = "qtfeWindow";
const char* const kCanvasProperty = "qtfeCanvas";
const char* const kControlProperty = "qtfeControl";

namespace {

using K = rt::ControlKind;

// A dialog whose Escape and title-bar close ask the program instead of closing.
class DialogWindow : public QDialog {
public:
    DialogWindow(WindowView* view, QWidget* parent) : QDialog(parent), view_(view) {}
    void reject() override { view_->userClose(); }
private:
    WindowView* view_;
};

bool onCanvas(K k) { return adapterOf(k).onCanvas; }
bool isBackground(K k) { return adapterOf(k).background; }
bool takesFocus(K k) { return adapterOf(k).takesFocus; }

std::string fontKey(const rt::Font& f) {
    return f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.weight) + (f.italic ? "/i" : "");
}

}  // namespace

WindowView::WindowView(QtFrontEnd& fe, std::shared_ptr<const rt::WindowState> st)
    : fe_(fe), id_(st->id), kind_(st->kind), state_(std::move(st)) {
    reportTimer_.setSingleShot(true);
    reportTimer_.setInterval(200);
    connect(&reportTimer_, &QTimer::timeout, this, &WindowView::reportGeometry);
    fontKey_ = fontKey(state_->font);
    font_ = windowFont(state_->font);
    du_ = DialogUnits::of(font_);
    buildShell();
    syncControls(true);
    applyWindow(true);
    showFirst();
}

WindowView::~WindowView() {
    QWidget* t = top();
    // Windows living inside this one (children in a frame's MDI area, dialogs it parents)
    // lose their widgets with it: their views let go of them first.
    if (t) fe_.detachWithin(t, this);
    detach();
    delete t;
}

void WindowView::detach() {
    if (destroying_) return;
    destroying_ = true;
    reportTimer_.stop();
    // While a widget is destroyed it is no longer of its own class: no event of it may reach
    // code that takes it for one.
    for (QObject* o : {static_cast<QObject*>(top()), static_cast<QObject*>(content_.data()),
                       static_cast<QObject*>(canvas_.data()), static_cast<QObject*>(mdi_.data())})
        if (o) o->removeEventFilter(this);
}

bool WindowView::alive() const { return top() != nullptr; }

QWidget* WindowView::top() const {
    if (main_) return main_;
    if (sub_) return sub_;
    return dialog_;
}

void WindowView::buildShell() {
    auto makeContent = [this](QWidget* content) {
        content_ = content;
        layout_ = new QVBoxLayout(content);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
        canvas_ = new QWidget(content);
        canvas_->setProperty(kCanvasProperty, id_);
        canvas_->setFont(font_);
        layout_->addWidget(canvas_, 1);
        canvas_->installEventFilter(this);
        content->installEventFilter(this);
    };
    switch (kind_) {
    case rt::WindowKind::Frame: {
        main_ = new QMainWindow;
        main_->setAttribute(Qt::WA_DeleteOnClose, false);
        mdi_ = new QMdiArea(main_);
        mdi_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
        mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        main_->setCentralWidget(mdi_);
        main_->setProperty(kWindowProperty, id_);
        main_->installEventFilter(this);
        mdi_->installEventFilter(this);
        connect(mdi_, &QMdiArea::subWindowActivated, &fe_,
                [this](QMdiSubWindow* s) { fe_.subWindowActivated(s); });
        statusBar();
        break;
    }
    case rt::WindowKind::MdiChild: {
        if (QMdiArea* area = fe_.mdiArea()) {
            sub_ = new QMdiSubWindow;
            sub_->setAttribute(Qt::WA_DeleteOnClose, false);
            sub_->setProperty(kWindowProperty, id_);
            makeContent(new QWidget);
            sub_->setWidget(content_);
            area->addSubWindow(sub_);
            sub_->installEventFilter(this);
            break;
        }
        // No frame to live in: a window of its own.
        auto* w = new QWidget(nullptr, Qt::Window);
        w->setProperty(kWindowProperty, id_);
        makeContent(w);
        dialog_ = w;
        break;
    }
    case rt::WindowKind::Dialog: {
        auto* d = new DialogWindow(this, fe_.dialogParent());
        d->setModal(false);
        d->setSizeGripEnabled(false);
        d->setProperty(kWindowProperty, id_);
        makeContent(d);
        dialog_ = d;
        break;
    }
    }
}

void WindowView::update(std::shared_ptr<const rt::WindowState> st) {
    if (st == state_) return;
    state_ = std::move(st);
    bool fontChanged = false;
    const std::string key = fontKey(state_->font);
    if (key != fontKey_) {
        fontKey_ = key;
        font_ = windowFont(state_->font);
        du_ = DialogUnits::of(font_);
        if (canvas_) canvas_->setFont(font_);
        fontChanged = true;
    }
    syncControls(fontChanged);
    applyWindow(false);
    applyFocus(false);
    takePendingTyping();
}

// ---- window ----

void WindowView::applyWindow(bool first) {
    const rt::WindowState& s = *state_;
    if (!first && s.rev == windowRev_) return;
    windowRev_ = s.rev;
    QWidget* t = top();
    if (!t) return;
    // A child's title goes into the frame's when maximized: there, empty stays empty.
    const QString title = sub_ ? qs(s.title) : titleText(s.title);
    if (t->windowTitle() != title) t->setWindowTitle(title);
    if (first || s.icon != iconName_) {
        iconName_ = s.icon;
        const QIcon icon = iconFor(s.icon);
        if (!icon.isNull()) t->setWindowIcon(icon);
    }
    if (first || s.resizable != resizable_) {
        resizable_ = s.resizable;
        if (sub_) {
            Qt::WindowFlags f = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
            if (resizable_) f |= Qt::WindowMaximizeButtonHint;
            sub_->setWindowFlags(f);
        } else if (dialog_ && kind_ == rt::WindowKind::Dialog) {
            // Only the buttons named: a dialog of a fixed size offers no maximize button.
            Qt::WindowFlags f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (resizable_) f |= Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint;
            dialog_->setWindowFlags(f);
        }
        if (!first) {
            curW_ = -1;  // size again with the new constraints
            t->show();   // new window flags hide a window
        }
    }
    applyStatus();  // a status bar takes room: there before the window is sized
    applyGeometry(first);
    if (mdi_ && s.arrangeSerial != arrangeSerial_) {
        arrangeSerial_ = s.arrangeSerial;
        if (!first) {
            if (s.arrange == rt::ArrangeTile) mdi_->tileSubWindows();
            else if (s.arrange == rt::ArrangeCascade) mdi_->cascadeSubWindows();
            else if (s.arrange == rt::ArrangeIcons)
                for (QMdiSubWindow* w : mdi_->subWindowList())
                    if (w->isMinimized()) w->showMinimized();  // minimized children line up again
        }
    }
    applyWindowState();
    if (s.waitCursor) t->setCursor(Qt::WaitCursor);
    else t->unsetCursor();
    if (s.toolTipsOn != toolTipsOn_) {
        toolTipsOn_ = s.toolTipsOn;
        if (!first)
            for (const rt::Control& c : s.controls) {
                auto it = items_.find(c.id);
                if (it != items_.end()) applyTooltip(c, it->second);
            }
    }
    applyEnabled();
}

void WindowView::applyGeometry(bool first) {
    const rt::WindowState& s = *state_;
    // Only what the program changed since its last snapshot, and only where the window
    // differs from it, is applied.
    const bool posChanged = s.x != snapX_ || s.y != snapY_;
    const bool sizeChanged = s.w != snapW_ || s.h != snapH_ || s.minW != snapMinW_ || s.minH != snapMinH_;
    snapX_ = s.x; snapY_ = s.y; snapW_ = s.w; snapH_ = s.h; snapMinW_ = s.minW; snapMinH_ = s.minH;
    const bool sizeWanted = first || curW_ < 0 || (sizeChanged && (s.w != curW_ || s.h != curH_ || s.minW || s.minH));
    const bool posWanted = first || (posChanged && (s.x != curX_ || s.y != curY_));
    if (!sizeWanted && !posWanted) return;
    QWidget* t = top();
    if (!t) return;
    if (!first && (t->isMaximized() || t->isMinimized())) return;
    if (posWanted) { curX_ = s.x; curY_ = s.y; }
    if (sizeWanted) { curW_ = s.w; curH_ = s.h; }
    const int wpx = std::max(1, du_.px(s.w));
    const int hpx = std::max(1, du_.py(s.h));
    const QSize minPx(du_.px(s.minW), du_.py(s.minH));
    applying_ = true;
    if (kind_ == rt::WindowKind::Frame) {
        int extra = 0;
        if (main_->menuBar()) extra += main_->menuBar()->sizeHint().height();
        if (toolBar_ && !toolBar_->isHidden()) extra += toolBar_->sizeHint().height();
        if (statusBar_) extra += statusBar_->sizeHint().height();
        QScreen* scr = main_->screen() ? main_->screen() : QGuiApplication::primaryScreen();
        const QRect avail = scr ? scr->availableGeometry() : QRect(0, 0, 1280, 1024);
        mdi_->setMinimumSize(minPx);
        if (sizeWanted) main_->resize(QSize(wpx, hpx + extra).boundedTo(avail.size()));
        QPoint pos = s.x < 0 || s.y < 0
                         ? avail.center() - QPoint(main_->width() / 2, main_->height() / 2)
                         : avail.topLeft() + QPoint(du_.px(s.x), du_.py(s.y));
        pos.setX(std::max(avail.left(), pos.x()));
        pos.setY(std::max(avail.top(), pos.y()));
        if (posWanted) main_->move(pos);
    } else {
        QWidget* outer = sub_ ? static_cast<QWidget*>(sub_) : dialog_.data();
        if (sizeWanted) {
            outer->setMinimumSize(0, 0);
            outer->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            canvas_->setFixedSize(wpx, hpx);
            layout_->activate();
            if (sub_) content_->adjustSize();
            outer->adjustSize();
            if (resizable_) {
                canvas_->setMinimumSize(minPx);
                canvas_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            } else {
                outer->setFixedSize(outer->size());
            }
        }
        if (!posWanted) {
            // The window stays where it is.
        } else if (sub_) {
            if (s.x >= 0 && s.y >= 0) {
                sub_->move(du_.px(s.x), du_.py(s.y));
            } else if (QMdiArea* area = sub_->mdiArea()) {
                // Unplaced children cascade down from the top left, one title bar apart.
                int others = 0;
                for (QMdiSubWindow* o : area->subWindowList())
                    if (o != sub_ && o->isVisible() && !o->isMinimized()) ++others;
                const int step = std::max(16, sub_->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub_) + 4);
                const QSize vp = area->viewport()->size();
                int k = others % 8;
                while (k > 0 && (k * step + sub_->width() > vp.width() || k * step + sub_->height() > vp.height())) --k;
                sub_->move(k * step, k * step);
            }
        } else {
            QPoint pos;
            if (s.x < 0 || s.y < 0) {
                QWidget* frame = fe_.dialogParent();
                QRect area = frame ? QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size())
                                   : (QGuiApplication::primaryScreen()
                                          ? QGuiApplication::primaryScreen()->availableGeometry()
                                          : QRect(0, 0, 1280, 1024));
                pos = area.center() - QPoint(dialog_->width() / 2, dialog_->height() / 2);
            } else {
                pos = originOnScreen() + QPoint(du_.px(s.x), du_.py(s.y));
            }
            dialog_->move(pos);
        }
    }
    // Where the front end placed the window is no news for the program (and telling it
    // would make the window active); only the user's own moves are.
    if (posWanted && (s.x < 0 || s.y < 0)) {
        const QRect now = measured();
        curX_ = now.x();
        curY_ = now.y();
    }
    applying_ = false;
}

void WindowView::applyWindowState() {
    const rt::WindowState& s = *state_;
    const bool snapChanged = s.maximized != snapMax_ || s.minimized != snapMin_;
    snapMax_ = s.maximized;
    snapMin_ = s.minimized;
    if (!shown_ || !snapChanged) return;
    if (s.maximized == curMax_ && s.minimized == curMin_) return;
    curMax_ = s.maximized;
    curMin_ = s.minimized;
    QWidget* t = top();
    if (!t) return;
    applying_ = true;
    if (s.minimized) t->showMinimized();
    else if (s.maximized) t->showMaximized();
    else t->showNormal();
    applying_ = false;
}

void WindowView::applyStatus() {
    const auto& zones = state_->status;
    bool any = kind_ == rt::WindowKind::Frame || statusBar_ || zones.size() > 1;
    for (const auto& z : zones) any = any || !z.empty();
    if (!any) return;
    QStatusBar* sb = statusBar();
    while (zones_.size() < zones.size()) {
        auto* label = new QLabel(sb);
        label->setTextFormat(Qt::PlainText);
        if (zones_.empty()) sb->addWidget(label, 1);
        else sb->addPermanentWidget(label);
        zones_.emplace_back(label);
    }
    for (std::size_t i = 0; i < zones_.size(); ++i) {
        if (!zones_[i]) continue;
        const QString t = i < zones.size() ? qs(zones[i]) : QString();
        if (zones_[i]->text() != t) zones_[i]->setText(t);
    }
}

void WindowView::applyEnabled() {
    const bool on = !state_->modalBlocked;
    if (kind_ == rt::WindowKind::Frame) {
        if (main_) main_->menuBar()->setEnabled(on);
        if (toolBar_) toolBar_->setEnabled(on);
        return;
    }
    if (!content_ || content_->isEnabled() == on) return;
    bool keepFocus = false;
    if (!on) {
        savedFocus_ = content_->focusWidget();
        // Disabled, the field with the focus would pass it on along the frame's focus chain,
        // to another child window, which would then come to the front. The child keeps it.
        QWidget* focused = content_->window()->focusWidget();
        keepFocus = sub_ && focused && content_->isAncestorOf(focused);
        if (keepFocus) sub_->setFocus(Qt::OtherFocusReason);
    }
    content_->setEnabled(on);
    if (keepFocus) {
        // The child may have handed the focus straight back to its field, which lost it when
        // disabled: the frame would then give it, when it becomes active again, to the first
        // child in its focus chain.
        QWidget* now = sub_->window()->focusWidget();
        if (now != sub_ && !sub_->isAncestorOf(now)) sub_->setFocus(Qt::OtherFocusReason);
    }
    if (on && savedFocus_ && savedFocus_->isEnabled() && savedFocus_->isVisibleTo(content_)) {
        if (isQtActive()) savedFocus_->setFocus(Qt::OtherFocusReason);
        else pendingFocus_ = savedFocus_;
    }
}

void WindowView::setRequestBlocked(bool on) { requestBlocked_ = on; }

void WindowView::showFirst() {
    QWidget* t = top();
    if (!t) return;
    const rt::WindowState& s = *state_;
    snapMax_ = curMax_ = s.maximized;
    snapMin_ = curMin_ = s.minimized;
    applying_ = true;
    if (s.minimized) t->showMinimized();
    else if (s.maximized) t->showMaximized();
    else t->show();
    applying_ = false;
    shown_ = true;
    applyFocus(true);
    // Shown, the window may have another size than asked (maximized, or as the window
    // manager placed it): the program lays itself out for the size it really has.
    scheduleReport();
}

bool WindowView::isQtActive() const {
    if (sub_) {
        QMdiArea* area = sub_->mdiArea();
        return area && area->activeSubWindow() == sub_ && area->window()->isActiveWindow();
    }
    if (main_) return main_->isActiveWindow() && !(mdi_ && mdi_->activeSubWindow());
    return dialog_ && dialog_->isActiveWindow();
}

void WindowView::bringToFront() {
    if (sub_) {
        if (QMdiArea* area = sub_->mdiArea()) {
            if (area->activeSubWindow() != sub_) area->setActiveSubWindow(sub_);
            if (!area->window()->isActiveWindow()) area->window()->activateWindow();
        }
    } else if (QWidget* t = top()) {
        t->raise();
        t->activateWindow();
    }
    activated();
    if (requestBlocked_) fe_.requests()->raiseFor(thread());  // its open box stays on top
}

void WindowView::activated() {
    if (pendingFocus_ && pendingFocus_->isEnabled() && pendingFocus_->isVisibleTo(top()))
        focusControl(pendingFocus_);
    pendingFocus_ = nullptr;
}

QRect WindowView::clientRect() const {
    if (kind_ == rt::WindowKind::Frame) return mdi_ ? mdi_->rect() : QRect();
    return canvas_ ? canvas_->rect() : QRect();
}

QPoint WindowView::originOnScreen() const {
    if (QWidget* frame = fe_.dialogParent()) {
        if (QMainWindow* mw = qobject_cast<QMainWindow*>(frame); mw && mw->centralWidget())
            return mw->centralWidget()->mapToGlobal(QPoint(0, 0));
        return frame->mapToGlobal(QPoint(0, 0));
    }
    QScreen* scr = QGuiApplication::primaryScreen();
    return scr ? scr->availableGeometry().topLeft() : QPoint();
}

void WindowView::scheduleReport() {
    if (!shown_ || destroying_) return;
    reportTimer_.start();
}

QRect WindowView::measured() const {
    const QRect client = clientRect();
    QPoint p;
    if (kind_ == rt::WindowKind::Frame) {
        QScreen* scr = main_->screen();
        p = main_->pos() - (scr ? scr->availableGeometry().topLeft() : QPoint());
    } else if (sub_) {
        p = sub_->pos();
    } else if (dialog_) {
        p = dialog_->pos() - originOnScreen();
    }
    return QRect(du_.dux(p.x()), du_.duy(p.y()), du_.dux(client.width()), du_.duy(client.height()));
}

void WindowView::reportGeometry() {
    QWidget* t = top();
    if (!t || destroying_ || t->isMinimized()) return;
    const QRect client = clientRect();
    const QRect now = measured();
    const int x = now.x(), y = now.y(), w = now.width(), h = now.height();
    if (client.width() > 0 && client.height() > 0 && (w != curW_ || h != curH_)) {
        curW_ = w;
        curH_ = h;
        rt::EventData e;
        e.code = rt::EvSized;
        e.text = std::to_string(w) + "," + std::to_string(h);
        e.hasText = true;
        send(e);
    }
    if (!t->isMaximized() && (x != curX_ || y != curY_)) {
        curX_ = x;
        curY_ = y;
        rt::EventData e;
        e.code = rt::EvMoved;
        e.text = std::to_string(x) + "," + std::to_string(y);
        e.hasText = true;
        send(e);
    }
}

void WindowView::windowStateChanged() {
    if (destroying_ || applying_ || !shown_) return;
    QWidget* t = top();
    if (!t) return;
    const bool mn = t->isMinimized();
    const bool mx = t->isMaximized();
    rt::EventData e;
    if (mn && !curMin_) {
        curMin_ = true;
        e.code = rt::EvIconized;
    } else if (mx && !mn && (!curMax_ || curMin_)) {
        curMax_ = true;
        curMin_ = false;
        e.code = rt::EvMaximized;
    } else if (!mx && !mn && (curMax_ || curMin_)) {
        curMax_ = curMin_ = false;
        e.code = rt::EvRestored;
    }
    if (e.code != rt::EvNone) send(e);
    scheduleReport();
}

// ---- input ----

void WindowView::send(const rt::EventData& e) {
    if (destroying_) return;
    if (e.control && (e.code == rt::EvAccepted || e.code == rt::EvNewSelection || e.code == rt::EvSelected))
        lastInputControl_ = e.control;
    rt::input(id_, e);
}

void WindowView::command(int control) {
    if (destroying_) return;
    flushEdits();
    rt::EventData e;
    e.code = rt::EvAccepted;
    e.control = control;
    send(e);
}

void WindowView::commit(int control) {
    if (destroying_) return;
    auto it = items_.find(control);
    if (it == items_.end() || !it->second.w) return;
    Item& item = it->second;
    const ControlAdapter& a = adapterOf(item.kind);
    if (!a.edited) return;
    const QString text = a.edited(item);
    const std::string v = ss(text);
    if (v == item.known) return;
    // Once the program takes this event its model holds the text: a later snapshot showing
    // it is no change by the program.
    item.known = v;
    item.lastValue = v;
    rt::EventData e;
    e.code = rt::EvAccepted;
    e.control = control;
    e.text = v;
    e.hasText = true;
    send(e);
}

void WindowView::flushEdits() {
    std::vector<int> ids;
    for (auto& [id, item] : items_)
        if (item.w && adapterOf(item.kind).flushed) ids.push_back(id);
    for (int id : ids) commit(id);
}

void WindowView::userClose() {
    if (destroying_) return;
    flushEdits();  // what was just typed decides whether the program asks about unsaved changes
    rt::EventData e;
    e.code = rt::EvCloseWindow;
    send(e);
}

void WindowView::contextMenu(QWidget* target, const QPoint& globalPos, bool byMouse) {
    const int control = controlOf(target);
    if (byMouse) {
        if (ListControl* l = list(control))
            l->selectAt(l->table()->viewport()->mapFromGlobal(globalPos));
    }
    rt::EventData e;
    e.code = rt::EvAlertKey;
    e.control = control;
    e.key = rt::KeyRightClick;
    send(e);
}

bool WindowView::pageKey(bool down) {
    for (const rt::Control& c : state_->controls)
        if (c.kind == K::Page && effectivelyShown(c)) {
            send(rt::EventData(down ? rt::EvPageDown : rt::EvPageUp, c.id));
            return true;
        }
    return false;
}

bool WindowView::recallKey(QWidget* target) {
    // Ctrl+' in a field recalls that field's last stored value (the program's ditto).
    const int control = controlOf(target);
    if (!control || list(control)) return false;  // lists send their own keys
    flushEdits();
    rt::EventData ev(rt::EvAlertKey, control);
    ev.key = rt::KeyCtrlQuote;
    send(ev);
    return true;
}

namespace {
// The key an edit cell over a list row reports for a key press, 0 for one it keeps for
// editing (Home, End, Left, Right alone move in the text).
int cellKeyCode(const QKeyEvent& k) {
    const auto mods = k.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods != Qt::NoModifier && mods != Qt::ControlModifier) return 0;
    const bool ctrl = mods == Qt::ControlModifier;
    switch (k.key()) {
    case Qt::Key_Up: return ctrl ? rt::KeyCtrlUp : rt::KeyUp;
    case Qt::Key_Down: return ctrl ? rt::KeyCtrlDown : rt::KeyDown;
    case Qt::Key_PageUp: return ctrl ? rt::KeyCtrlPageUp : rt::KeyPageUp;
    case Qt::Key_PageDown: return ctrl ? rt::KeyCtrlPageDown : rt::KeyPageDown;
    case Qt::Key_Home: return ctrl ? rt::KeyCtrlHome : 0;
    case Qt::Key_End: return ctrl ? rt::KeyCtrlEnd : 0;
    case Qt::Key_Left: return ctrl ? rt::KeyCtrlLeft : 0;
    case Qt::Key_Right: return ctrl ? rt::KeyCtrlRight : 0;
    case Qt::Key_Insert: return ctrl ? rt::KeyCtrlInsert : 0;
    case Qt::Key_Delete: return ctrl ? rt::KeyCtrlDelete : 0;
    default: return 0;
    }
}
}  // namespace

bool WindowView::cellKey(QLineEdit* cell, const QKeyEvent* k) {
    const int code = cellKeyCode(*k);
    if (!code) return false;
    const int field = controlOf(cell);
    const rt::Control* c = control(field);
    if (!c || !cellList(*c)) return false;
    // What was typed is the program's before the key: it stores it into the row's disc.
    flushEdits();
    rt::EventData e(rt::EvAlertKey, field);
    e.key = code;
    send(e);
    return true;
}

void WindowView::enterKey() {
    // Enter presses the default button; on a button it presses that button.
    QWidget* f = QApplication::focusWidget();
    if (auto* b = qobject_cast<QPushButton*>(f); b && canvas_ && canvas_->isAncestorOf(b)) {
        b->click();
        return;
    }
    for (const rt::Control& c : state_->controls) {
        if (c.kind != K::Button || !c.isDefault) continue;
        auto it = items_.find(c.id);
        if (it == items_.end() || !it->second.w) continue;
        QWidget* w = it->second.w;
        if (w->isVisibleTo(canvas_) && w->isEnabled()) {
            flushEdits();
            command(c.id);
        }
        return;
    }
    flushEdits();
    // No default button: Enter in a field is the program's key there (a search field searches).
    if (const int field = controlOf(f); field && canvas_ && canvas_->isAncestorOf(f)) {
        auto it = items_.find(field);
        if (it != items_.end() && (it->second.kind == K::Entry || it->second.kind == K::Combo || it->second.kind == K::Spin)) {
            rt::EventData e(rt::EvAlertKey, field);
            e.key = rt::KeyEnter;
            send(e);
        }
    }
}

bool WindowView::eventFilter(QObject* o, QEvent* e) {
    if (destroying_) return false;
    if (e->type() == QEvent::KeyPress) {
        auto* cell = qobject_cast<QLineEdit*>(o);
        auto* k = static_cast<QKeyEvent*>(e);
        const bool printable = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
                               !k->text().isEmpty() && k->text().at(0).isPrint();
        if (cell && cellKey(cell, k)) return true;
        if (cell && cell->isReadOnly() && printable) {
            const rt::Control* c = control(controlOf(cell));
            if (const rt::Control* l = c ? cellList(*c) : nullptr)
                if (QWidget* open = openCell(l->id, true)) {
                    focusControl(open);
                    QApplication::sendEvent(open, k);
                    return true;
                }
        }
    }
    if (o == top()) {
        switch (e->type()) {
        case QEvent::Close:
            e->ignore();
            userClose();
            return true;
        case QEvent::WindowStateChange:
            windowStateChanged();
            break;
        case QEvent::Move:
            scheduleReport();
            break;
        case QEvent::WindowActivate:
            if (!sub_) fe_.windowActivated(this);
            break;
        default:
            break;
        }
    }
    if ((o == canvas_ || o == mdi_) && e->type() == QEvent::Resize) scheduleReport();
    if (o == content_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            enterKey();
            return true;
        }

    }
    return false;
}

// ---- controls ----

const rt::Control* WindowView::control(int id) const {
    if (id <= 0) return nullptr;
    const auto& cs = state_->controls;
    // Ids grow in the order controls were added, so the vector is mostly sorted.
    if (id <= static_cast<int>(cs.size()) && cs[id - 1].id == id) return &cs[id - 1];
    for (const auto& c : cs)
        if (c.id == id) return &c;
    return nullptr;
}

QWidget* WindowView::controlWidget(int id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second.w.data();
}

ListControl* WindowView::list(int id) const {
    auto it = items_.find(id);
    if (it == items_.end() || it->second.kind != K::List) return nullptr;
    return static_cast<ListControl*>(it->second.w.data());
}

int WindowView::controlOf(QWidget* w) const {
    for (QWidget* p = w; p && p != canvas_; p = p->parentWidget()) {
        const QVariant v = p->property(kControlProperty);
        if (v.isValid()) return v.toInt();
    }
    return 0;
}

QMenuBar* WindowView::menuBar() {
    if (main_) return main_->menuBar();
    if (!menuBar_) {
        menuBar_ = new QMenuBar(content_);
        menuBar_->setNativeMenuBar(false);
        layout_->setMenuBar(menuBar_);
    }
    return menuBar_;
}

QToolBar* WindowView::toolBar() {
    if (!toolBar_) {
        if (main_) {
            toolBar_ = main_->addToolBar(QStringLiteral("Tools"));
        } else {
            toolBar_ = new QToolBar(content_);
            layout_->insertWidget(0, toolBar_);
        }
        toolBar_->setMovable(false);
        toolBar_->setFloatable(false);
        toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
        toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    return toolBar_;
}

QStatusBar* WindowView::statusBar() {
    if (!statusBar_) {
        if (main_) {
            statusBar_ = main_->statusBar();
        } else {
            statusBar_ = new QStatusBar(content_);
            statusBar_->setSizeGripEnabled(false);
            layout_->addWidget(statusBar_);
        }
    }
    return statusBar_;
}

QMenu* WindowView::parentMenu(int parent) {
    auto it = items_.find(parent);
    if (it != items_.end() && it->second.kind == K::Menu) return it->second.menu;
    return nullptr;
}

void WindowView::syncControls(bool forceAll) {
    const auto& cs = state_->controls;
    bool structural = false;
    // Gone, or moved under another parent: rebuilt.
    std::set<int> present;
    for (const auto& c : cs) present.insert(c.id);
    for (auto it = items_.begin(); it != items_.end();) {
        const rt::Control* c = present.count(it->first) ? control(it->first) : nullptr;
        if (!c || c->parent != it->second.parent || c->kind != it->second.kind) {
            destroyItem(it->second);
            it = items_.erase(it);
            structural = true;
        } else {
            ++it;
        }
    }
    for (const auto& c : cs)
        if (!items_.count(c.id)) {
            create(c);
            structural = true;
        }
    if (structural) relink();
    for (const auto& c : cs) {
        Item& it = items_[c.id];
        if (forceAll || !it.applied || c.rev != it.rev) {
            apply(c, it);
            it.rev = c.rev;
            it.applied = true;
        }
    }
    applyVisibility();
}

void WindowView::create(const rt::Control& c) {
    Item it;
    it.kind = c.kind;
    it.parent = c.parent;
    // A frame has no canvas: only its menus and tools are made.
    if (!onCanvas(c.kind) || canvas_) {
        applying_ = true;
        adapterOf(c.kind).create(*this, c, it);
        applying_ = false;
    }
    if (it.w) it.w->setProperty(kControlProperty, c.id);
    if (c.kind == K::List && it.w) {
        const int id = c.id;
        static_cast<ListControl*>(it.w.data())
            ->setCells([this, id](bool onHighlight) { return openCell(id, onHighlight); },
                       [this, id] { placeCells(id); });
    }
    items_[c.id] = std::move(it);
}

void WindowView::destroyItem(Item& it) {
    applying_ = true;
    // A menu takes its entries along, an action its tool-bar widget.
    if (it.menu) delete it.menu.data();
    else if (it.action) delete it.action.data();
    else delete it.w.data();
    delete it.radios;
    it.radios = nullptr;
    applying_ = false;
}

void WindowView::relink() {
    applying_ = true;
    // Options know their radios, sheets their tabs, in the order they were added.
    for (auto& [id, it] : items_) {
        if (it.kind == K::Option || it.kind == K::Sheet) {
            it.members.clear();
            it.applied = false;
        }
        if (it.kind == K::Prompt) it.applied = false;
    }
    for (auto& [id, it] : items_) {
        auto p = items_.find(it.parent);
        if (p == items_.end()) continue;
        if (it.kind == K::Radio && p->second.kind == K::Option) {
            p->second.members.push_back(id);
            if (auto* r = qobject_cast<QRadioButton*>(it.w.data())) {
                if (r->group() && r->group() != p->second.radios) r->group()->removeButton(r);
                if (!r->group()) p->second.radios->addButton(r);
            }
        }
        if (it.kind == K::Tab && p->second.kind == K::Sheet) p->second.members.push_back(id);
    }
    for (auto& [id, it] : items_) {
        if (it.kind != K::Sheet) continue;
        auto* tw = qobject_cast<QTabWidget*>(it.w.data());
        if (!tw) continue;
        bool same = tw->count() == static_cast<int>(it.members.size());
        for (int i = 0; same && i < tw->count(); ++i) same = tw->widget(i) == items_[it.members[i]].w;
        if (same) continue;
        while (tw->count() > 0) tw->removeTab(0);
        for (int tab : it.members) tw->addTab(items_[tab].w, QString());
    }
    // A prompt labels the control that follows it.
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->second.kind != K::Prompt) continue;
        auto* label = qobject_cast<QLabel*>(it->second.w.data());
        if (!label) continue;
        QWidget* buddy = nullptr;
        for (auto next = std::next(it); next != items_.end(); ++next) {
            if (next->second.kind == K::Prompt) break;
            if (takesFocus(next->second.kind) && next->second.w) {
                buddy = next->second.w;
                break;
            }
        }
        label->setBuddy(buddy);
    }
    // Boxes, groups and sheets lie under the controls they hold.
    std::vector<std::pair<std::pair<int, int>, QWidget*>> order;
    for (auto& [id, it] : items_) {
        if (!it.w || !onCanvas(it.kind)) continue;
        int depth = 0;
        for (int p = it.parent; p && depth < 32; ++depth) {
            auto pi = items_.find(p);
            p = pi == items_.end() ? 0 : pi->second.parent;
        }
        order.push_back({{isBackground(it.kind) ? depth : 1000, id}, it.w});
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& o : order) o.second->raise();
    applying_ = false;
}

void WindowView::place(const rt::Control& c, QWidget* w) {
    if (const rt::Control* l = cellList(c)) {
        placeCell(c, *l, w);
        return;
    }
    const QSize hint = w->sizeHint();
    const int wpx = c.w > 0 ? du_.px(c.w) : hint.width();
    int hpx = c.h > 0 ? du_.py(c.h) : hint.height();
    if (c.kind == K::Line && hpx < 2) hpx = 2;
    w->setGeometry(du_.px(c.x), du_.py(c.y), std::max(1, wpx), std::max(1, hpx));
}

// The list rows and heading in dialog units, as the runtime counts a list's rows.
namespace {
constexpr int kListHeadingDu = 10, kListRowDu = 8;

int cellRowOf(const rt::Control& cell, const rt::Control& list) {
    return std::max(0, (cell.y - list.y - kListHeadingDu + kListRowDu / 2) / kListRowDu);
}
}  // namespace

const rt::Control* WindowView::cellList(const rt::Control& c) const {
    if (!c.parent || c.kind == K::List) return nullptr;
    const rt::Control* p = control(c.parent);
    return p && p->kind == K::List ? p : nullptr;
}

void WindowView::placeCell(const rt::Control& c, const rt::Control& l, QWidget* w) {
    ListControl* lc = list(l.id);
    if (!lc || !canvas_) return;
    if (auto* e = qobject_cast<QLineEdit*>(w); e && e->hasFrame()) {
        e->setFrame(false);  // a row's height
        e->installEventFilter(this);  // typing in a cell that cannot change goes to one that can
    }
    QTableView* t = lc->table();
    QHeaderView* h = t->horizontalHeader();
    // The column whose span in dialog units holds the cell's left edge.
    int col = 0;
    int x = l.x;
    for (std::size_t i = 0; i + 1 < l.columns.size(); ++i) {
        x += l.columns[i].width;
        if (c.x + 2 < x) break;
        col = static_cast<int>(i) + 1;
    }
    // The row as the table draws it; one the page does not hold lies where it would.
    QHeaderView* v = t->verticalHeader();
    const int row = cellRowOf(c, l);
    int top = 0, rowH = v->defaultSectionSize();
    if (row < v->count()) {
        top = v->sectionViewportPosition(row);
        rowH = v->sectionSize(row);
    } else {
        top = (v->count() > 0 ? v->sectionViewportPosition(v->count() - 1) + v->sectionSize(v->count() - 1)
                              : -t->verticalScrollBar()->value()) +
              (row - v->count()) * rowH;
    }
    const QPoint at = t->viewport()->mapTo(canvas_, QPoint(0, 0));
    const int left = std::max(0, h->sectionViewportPosition(col));
    const int right = std::min(t->viewport()->width(), h->sectionViewportPosition(col) + h->sectionSize(col));
    const QRect r(at.x() + left, at.y() + top, std::max(1, right - left), rowH);
    if (w->geometry() != r) w->setGeometry(r);
}

void WindowView::placeCells(int listId) {
    const rt::Control* l = control(listId);
    if (!l || destroying_) return;
    for (const rt::Control& c : state_->controls) {
        if (c.parent != listId || !cellList(c)) continue;
        if (QWidget* w = controlWidget(c.id)) placeCell(c, *l, w);
    }
}

QWidget* WindowView::openCell(int listId, bool onHighlight) const {
    const rt::Control* l = control(listId);
    if (!l) return nullptr;
    for (const rt::Control& c : state_->controls) {
        if (c.parent != listId || c.kind != K::Entry || c.readOnly) continue;
        if (!effectivelyShown(c) || !effectivelyEnabled(c)) continue;
        QWidget* w = controlWidget(c.id);
        if (!w || !w->isEnabled()) continue;
        if (onHighlight) {
            const ListControl* lc = list(listId);
            if (!lc || lc->model()->selected() != cellRowOf(c, *l) + 1) continue;
        }
        return w;
    }
    return nullptr;
}

void WindowView::takePendingTyping() {
    // What was typed on a list before its cell came to the row takes the cell's place now.
    for (auto& [id, it] : items_) {
        if (it.kind != K::List || !it.w) continue;
        auto* lc = static_cast<ListControl*>(it.w.data());
        QWidget* cell = openCell(id, true);
        if (!cell) continue;
        const QString typed = lc->takePending();
        if (typed.isEmpty()) continue;
        if (auto* e = qobject_cast<QLineEdit*>(cell)) {
            cell->setFocus(Qt::OtherFocusReason);
            e->setText(typed);
        }
    }
}

void WindowView::focusControl(QWidget* w) {
    w->setFocus(Qt::OtherFocusReason);
    // An edit cell is typed over, as a fresh row is.
    const int id = controlOf(w);
    if (const rt::Control* c = control(id); c && cellList(*c)) selectWhole(w);
}

void WindowView::applyColors(const rt::Control& c, QWidget* w) {
    QColor fg = toColor(c.fg);
    if (!fg.isValid()) fg = toColor(c.font.color);
    const QColor bg = toColor(c.bg);
    if (!fg.isValid() && !bg.isValid() && !w->property("qtfeColored").toBool()) return;
    QPalette pal = canvas_ ? canvas_->palette() : QApplication::palette();
    const bool field = c.kind == K::Entry || c.kind == K::Combo || c.kind == K::DropList || c.kind == K::Spin;
    if (fg.isValid()) {
        pal.setColor(field ? QPalette::Text : QPalette::WindowText, fg);
        pal.setColor(QPalette::ButtonText, fg);
    }
    if (bg.isValid()) {
        pal.setColor(field ? QPalette::Base : QPalette::Window, bg);
        if (c.kind == K::Button) pal.setColor(QPalette::Button, bg);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(bg.isValid() && !field && c.kind != K::Button);
    w->setProperty("qtfeColored", true);
}

void WindowView::applyTooltip(const rt::Control& c, Item& it) {
    const QString tip = state_->toolTipsOn ? tipText(c.tooltip) : QString();
    if (it.w) it.w->setToolTip(tip);
    else if (it.action && c.kind != K::Separator) it.action->setToolTip(tip);
}

void WindowView::apply(const rt::Control& c, Item& it) {
    applying_ = true;
    QWidget* w = it.w;
    if (w && onCanvas(c.kind)) {
        if (hasFont(c.font)) w->setFont(controlFont(font_, c.font));
        else if (w->font() != font_) w->setFont(QFont());
        place(c, w);
        if (c.kind != K::List) applyColors(c, w);  // a list colours its rows itself
    }
    applyTooltip(c, it);
    if (w || it.action) adapterOf(c.kind).apply(*this, c, it);
    applying_ = false;
}

int WindowView::currentTab(int sheet) const {
    auto it = items_.find(sheet);
    if (it == items_.end()) return 0;
    auto* tw = qobject_cast<QTabWidget*>(it->second.w.data());
    if (!tw) return 0;
    QWidget* page = tw->currentWidget();
    for (int tab : it->second.members) {
        auto t = items_.find(tab);
        if (t != items_.end() && t->second.w == page) return tab;
    }
    return 0;
}

bool WindowView::effectivelyShown(const rt::Control& c) const {
    if (c.hidden) return false;
    int p = c.parent;
    for (int depth = 0; p && depth < 32; ++depth) {
        const rt::Control* pc = control(p);
        if (!pc) break;
        if (pc->hidden) return false;
        if (pc->kind == K::Tab && currentTab(pc->parent) != pc->id) return false;
        p = pc->parent;
    }
    return true;
}

bool WindowView::effectivelyEnabled(const rt::Control& c) const {
    if (!c.enabled) return false;
    int p = c.parent;
    for (int depth = 0; p && depth < 32; ++depth) {
        const rt::Control* pc = control(p);
        if (!pc) break;
        if (!pc->enabled && pc->kind != K::Menu) return false;
        p = pc->parent;
    }
    return true;
}

void WindowView::applyVisibility() {
    for (const rt::Control& c : state_->controls) {
        auto found = items_.find(c.id);
        if (found == items_.end()) continue;
        Item& it = found->second;
        if (!it.w || !onCanvas(c.kind)) {
            if (c.kind == K::ToolButton && it.w) it.w->setEnabled(effectivelyEnabled(c));
            continue;
        }
        bool shown = effectivelyShown(c);
        if ((c.kind == K::Group || c.kind == K::Option) && !c.boxed && c.text.empty()) shown = false;
        if (it.w->isHidden() == shown) it.w->setVisible(shown);
        const bool enabled = effectivelyEnabled(c);
        // The control's own state, not what it shows: while its window takes no input every
        // control looks greyed, and one the program greys meanwhile must stay so after.
        if (it.w->testAttribute(Qt::WA_ForceDisabled) == enabled) it.w->setEnabled(enabled);
    }
}

void WindowView::applyFocus(bool first) {
    const int f = state_->focus;
    // The program giving the focus again to the control it last gave it to is a request too:
    // the user may have clicked elsewhere meanwhile (a list under its edit cell).
    const bool asked = state_->focusSerial != focusSerialApplied_;
    if (!first && f == focusApplied_ && !asked) return;
    focusApplied_ = f;
    focusSerialApplied_ = state_->focusSerial;
    // The runtime notes the control the user just used; that is no request to move.
    if (!first && f == lastInputControl_ && !asked) return;
    QWidget* w = controlWidget(f);
    if (!w || !onCanvas(items_[f].kind) || !w->isEnabled() || !w->isVisibleTo(canvas_)) return;
    if (first || isQtActive()) focusControl(w);
    else pendingFocus_ = w;
}

}  // namespace qtfe
