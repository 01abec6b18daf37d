#pragma once
// Requests the program waits on (message boxes, pop-up menus, file, folder, colour, font and
// printer dialogs), each shown once and answered when the user closes it. While one is open,
// the windows of the thread that asked take no input, as a modal box's owner takes none.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "runtime/window/window.h"

class QDialog;

namespace qtfe {

class QtFrontEnd;

// "SongBook Backup|*.bkp|All Files|*.*" in Qt's terms: "SongBook Backup (*.bkp *.BKP);;All Files (*)".
QString qtFilter(const std::string& filter);

class RequestPresenter : public QObject {
public:
    explicit RequestPresenter(QtFrontEnd& fe);
    ~RequestPresenter() override;

    void sync(const std::vector<std::shared_ptr<const rt::Request>>& requests);
    std::set<int> busyThreads() const;
    QWidget* widget(int request) const;  // the dialog or menu showing a request
    void raiseFor(int thread) const;     // brings the thread's open requests forward

private:
    struct Shown {
        QPointer<QWidget> w;
        int thread = 0;
        int window = 0;  // the window that asked
        bool answered = false;
        bool blocks = true;  // the asking thread's windows take no input meanwhile
    };
    void show(const rt::Request& r);
    // One per kind of request: each builds its dialog or menu into s.
    void showMessage(Shown& s, const rt::Request& r, QWidget* parent);
    void showPopup(Shown& s, const rt::Request& r, QWidget* parent);
    void showFileDialog(Shown& s, const rt::Request& r, QWidget* parent);
    void showFolderDialog(Shown& s, const rt::Request& r, QWidget* parent);
    void showColorDialog(Shown& s, const rt::Request& r, QWidget* parent);
    void showFontDialog(Shown& s, const rt::Request& r, QWidget* parent);
    void showPrinterDialog(Shown& s, const rt::Request& r, QWidget* parent);
    // Shows d without holding the rest of the program; when the user closes it, the request is
    // answered with answer(result).
    void present(Shown& s, int id, QDialog* d, std::function<rt::Answer(int)> answer);
    void finish(int id, const rt::Answer& a);
    QWidget* parentFor(const rt::Request& r) const;

    QtFrontEnd& fe_;
    std::map<int, Shown> shown_;
};

}  // namespace qtfe
