#pragma once
// One program window on screen: a frame (QMainWindow with an MDI area), an MDI child or a
// dialog, built from the window's published snapshots and kept in step with them. User input
// on it goes back to the program as events.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frontend/qt/controls.h"
#include "frontend/qt/units.h"
#include "runtime/window/window.h"

class QButtonGroup;
class QVBoxLayout;

namespace qtfe {

class QtFrontEnd;
class ListControl;

class WindowView : public QObject {
    Q_OBJECT
public:
    WindowView(QtFrontEnd& fe, std::shared_ptr<const rt::WindowState> st);
    ~WindowView() override;

    int id() const { return id_; }
    int thread() const { return state_->thread; }
    // Ctrl+' typed in one of the window's fields: sent to the program; false when not a field.
    bool recallKey(QWidget* target);
    // Page Up or Page Down in a window that shows printed pages turns them, wherever the focus
    // is; false in other windows.
    bool pageKey(bool down);
    rt::WindowKind kind() const { return kind_; }
    const rt::WindowState& state() const { return *state_; }
    // False once its widgets were destroyed from outside (a frame closed under a child).
    bool alive() const;
    // Lets go of the window's widgets before they are destroyed elsewhere: no more events
    // from them, none to the program.
    void detach();
    void update(std::shared_ptr<const rt::WindowState> st);

    QWidget* top() const;  // what the user sees as the window
    QWidget* canvas() const { return canvas_; }
    QMainWindow* mainWindow() const { return main_; }
    QMdiArea* mdiArea() const { return mdi_; }
    QMdiSubWindow* subWindow() const { return sub_; }
    QWidget* controlWidget(int id) const;
    ListControl* list(int id) const;
    int controlOf(QWidget* w) const;  // the control a widget of this window belongs to, 0 none

    // A message box or dialog of the window's thread is open: the window takes no input.
    void setRequestBlocked(bool on);
    bool requestBlocked() const { return requestBlocked_; }
    void bringToFront();
    bool isQtActive() const;
    void activated();  // became the active window: focus what the program asked for meanwhile

    // Input going to the program.
    void send(const rt::EventData& e);
    void command(int control);   // a button, menu item or tool button was pressed
    void commit(int control);    // an entry, combo or spin box was left or confirmed
    void flushEdits();           // commits whatever the user typed and the program has not got
    void userClose();
    void contextMenu(QWidget* target, const QPoint& globalPos, bool byMouse);

    // For the control adapters (controls.h).
    ControlItem* item(int id) {
        auto it = items_.find(id);
        return it == items_.end() ? nullptr : &it->second;
    }
    bool applying() const { return applying_; }  // showing the program's snapshot, not user input
    const DialogUnits& units() const { return du_; }
    QMenuBar* menuBar();
    QToolBar* toolBar();
    QMenu* parentMenu(int parent);
    void applyVisibility();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    using Item = ControlItem;

    void buildShell();
    void applyWindow(bool first);
    void applyGeometry(bool first);
    void applyWindowState();
    void applyStatus();
    void applyEnabled();
    void syncControls(bool forceAll);
    void create(const rt::Control& c);
    void destroyItem(Item& it);
    void apply(const rt::Control& c, Item& it);
    void applyColors(const rt::Control& c, QWidget* w);
    void applyTooltip(const rt::Control& c, Item& it);
    void place(const rt::Control& c, QWidget* w);
    // Edit cells: controls that belong to a list lie over one of its rows (which one their
    // dialog units say) and cover it exactly as the table draws it.
    const rt::Control* cellList(const rt::Control& c) const;
    void placeCell(const rt::Control& cell, const rt::Control& list, QWidget* w);
    void placeCells(int list);
    QWidget* openCell(int list, bool onHighlight) const;
    void takePendingTyping();
    void focusControl(QWidget* w);
    void relink();
    void applyFocus(bool first);
    const rt::Control* control(int id) const;
    bool effectivelyShown(const rt::Control& c) const;
    bool effectivelyEnabled(const rt::Control& c) const;
    int currentTab(int sheet) const;
    QStatusBar* statusBar();
    void enterKey();
    // A key that moves through the list, pressed in an edit cell over one of its rows, goes to
    // the program as the cell's key. False for a key the cell keeps.
    bool cellKey(QLineEdit* cell, const QKeyEvent* k);
    void windowStateChanged();
    QRect clientRect() const;       // in pixels: the canvas or the frame's MDI area
    QRect measured() const;         // position and client size now, in dialog units
    QPoint originOnScreen() const;  // where a dialog's x,y = 0,0 lies
    void scheduleReport();
    void reportGeometry();
    void showFirst();

    QtFrontEnd& fe_;
    int id_;
    rt::WindowKind kind_;
    std::shared_ptr<const rt::WindowState> state_;
    std::map<int, Item> items_;
    DialogUnits du_;
    QFont font_;

    QPointer<QMainWindow> main_;
    QPointer<QMdiArea> mdi_;
    QPointer<QMdiSubWindow> sub_;
    QPointer<QWidget> dialog_;
    QPointer<QWidget> content_;   // children and dialogs: menu bar, tool bar, canvas, status
    QPointer<QWidget> canvas_;    // controls are placed here in dialog units
    QVBoxLayout* layout_ = nullptr;
    QPointer<QMenuBar> menuBar_;
    QPointer<QToolBar> toolBar_;
    QPointer<QStatusBar> statusBar_;
    std::vector<QPointer<QLabel>> zones_;

    std::uint64_t windowRev_ = 0;
    std::uint64_t arrangeSerial_ = 0;  // the frame's last arrange request carried out
    bool shown_ = false;
    bool applying_ = false;
    bool destroying_ = false;
    bool requestBlocked_ = false;
    bool toolTipsOn_ = true;
    int focusApplied_ = 0;       // the snapshot's focus as last seen
    std::uint64_t focusSerialApplied_ = 0;
    int lastInputControl_ = 0;   // the control the user's last event named
    QPointer<QWidget> pendingFocus_;  // asked for while the window was not active
    QPointer<QWidget> savedFocus_;    // had the focus when the window was disabled
    std::string fontKey_;
    std::string iconName_;       // the window's icon as last applied
    // Geometry and state in dialog units: as the last snapshot had them, and as the window
    // has them now (applied from the program, or told to it). A snapshot changes the window
    // only where the program changed something, so the user's own moves are never undone.
    int snapX_ = -2, snapY_ = -2, snapW_ = -1, snapH_ = -1, snapMinW_ = -1, snapMinH_ = -1;
    int curX_ = -2, curY_ = -2, curW_ = -1, curH_ = -1;
    bool snapMax_ = false, snapMin_ = false, curMax_ = false, curMin_ = false;
    bool resizable_ = false;
    QTimer reportTimer_;
};

}  // namespace qtfe
