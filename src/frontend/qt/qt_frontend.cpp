#include "frontend/qt/qt_frontend.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <set>

#include "frontend/qt/requests.h"
#include "frontend/qt/resources.h"
#include "frontend/qt/units.h"
#include "frontend/qt/window_view.h"
#include "runtime/window/frontend.h"

namespace qtfe {

QtFrontEnd::QtFrontEnd() : link_(std::make_shared<Link>()), requests_(std::make_unique<RequestPresenter>(*this)) {
    // A safety net: the listener is the normal way to learn of changes.
    activation_.setSingleShot(true);
    activation_.setInterval(30);
    connect(&activation_, &QTimer::timeout, this, [this] {
        if (inRefresh_) return;
        if (const int id = qtActiveWindow()) userActivated(id);
    });
    poll_.setInterval(250);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (rt::published().serial != serial_) refresh();
    });
    qApp->installEventFilter(this);
    if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(programIcon());
}

QtFrontEnd::~QtFrontEnd() {
    uninstall();
    inRefresh_ = true;  // windows going away activate others: nobody to tell any more
    qApp->removeEventFilter(this);
    // Children and dialogs before the frame that holds them.
    for (auto it = views_.begin(); it != views_.end();)
        it = it->second->kind() != rt::WindowKind::Frame ? views_.erase(it) : std::next(it);
    while (!views_.empty()) views_.erase(views_.begin());  // one by one: a frame going looks at the others
    requests_.reset();
}

QIcon QtFrontEnd::programIcon() {
    // Windows without a picture of their own show the program's.
    return builtInProgramIcon();
}

void QtFrontEnd::install() {
    // Menus, message boxes and file dialogs speak in the same font as the program's windows.
    QApplication::setFont(interfaceFont());
    {
        std::lock_guard lk(link_->m);
        link_->fe = this;
    }
    std::weak_ptr<Link> weak = link_;
    rt::setChangeListener([weak] {
        auto link = weak.lock();
        if (!link) return;
        std::lock_guard lk(link->m);
        if (!link->fe || link->queued.exchange(true)) return;  // one refresh in flight is enough
        QMetaObject::invokeMethod(link->fe, "refresh", Qt::QueuedConnection);
    });
    rt::setBeepListener([weak](rt::BeepKind) {
        auto link = weak.lock();
        if (!link) return;
        std::lock_guard lk(link->m);
        if (link->fe) QMetaObject::invokeMethod(qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
    });
    poll_.start();
    scheduleRefresh();
}

void QtFrontEnd::uninstall() {
    poll_.stop();
    rt::setChangeListener(nullptr);
    rt::setBeepListener(nullptr);
    std::lock_guard lk(link_->m);
    link_->fe = nullptr;
}

void QtFrontEnd::scheduleRefresh() {
    if (!link_->queued.exchange(true)) QMetaObject::invokeMethod(this, "refresh", Qt::QueuedConnection);
}

WindowView* QtFrontEnd::view(int id) const {
    auto it = views_.find(id);
    return it == views_.end() ? nullptr : it->second.get();
}

QMdiArea* QtFrontEnd::mdiArea() const {
    for (const auto& [id, v] : views_)
        if (v->kind() == rt::WindowKind::Frame && v->mdiArea()) return v->mdiArea();
    return nullptr;
}

QWidget* QtFrontEnd::dialogParent() const {
    for (const auto& [id, v] : views_)
        if (v->kind() == rt::WindowKind::Frame && v->mainWindow()) return v->mainWindow();
    return nullptr;
}

QWidget* QtFrontEnd::requestParent(int window) const {
    WindowView* v = view(window);
    if (!v || !v->top()) return nullptr;
    return v->top()->window();
}

QRect QtFrontEnd::windowArea(int window) const {
    WindowView* v = view(window);
    QWidget* t = v ? v->top() : nullptr;
    if (!t || !t->isVisible() || t->isMinimized()) return {};
    if (t->isWindow()) return t->frameGeometry();
    return QRect(t->mapToGlobal(QPoint(0, 0)), t->size());
}

void QtFrontEnd::refresh() {
    link_->queued = false;
    if (inRefresh_) {  // reached from inside a refresh (a nested event loop): once more after it
        again_ = true;
        return;
    }
    inRefresh_ = true;
    const rt::Published pub = rt::published();
    serial_ = pub.serial;
    bool structure = false;

    std::set<int> ids;
    for (const auto& w : pub.windows) ids.insert(w->id);
    // Closed windows go, children and dialogs before frames; so do views whose widgets went
    // with a frame closed under them (they come back below if still open).
    for (int pass = 0; pass < 2; ++pass)
        for (auto it = views_.begin(); it != views_.end();) {
            const bool frame = it->second->kind() == rt::WindowKind::Frame;
            if ((pass == 0) != frame && (!ids.count(it->first) || !it->second->alive())) {
                it = views_.erase(it);
                structure = true;
            } else {
                ++it;
            }
        }
    for (const auto& w : pub.windows) {
        auto it = views_.find(w->id);
        if (it == views_.end()) {
            views_[w->id] = std::make_unique<WindowView>(*this, w);
            structure = true;
        } else {
            it->second->update(w);
        }
    }

    // The program (or the runtime, when a window closed) chose the active window.
    if (pub.active && (pub.active != publishedActive_ || structure)) {
        if (WindowView* v = view(pub.active); v && !v->isQtActive()) v->bringToFront();
    }
    publishedActive_ = pub.active;

    // Requests last, so that a box opened now lies above the window it belongs to.
    requests_->sync(pub.requests);
    const std::set<int> busy = requests_->busyThreads();
    for (auto& [id, v] : views_) v->setRequestBlocked(busy.count(v->thread()) > 0);
    lastActive_ = pub.active;
    inRefresh_ = false;

    if (again_) {
        again_ = false;
        scheduleRefresh();
    }
    if (!pub.running && pub.windows.empty() && pub.requests.empty() && !ended_) {
        ended_ = true;
        emit programEnded();
    }
}

void QtFrontEnd::detachWithin(QWidget* top, WindowView* owner) {
    for (auto& [id, v] : views_) {
        if (v.get() == owner || !v->alive()) continue;
        for (QObject* p = v->top()->parent(); p; p = p->parent())
            if (p == top) {
                v->detach();
                break;
            }
    }
}

void QtFrontEnd::subWindowActivated(QMdiSubWindow* s) {
    // Made active again, the frame gives the focus back to the widget that had it last, and
    // the child holding that widget comes forward. A child that came forward while the frame
    // was not the active window (it opened under a dialog) takes that place itself.
    if (s && !s->window()->isActiveWindow()) {
        QWidget* last = s->window()->focusWidget();
        if (last != s && !s->isAncestorOf(last)) s->setFocus(Qt::OtherFocusReason);
    }
    if (!inRefresh_) activation_.start();
}

void QtFrontEnd::windowActivated(WindowView*) {
    if (!inRefresh_) activation_.start();
}

int QtFrontEnd::qtActiveWindow() const {
    // Activation passes through several windows while menus close and windows open; only
    // where it comes to rest counts.
    QWidget* w = QApplication::activeWindow();
    if (!w) return 0;
    const QVariant id = w->property(kWindowProperty);
    if (!id.isValid()) return 0;
    WindowView* v = view(id.toInt());
    if (v && v->kind() == rt::WindowKind::Frame && v->mdiArea() && v->mdiArea()->activeSubWindow()) {
        const QVariant sub = v->mdiArea()->activeSubWindow()->property(kWindowProperty);
        if (sub.isValid()) return sub.toInt();
    }
    return id.toInt();
}

void QtFrontEnd::userActivated(int id) {
    WindowView* v = view(id);
    if (!v) return;
    if (v->state().modalBlocked) {
        // An earlier window of a thread that has a newer one: the newer one comes forward.
        WindowView* newest = nullptr;
        for (auto& [wid, other] : views_)
            if (other->thread() == v->thread() && !other->state().modalBlocked) newest = other.get();
        if (newest && newest != v)
            QTimer::singleShot(0, this, [this, nid = newest->id()] {
                if (WindowView* n = view(nid)) n->bringToFront();
            });
        return;
    }
    v->activated();
    if (id == lastActive_) return;
    lastActive_ = id;
    rt::activate(id);
}

WindowView* QtFrontEnd::viewOfWidget(QWidget* w, bool canvasOnly) const {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        const QVariant v = p->property(canvasOnly ? kCanvasProperty : kWindowProperty);
        if (v.isValid()) return view(v.toInt());
        if (p->isWindow()) break;  // a dialog or menu of its own, not part of the window
    }
    return nullptr;
}

namespace {
bool isInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}
}  // namespace

bool QtFrontEnd::eventFilter(QObject* o, QEvent* e) {
    // While a thread waits on a message box or dialog, its windows take no input; a click
    // on one brings the box forward, as the original platform does with a modal box.
    if (isInput(e->type()) && o->isWidgetType()) {
        if (WindowView* v = viewOfWidget(static_cast<QWidget*>(o), false); v && v->requestBlocked()) {
            if (e->type() == QEvent::MouseButtonPress) {
                QApplication::beep();
                requests_->raiseFor(v->thread());
            }
            if (e->type() == QEvent::Close) e->ignore();
            return true;
        }
    }
    // Ctrl+' reaches the program before an entry could take the apostrophe as text.
    if (e->type() == QEvent::KeyPress && o->isWidgetType()) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Apostrophe && (k->modifiers() & Qt::ControlModifier))
            if (WindowView* v = viewOfWidget(static_cast<QWidget*>(o), true); v && v->recallKey(static_cast<QWidget*>(o)))
                return true;
    }
    // Page Up and Page Down turn a preview's pages, even from its zoom list or a button.
    if (e->type() == QEvent::KeyPress && o->isWidgetType()) {
        auto* k = static_cast<QKeyEvent*>(e);
        const auto mods = k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if ((k->key() == Qt::Key_PageUp || k->key() == Qt::Key_PageDown) && !mods)
            if (WindowView* v = viewOfWidget(static_cast<QWidget*>(o), false); v && v->pageKey(k->key() == Qt::Key_PageDown))
                return true;
    }
    // A right click (or the menu key) anywhere on a window's controls goes to the program,
    // which shows its own pop-up menu if it has one.
    if (e->type() == QEvent::ContextMenu && o->isWidgetType()) {
        auto* w = static_cast<QWidget*>(o);
        if (WindowView* v = viewOfWidget(w, true)) {
            auto* ce = static_cast<QContextMenuEvent*>(e);
            if (w->isEnabled() && v->canvas() && v->canvas()->isEnabled())
                v->contextMenu(w, ce->globalPos(), ce->reason() == QContextMenuEvent::Mouse);
            return true;
        }
    }
    return QObject::eventFilter(o, e);
}

}  // namespace qtfe
