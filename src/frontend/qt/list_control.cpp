#include "frontend/qt/list_control.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace qtfe {

namespace {

Qt::Alignment alignOf(char a) {
    switch (a) {
    case 'C': return Qt::AlignHCenter | Qt::AlignVCenter;
    case 'R': return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

bool sameColumns(const std::vector<rt::Column>& a, const std::vector<rt::Column>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].header != b[i].header || a[i].width != b[i].width || a[i].align != b[i].align ||
            a[i].resizable != b[i].resizable)
            return false;
    return true;
}

}  // namespace

// ---- model ----

void ListModel::setColumns(const std::vector<rt::Column>& cols) {
    beginResetModel();
    cols_ = cols;
    endResetModel();
}

void ListModel::setRows(const std::vector<rt::Row>& rows) {
    const int before = static_cast<int>(rows_.size());
    const int after = static_cast<int>(rows.size());
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        rows_.resize(after);
        endRemoveRows();
    }
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        rows_.resize(after);
        endInsertRows();
    }
    rows_ = rows;
    if (after > 0) emit dataChanged(index(0, 0), index(after - 1, columnCount() - 1));
}

void ListModel::rowChanged(int row) {
    if (row < 1 || row > rows()) return;
    emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1));
}

void ListModel::setSelected(int row) {
    if (row == selected_) return;
    const int old = selected_;
    selected_ = row;
    rowChanged(old);
    rowChanged(row);
}

void ListModel::setColors(std::uint32_t fg, std::uint32_t bg, std::uint32_t selFg, std::uint32_t selBg) {
    if (fg == fg_ && bg == bg_ && selFg == selFg_ && selBg == selBg_) return;
    fg_ = fg;
    bg_ = bg;
    selFg_ = selFg;
    selBg_ = selBg;
    if (rows() > 0) emit dataChanged(index(0, 0), index(rows() - 1, columnCount() - 1));
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(cols_.size()));
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows()) return {};
    const rt::Row& row = rows_[index.row()];
    const rt::Cell* cell =
        index.column() < static_cast<int>(row.cells.size()) ? &row.cells[index.column()] : nullptr;
    const bool sel = index.row() + 1 == selected_;
    switch (role) {
    case Qt::DisplayRole:
        return cell ? qs(cell->text) : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            alignOf(index.column() < static_cast<int>(cols_.size()) ? cols_[index.column()].align : 'L'));
    case Qt::ForegroundRole: {
        std::uint32_t c = rt::kNoColor;
        if (sel) c = cell && cell->selFg != rt::kNoColor ? cell->selFg : selFg_;
        else c = cell && cell->fg != rt::kNoColor ? cell->fg : fg_;
        QColor q = toColor(c);
        if (!q.isValid())
            q = QApplication::palette().color(QPalette::Active, sel ? QPalette::HighlightedText : QPalette::Text);
        return q;
    }
    case Qt::BackgroundRole: {
        std::uint32_t c = rt::kNoColor;
        if (sel) c = cell && cell->selBg != rt::kNoColor ? cell->selBg : selBg_;
        else c = cell && cell->bg != rt::kNoColor ? cell->bg : bg_;
        QColor q = toColor(c);
        if (!q.isValid()) {
            if (!sel) return {};
            q = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        }
        return QBrush(q);
    }
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || section < 0) return {};
    const bool known = section < static_cast<int>(cols_.size());
    if (role == Qt::DisplayRole) return known ? qs(cols_[section].header) : QString();
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignOf(known ? cols_[section].align : 'L'));
    return {};
}

void ListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
}

// ---- table ----

ListTable::ListTable(ListControl* owner) : QTableView(owner), owner_(owner) {
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setAutoScroll(false);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(4);
    setItemDelegate(new ListDelegate(this));
}

void ListTable::keyPressEvent(QKeyEvent* e) { owner_->key(e); }

void ListTable::scrollTo(const QModelIndex& i, ScrollHint hint) {
    if (owner_->whole()) QTableView::scrollTo(i, hint);
}

void ListTable::wheelEvent(QWheelEvent* e) {
    if (owner_->whole()) {
        QTableView::wheelEvent(e);
        return;
    }
    // A wheel turn scrolls by rows the way the desktop sets it, one event per row.
    wheelRest_ += e->angleDelta().y();
    const int lines = std::max(1, QApplication::wheelScrollLines());
    while (wheelRest_ >= 120 || wheelRest_ <= -120) {
        const bool up = wheelRest_ > 0;
        wheelRest_ += up ? -120 : 120;
        for (int i = 0; i < lines; ++i) owner_->send(up ? rt::EvScrollUp : rt::EvScrollDown);
    }
    e->accept();
}

void ListTable::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton) {
        const int row = rowAt(e->position().toPoint().y());
        if (row >= 0) owner_->clickRow(row + 1, columnAt(e->position().toPoint().x()) + 1);
    }
    e->accept();
}

void ListTable::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rowAt(e->position().toPoint().y()) >= 0)
        owner_->send(rt::EvAlertKey, 0, rt::KeyDoubleClick);
    e->accept();
}

void ListTable::mouseMoveEvent(QMouseEvent* e) { e->accept(); }  // no drag-selecting

// ---- control ----

ListControl::ListControl(int controlId, Sender send, QWidget* parent)
    : QWidget(parent), id_(controlId), send_(std::move(send)) {
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    table_ = new ListTable(this);
    model_ = new ListModel(this);
    table_->setModel(model_);
    bar_ = new QScrollBar(Qt::Vertical, this);
    bar_->setRange(0, 100);
    bar_->setSingleStep(1);
    bar_->setPageStep(10);
    bar_->setFocusPolicy(Qt::NoFocus);
    lay->addWidget(table_, 1);
    lay->addWidget(bar_);
    setFocusProxy(table_);
    connect(bar_, &QScrollBar::actionTriggered, this, [this](int a) { barAction(a); });
    connect(bar_, &QScrollBar::sliderReleased, this, [this] {
        this->send(rt::EvScrollDrag, std::clamp(bar_->sliderPosition(), 1, 100));
    });
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { fitRows(); });
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { laidOut(); });
    connect(table_->verticalHeader(), &QHeaderView::sectionResized, this, [this] { laidOut(); });
    table_->viewport()->installEventFilter(this);
}

void selectWhole(QWidget* cell) {
    // All of it, the cursor at its start so that it reads from there.
    if (auto* e = qobject_cast<QLineEdit*>(cell)) e->setSelection(static_cast<int>(e->text().size()), -static_cast<int>(e->text().size()));
}

void ListControl::setCells(std::function<QWidget*(bool)> finder, std::function<void()> laidOut) {
    cellFinder_ = std::move(finder);
    cellsLaidOut_ = std::move(laidOut);
}

QString ListControl::takePending() {
    QString p = pending_;
    pending_.clear();
    return p;
}

bool ListControl::eventFilter(QObject* o, QEvent* e) {
    // The rows' place on the canvas moves with the viewport (its heading grows, say).
    if (o == table_->viewport() && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) laidOut();
    return QWidget::eventFilter(o, e);
}

void ListControl::laidOut() {
    if (cellsLaidOut_) cellsLaidOut_();
}

void ListControl::apply(const rt::Control& c, const DialogUnits& du) {
    du_ = du;
    if (!columnsSet_ || !sameColumns(c.columns, model_->columns())) {
        columnsSet_ = true;
        model_->setColumns(c.columns);
        QHeaderView* h = table_->horizontalHeader();
        bool anyHeader = false;
        widths_.assign(c.columns.size(), 0);
        contents_.assign(c.columns.size(), 0);
        for (std::size_t i = 0; i < c.columns.size(); ++i) {
            h->setSectionResizeMode(static_cast<int>(i),
                                    c.columns[i].resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
            h->resizeSection(static_cast<int>(i), std::max(4, du.px(c.columns[i].width)));
            if (!c.columns[i].header.empty()) anyHeader = true;
        }
        h->setVisible(anyHeader);
    }
    model_->setColors(c.fg, c.bg, c.selFg, c.selBg);
    QPalette pal = table_->palette();
    const QColor base = toColor(c.bg);
    pal.setColor(QPalette::Base, base.isValid() ? base : QApplication::palette().color(QPalette::Base));
    table_->setPalette(pal);
    model_->setRows(c.rows);
    fitColumns(c);
    model_->setSelected(std::clamp(c.selected, 0, model_->rows()));
    thumb_ = std::clamp(c.thumb, 0, 100);
    // An empty list has nowhere to scroll: its bar shows no thumb.
    const bool empty = model_->rows() == 0;
    bar_->setEnabled(!empty);
    if (bar_->maximum() != (empty ? 0 : 100)) bar_->setRange(0, empty ? 0 : 100);
    if (!bar_->isSliderDown()) bar_->setValue(thumb_);
    visibleRows_ = std::max(1, (c.h - 10) / 8);
    // A list the program fills whole (more rows than the page holds, e.g. the SongBooks of a
    // folder) scrolls by itself; a paged list shows the program's thumb instead.
    whole_ = model_->rows() > visibleRows_;
    table_->setVerticalScrollBarPolicy(whole_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    bar_->setVisible(c.vscroll && !whole_);
    fitRows();
}

void ListControl::fitColumns(const rt::Control& c) {
    // A column is never narrower than its heading or the widest value it has shown: a list
    // wider than its window scrolls sideways instead of cutting them.
    QHeaderView* h = table_->horizontalHeader();
    const QFontMetrics cells(table_->font()), heads(h->font());
    const int pad = 2 * table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 6;
    for (std::size_t i = 0; i < c.columns.size() && i < widths_.size(); ++i) {
        int content = heads.horizontalAdvance(qs(c.columns[i].header)) + pad + 4;
        for (const auto& r : c.rows)
            if (i < r.cells.size()) content = std::max(content, cells.horizontalAdvance(qs(r.cells[i].text)) + pad);
        contents_[i] = std::max(contents_[i], content);
        const int want = std::max({4, du_.px(c.columns[i].width), content});
        if (want <= widths_[i]) continue;
        widths_[i] = want;
        const int col = static_cast<int>(i);
        if (h->sectionSize(col) < want) h->resizeSection(col, want);
    }
}

void ListControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    fitRows();
}

void ListControl::fitRows() {
    // The program fills as many rows as the list's height holds; they must all show.
    QHeaderView* h = table_->horizontalHeader();
    const int frame = table_->frameWidth() * 2;
    // The last column takes what is left, clipped if need be; only columns before it that do
    // not fit make the list scroll sideways.
    int needed = 0;
    const int n = static_cast<int>(model_->columns().size());
    for (int i = 0; i < n; ++i)
        needed += i + 1 < n ? h->sectionSize(i)
                            : std::max(h->minimumSectionSize(), i < static_cast<int>(contents_.size()) ? contents_[i] : 0);
    const int viewW = table_->width() - frame;
    int hbar = 0;
    if (needed > viewW) {
        table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        hbar = table_->horizontalScrollBar()->sizeHint().height();
    } else {
        table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    int avail = height() - frame - hbar;
    int headH = 0;
    if (!h->isHidden()) {
        // The heading keeps its height; in a list too small for its rows the rows give way.
        headH = std::min(h->sizeHint().height(), std::max(0, avail - visibleRows_));
        h->setFixedHeight(headH);
    }
    avail -= headH;
    const int rowH = std::max(1, avail / visibleRows_);
    QHeaderView* v = table_->verticalHeader();
    v->setDefaultSectionSize(rowH);
    // A page fills the list to its bottom: the pixels a whole number of rows leaves over go
    // to the first rows, one each, instead of gathering as empty rows below the last.
    const int spare = whole_ ? 0 : std::max(0, avail - rowH * visibleRows_);
    for (int r = 0; r < model_->rows(); ++r) {
        const int want = rowH + (r < spare ? 1 : 0);
        if (v->sectionSize(r) != want) v->resizeSection(r, want);
    }
    if (!whole_)
        table_->verticalScrollBar()->setValue(0);
    else if (model_->selected() > 0)
        table_->scrollTo(model_->index(model_->selected() - 1, 0), QAbstractItemView::EnsureVisible);
    laidOut();
}

void ListControl::send(int code, long long value, int key, const QString& text, int column) {
    rt::EventData e;
    e.code = code;
    e.control = id_;
    e.value = value;
    e.key = key;
    e.column = column;
    if (!text.isEmpty()) {
        e.text = ss(text);
        e.hasText = false;  // a typed key is no new value for the list
    }
    if (send_) send_(e);
}

void ListControl::clickRow(int row, int column) {
    if (row < 1 || row > model_->rows()) return;
    model_->setSelected(row);
    send(rt::EvNewSelection, row, 0, {}, column);
}

void ListControl::selectAt(const QPoint& viewportPos) {
    const int row = table_->rowAt(viewportPos.y());
    if (row < 0 || row + 1 == model_->selected()) return;
    clickRow(row + 1, table_->columnAt(viewportPos.x()) + 1);
}

void ListControl::key(QKeyEvent* e) {
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrl = mods & Qt::ControlModifier;
    const int sel = model_->selected();
    const int rows = model_->rows();
    switch (e->key()) {
    case Qt::Key_Up:
        if (sel > 1) clickRow(sel - 1, 0);
        else send(rt::EvScrollUp);
        return;
    case Qt::Key_Down:
        if (sel >= 1 && sel < rows) clickRow(sel + 1, 0);
        else if (sel == 0 && rows > 0) clickRow(1, 0);
        else send(rt::EvScrollDown);
        return;
    case Qt::Key_PageUp: send(rt::EvPageUp); return;
    case Qt::Key_PageDown: send(rt::EvPageDown); return;
    case Qt::Key_Home: send(rt::EvScrollTop); return;
    case Qt::Key_End: send(rt::EvScrollBottom); return;
    case Qt::Key_Insert: send(rt::EvAlertKey, 0, rt::KeyInsert); return;
    case Qt::Key_Delete: send(rt::EvAlertKey, 0, rt::KeyDelete); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: send(rt::EvAlertKey, 0, ctrl ? rt::KeyCtrlEnter : rt::KeyEnter); return;
    case Qt::Key_Backspace: send(rt::EvAlertKey, 0, rt::KeyBackspace); return;
    case Qt::Key_Apostrophe:
        if (ctrl) { send(rt::EvAlertKey, 0, rt::KeyCtrlQuote); return; }
        break;
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        e->ignore();
        return;
    default:
        break;
    }
    const QString t = e->text();
    const bool printable = !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && t.size() >= 1 &&
                           t.at(0).isPrint();
    // While an edit cell is open, typing belongs to it and never looks a row up: the
    // highlight stays under the cell. Typing before the cell reached the row just clicked
    // waits for it there.
    if (printable && cellFinder_) {
        if (QWidget* cell = cellFinder_(true)) {
            if (!cell->hasFocus()) {
                cell->setFocus(Qt::OtherFocusReason);
                selectWhole(cell);  // the first key typed replaces the cell's text
            }
            QApplication::sendEvent(cell, e);
            return;
        }
        if (cellFinder_(false)) {
            pending_ += t;
            return;
        }
    }
    if (printable) {
        const uint cp = t.toUcs4().value(0);
        send(rt::EvAlertKey, 0, static_cast<int>(cp), t.left(t.at(0).isHighSurrogate() ? 2 : 1));
        return;
    }
    e->ignore();
}

void ListControl::barAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: send(rt::EvScrollDown); break;
    case QAbstractSlider::SliderSingleStepSub: send(rt::EvScrollUp); break;
    case QAbstractSlider::SliderPageStepAdd: send(rt::EvPageDown); break;
    case QAbstractSlider::SliderPageStepSub: send(rt::EvPageUp); break;
    case QAbstractSlider::SliderToMinimum: send(rt::EvScrollTop); break;
    case QAbstractSlider::SliderToMaximum: send(rt::EvScrollBottom); break;
    default: return;  // a drag reports when the thumb is let go
    }
    // The thumb moves when the program says where the page now is.
    bar_->setSliderPosition(thumb_);
}

}  // namespace qtfe
