#include "frontend/qt/page_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <cstdlib>

#include "runtime/report/render/painter.h"
#include "runtime/window/window.h"

namespace qtfe {

class PageCanvas : public QWidget {
public:
    explicit PageCanvas(PageView* view) : QWidget(nullptr), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::PointingHandCursor);  // a click zooms in or out
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        const auto& page = view_->page_;
        if (view_->file_.empty() || page.width <= 0 || page.height <= 0) return;
        // The page keeps its proportions, centred in the room it has.
        const qreal aspect = static_cast<qreal>(page.height) / static_cast<qreal>(page.width);
        qreal w = width(), h = w * aspect;
        if (h > height()) {
            h = height();
            w = h / aspect;
        }
        const QRectF target((width() - w) / 2, (height() - h) / 2, w, h);
        rt::report::render::paintPage(p, page, target);
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(target.adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && view_->event_) view_->event_(rt::EvAccepted);
    }

private:
    PageView* view_;
};

PageView::PageView(QWidget* parent) : QScrollArea(parent), canvas_(new PageCanvas(this)) {
    setWidget(canvas_);
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Dark);
}

void PageView::show(const std::string& file, const std::string& zoom) {
    if (file != file_) {
        file_ = file;
        rt::report::readPageFile(file, page_);  // unreadable: a blank page at Letter size
    }
    zoom_ = zoom;
    layoutCanvas();
    canvas_->update();
}

void PageView::layoutCanvas() {
    const QSize room = maximumViewportSize();
    const double inchesW = page_.width / 1000.0, inchesH = page_.height / 1000.0;
    if (zoom_.empty()) {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        canvas_->resize(room);
    } else if (zoom_ == "width") {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        const int w = room.width() - verticalScrollBar()->sizeHint().width();
        canvas_->resize(std::max(1, w), std::max(1, static_cast<int>(w * inchesH / inchesW)));
    } else {
        const double f = std::clamp(std::atof(zoom_.c_str()), 0.05, 10.0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        canvas_->resize(std::max(1, static_cast<int>(inchesW * 96 * f)), std::max(1, static_cast<int>(inchesH * 96 * f)));
    }
}

void PageView::resizeEvent(QResizeEvent* e) {
    QScrollArea::resizeEvent(e);
    layoutCanvas();
}

void PageView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_PageUp && event_) return event_(rt::EvPageUp);
    if (e->key() == Qt::Key_PageDown && event_) return event_(rt::EvPageDown);
    QScrollArea::keyPressEvent(e);
}

}  // namespace qtfe
