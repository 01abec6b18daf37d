#pragma once
// The Qt front end: keeps the program's published windows and requests on screen. Program
// threads only ever tell it "something changed"; all widget work happens on the GUI thread,
// from the runtime's immutable snapshots.
#include <QIcon>
#include <QObject>
#include <QRect>
#include <QTimer>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace qtfe {

class RequestPresenter;
class WindowView;

extern const char* const kWindowProperty;   // on a window's top widget: its id
extern const char* const kCanvasProperty;   // on the widget holding a window's controls
extern const char* const kControlProperty;  // on a control's widget: its id

class QtFrontEnd : public QObject {
    Q_OBJECT
public:
    QtFrontEnd();
    ~QtFrontEnd() override;

    // Listens to the runtime (changes and beeps); uninstall() before the program's end is joined.
    void install();
    void uninstall();

    // Brings the screen in step with the published state.
    Q_INVOKABLE void refresh();
    void scheduleRefresh();

    WindowView* view(int id) const;
    // Detaches every view but `owner` whose window lies inside `top` (about to be destroyed).
    void detachWithin(QWidget* top, WindowView* owner);
    QMdiArea* mdiArea() const;        // the frame's, or null
    QWidget* dialogParent() const;    // the frame's main window, or null
    QWidget* requestParent(int window) const;
    QRect windowArea(int window) const;  // where the window shows on the screen, or empty
    RequestPresenter* requests() const { return requests_.get(); }
    static QIcon programIcon();

    // Activation by the user.
    void subWindowActivated(QMdiSubWindow* s);
    void windowActivated(WindowView* v);

signals:
    // The program has ended and nothing is left on screen.
    void programEnded();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    struct Link {
        std::mutex m;
        QtFrontEnd* fe = nullptr;
        std::atomic<bool> queued{false};
    };
    void userActivated(int id);
    int qtActiveWindow() const;
    WindowView* viewOfWidget(QWidget* w, bool canvasOnly) const;

    std::shared_ptr<Link> link_;
    std::map<int, std::unique_ptr<WindowView>> views_;
    std::unique_ptr<RequestPresenter> requests_;
    QTimer poll_;
    QTimer activation_;
    std::uint64_t serial_ = 0;
    bool inRefresh_ = false;
    bool again_ = false;
    bool ended_ = false;
    int lastActive_ = 0;
    int publishedActive_ = 0;
};

}  // namespace qtfe
