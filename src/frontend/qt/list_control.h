#pragma once
// A list control: a table that shows exactly the page the program filled, and a separate
// scroll bar that shows the program's thumb. The table never scrolls by itself; every key,
// wheel turn and scroll-bar action becomes an event for the program, which refills the page.
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <vector>

#include "frontend/qt/units.h"
#include "runtime/window/window.h"

class QScrollBar;

namespace qtfe {

class ListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumns(const std::vector<rt::Column>& cols);
    void setRows(const std::vector<rt::Row>& rows);
    void setSelected(int row);  // 1-based, 0 none
    void setColors(std::uint32_t fg, std::uint32_t bg, std::uint32_t selFg, std::uint32_t selBg);
    int selected() const { return selected_; }
    int rows() const { return static_cast<int>(rows_.size()); }
    const std::vector<rt::Column>& columns() const { return cols_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    void rowChanged(int row);
    std::vector<rt::Column> cols_;
    std::vector<rt::Row> rows_;
    int selected_ = 0;
    std::uint32_t fg_ = rt::kNoColor, bg_ = rt::kNoColor, selFg_ = rt::kNoColor, selBg_ = rt::kNoColor;
};

// Draws cells with the model's colours only: no focus frame, no selection of Qt's own.
class ListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class ListControl;

// Selects the whole text of an edit cell, keeping its start in view.
void selectWhole(QWidget* cell);

class ListTable : public QTableView {
public:
    explicit ListTable(ListControl* owner);
    // A page never scrolls; a list the program fills whole does.
    void scrollTo(const QModelIndex& i, ScrollHint hint) override;
protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
private:
    ListControl* owner_;
    int wheelRest_ = 0;
};

class ListControl : public QWidget {
public:
    using Sender = std::function<void(const rt::EventData&)>;  // the control id filled in
    ListControl(int controlId, Sender send, QWidget* parent);

    void apply(const rt::Control& c, const DialogUnits& du);
    ListTable* table() const { return table_; }
    ListModel* model() const { return model_; }
    QScrollBar* scrollBar() const { return bar_; }
    int visibleRows() const { return visibleRows_; }
    bool whole() const { return whole_; }

    // Highlights the row at a point of the table (a right click) and tells the program.
    void selectAt(const QPoint& viewportPos);

    // Edit cells the program lays over the list's rows (see WindowView). `finder` gives the
    // open cell that takes typing: over the highlighted row (true), or anywhere (false);
    // `laidOut` runs whenever the rows or columns move on screen, so the cells follow them.
    void setCells(std::function<QWidget*(bool onHighlight)> finder, std::function<void()> laidOut);
    // Typing that came while the open cell had not yet reached the highlighted row.
    QString takePending();

    // User input, from the table and the scroll bar.
    void send(int code, long long value = 0, int key = 0, const QString& text = {}, int column = 0);
    void clickRow(int row, int column);
    void key(QKeyEvent* e);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    bool eventFilter(QObject* o, QEvent* e) override;
    void fitRows();
    void fitColumns(const rt::Control& c);
    void laidOut();
    void barAction(int action);
    int id_;
    Sender send_;
    ListTable* table_;
    ListModel* model_;
    QScrollBar* bar_;
    DialogUnits du_;
    int visibleRows_ = 1;
    std::vector<int> widths_;    // each column's least width in pixels, as far as shown
    std::vector<int> contents_;  // the room its heading and values take (the last column fills the rest)
    bool whole_ = false;  // the program gave more rows than a page: the list scrolls itself
    int thumb_ = 0;
    bool columnsSet_ = false;
    std::function<QWidget*(bool)> cellFinder_;
    std::function<void()> cellsLaidOut_;
    QString pending_;
};

}  // namespace qtfe
