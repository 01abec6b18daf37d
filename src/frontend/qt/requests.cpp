#include "frontend/qt/requests.h"

#include <QColorDialog>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "frontend/qt/qt_frontend.h"
#include "frontend/qt/units.h"
#include "runtime/files/folder.h"
#include "runtime/report/print.h"
#include "runtime/window/frontend.h"

namespace qtfe {

namespace {

// The font chooser inside the dialog below: Escape and Enter in it end the whole dialog, which
// would otherwise stay open around an emptied chooser.
class EmbeddedFontDialog : public QFontDialog {
public:
    EmbeddedFontDialog(QDialog* outer) : QFontDialog(outer), outer_(outer) {}
    void done(int result) override { outer_->done(result); }
private:
    QDialog* outer_;
};

// The font dialog of the original platform also picks the text colour.
class FontColorDialog : public QDialog {
public:
    FontColorDialog(const rt::Font& f, QWidget* parent) : QDialog(parent) {
        auto* lay = new QVBoxLayout(this);
        fonts_ = new EmbeddedFontDialog(this);
        fonts_->setWindowFlags(Qt::Widget);
        fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        // "Arial" is an alias here: the dialog lists the face it resolves to.
        const QFont wanted = windowFont(f);
        resolvedFamily_ = QFontInfo(wanted).family();
        askedName_ = f.name;
        QFont shown = wanted;
        shown.setFamily(resolvedFamily_);
        fonts_->setCurrentFont(shown);
        lay->addWidget(fonts_);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Colour:"), this));
        colorButton_ = new QPushButton(this);
        colorButton_->setMinimumWidth(80);
        row->addWidget(colorButton_);
        row->addStretch(1);
        lay->addLayout(row);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        lay->addWidget(box);
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        color_ = toColor(f.color);
        if (!color_.isValid()) color_ = Qt::black;
        showColor();
        connect(colorButton_, &QPushButton::clicked, this, [this] {
            auto* d = new QColorDialog(color_, this);
            d->setAttribute(Qt::WA_DeleteOnClose);
            connect(d, &QColorDialog::colorSelected, this, [this](const QColor& c) {
                color_ = c;
                showColor();
            });
            d->open();
        });
    }

    rt::Font result() const {
        const QFont q = fonts_->currentFont();
        rt::Font f;
        f.name = q.family() == resolvedFamily_ && !askedName_.empty() ? askedName_ : ss(q.family());
        f.size = q.pointSize() > 0 ? q.pointSize() : 0;
        f.weight = q.weight();
        f.italic = q.italic();
        f.color = fromColor(color_);
        return f;
    }

private:
    void showColor() {
        colorButton_->setText(color_.name());
        QPalette pal = colorButton_->palette();
        pal.setColor(QPalette::Button, color_);
        pal.setColor(QPalette::ButtonText, color_.lightness() < 128 ? Qt::white : Qt::black);
        colorButton_->setPalette(pal);
        colorButton_->setAutoFillBackground(true);
    }
    QFontDialog* fonts_;
    QPushButton* colorButton_;
    QColor color_;
    QString resolvedFamily_;
    std::string askedName_;
};

QMessageBox::Icon boxIcon(rt::Icon i) {
    switch (i) {
    case rt::Icon::Exclamation: return QMessageBox::Warning;
    case rt::Icon::Question: return QMessageBox::Question;
    case rt::Icon::Hand: return QMessageBox::Critical;
    case rt::Icon::Asterisk: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QStringList patternsOf(const QString& list) {
    QStringList out;
    for (QString p : list.split(QRegularExpression(QStringLiteral("[;, ]+")), Qt::SkipEmptyParts)) {
        if (p == QStringLiteral("*.*")) p = QStringLiteral("*");
        out << p;
        // Names on this system are case-sensitive; the patterns were written for one that is not.
        const QString upper = p.toUpper(), lower = p.toLower();
        if (upper != p && !out.contains(upper)) out << upper;
        if (lower != p && !out.contains(lower)) out << lower;
    }
    return out;
}

// What a file or folder dialog answers: the one path chosen, if any.
rt::Answer chosenPath(const QFileDialog& d, int result) {
    rt::Answer a;
    const QStringList files = d.selectedFiles();
    a.ok = result == QDialog::Accepted && !files.isEmpty();
    if (a.ok) a.path = ss(files.front());
    return a;
}

}  // namespace

QString qtFilter(const std::string& filter) {
    const QStringList parts = qs(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QStringList pats = patternsOf(parts[i + 1]);
        if (pats.isEmpty()) continue;
        out << QStringLiteral("%1 (%2)").arg(name, pats.join(' '));
    }
    return out.join(QStringLiteral(";;"));
}

RequestPresenter::RequestPresenter(QtFrontEnd& fe) : fe_(fe) {}

RequestPresenter::~RequestPresenter() {
    for (auto& [id, s] : shown_)
        if (s.w) {
            QObject::disconnect(s.w, nullptr, this, nullptr);
            delete s.w.data();
        }
}

void RequestPresenter::raiseFor(int thread) const {
    for (const auto& [id, s] : shown_)
        if (!s.answered && s.thread == thread && s.w) {
            s.w->raise();
            s.w->activateWindow();
        }
}

QWidget* RequestPresenter::widget(int request) const {
    auto it = shown_.find(request);
    return it == shown_.end() ? nullptr : it->second.w.data();
}

std::set<int> RequestPresenter::busyThreads() const {
    std::set<int> out;
    for (const auto& [id, s] : shown_)
        if (!s.answered && s.blocks) out.insert(s.thread);
    return out;
}

QWidget* RequestPresenter::parentFor(const rt::Request& r) const {
    if (QWidget* w = fe_.requestParent(r.window)) return w;
    return fe_.dialogParent();
}

void RequestPresenter::sync(const std::vector<std::shared_ptr<const rt::Request>>& requests) {
    std::set<int> live;
    for (const auto& r : requests) {
        live.insert(r->id);
        if (!shown_.count(r->id)) show(*r);
    }
    for (auto it = shown_.begin(); it != shown_.end();) {
        if (live.count(it->first)) {
            ++it;
            continue;
        }
        // Gone without our answer (the program ended): the dialog goes too.
        if (it->second.w) {
            QObject::disconnect(it->second.w, nullptr, this, nullptr);
            it->second.w->hide();
            it->second.w->deleteLater();
        }
        it = shown_.erase(it);
    }
}

void RequestPresenter::finish(int id, const rt::Answer& a) {
    auto it = shown_.find(id);
    if (it == shown_.end() || it->second.answered) return;
    it->second.answered = true;
    rt::answer(id, a);
    if (it->second.w) {
        QObject::disconnect(it->second.w, nullptr, this, nullptr);
        it->second.w->deleteLater();
    }
    fe_.scheduleRefresh();
}

void RequestPresenter::present(Shown& s, int id, QDialog* d, std::function<rt::Answer(int)> answer) {
    connect(d, &QDialog::finished, this, [this, id, answer = std::move(answer)](int result) { finish(id, answer(result)); });
    d->setWindowModality(Qt::NonModal);
    d->show();
    // Over the window that asked, which for a frame's child is not the frame's centre.
    const QRect asking = fe_.windowArea(s.window);
    if (asking.isValid()) {
        const QRect box = d->frameGeometry();
        QPoint at = asking.center() - QPoint(box.width() / 2, box.height() / 2);
        if (QScreen* scr = d->screen()) {
            const QRect avail = scr->availableGeometry();
            at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - box.width())));
            at.setY(std::clamp(at.y(), avail.top(), std::max(avail.top(), avail.bottom() - box.height())));
        }
        if (at != box.topLeft()) d->move(at);
    }
    s.w = d;
}

void RequestPresenter::show(const rt::Request& r) {
    Shown& s = shown_[r.id];
    s.thread = r.thread;
    s.window = r.window;
    QWidget* parent = parentFor(r);
    switch (r.kind) {
    case rt::RequestKind::Message: showMessage(s, r, parent); break;
    case rt::RequestKind::Popup:
        // A menu takes the mouse and keys itself: it is not raised as a dialog is.
        showPopup(s, r, parent);
        return;
    case rt::RequestKind::OpenFile:
    case rt::RequestKind::SaveFile: showFileDialog(s, r, parent); break;
    case rt::RequestKind::Folder: showFolderDialog(s, r, parent); break;
    case rt::RequestKind::Color: showColorDialog(s, r, parent); break;
    case rt::RequestKind::Font: showFontDialog(s, r, parent); break;
    case rt::RequestKind::Printer: showPrinterDialog(s, r, parent); break;
    }
    if (s.w) {
        s.w->raise();
        s.w->activateWindow();
    }
}

void RequestPresenter::showMessage(Shown& s, const rt::Request& r, QWidget* parent) {
    auto* mb = new QMessageBox(parent);
    mb->setWindowTitle(titleText(r.title));
    mb->setTextFormat(Qt::PlainText);
    mb->setText(qs(r.text));
    mb->setIcon(boxIcon(r.icon));
    QAbstractButton* deflt = nullptr;
    QAbstractButton* escape = nullptr;
    const int escapeValue = rt::escapeValue(r);
    std::vector<QAbstractButton*> buttons;
    for (std::size_t i = 0; i < r.buttons.size(); ++i) {
        // One role for all keeps the program's order of buttons.
        QPushButton* b = mb->addButton(qs(r.buttons[i]), QMessageBox::ActionRole);
        const int value = i < r.values.size() ? r.values[i] : static_cast<int>(i + 1);
        b->setProperty("qtfeValue", value);
        if (value == r.defaultValue) deflt = b;
        if (escapeValue && value == escapeValue && !escape) escape = b;
        buttons.push_back(b);
    }
    if (buttons.empty()) {
        QPushButton* b = mb->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        b->setProperty("qtfeValue", r.defaultValue ? r.defaultValue : 1);
        buttons.push_back(b);
        escape = b;
    }
    if (!deflt) deflt = buttons.front();
    mb->setDefaultButton(qobject_cast<QPushButton*>(deflt));
    // Escape and the title bar's close answer the button that cancels; a box without one
    // (its default may delete) ignores both and waits for a choice.
    mb->setEscapeButton(escape);
    const int fallback = escape ? escape->property("qtfeValue").toInt() : r.defaultValue;
    present(s, r.id, mb, [mb, fallback](int) {
        rt::Answer a;
        QAbstractButton* b = mb->clickedButton();
        a.value = b ? b->property("qtfeValue").toInt() : fallback;
        a.ok = true;
        return a;
    });
}

void RequestPresenter::showPopup(Shown& s, const rt::Request& r, QWidget* parent) {
    const int id = r.id;
    auto* m = new QMenu(parent);
    int n = 0;
    for (const auto& item : r.items) {
        if (item == "-") {
            m->addSeparator();
            continue;
        }
        ++n;
        QString t = qs(item);
        const bool grey = t.startsWith('~');
        if (grey) t.remove(0, 1);
        QAction* a = m->addAction(t);
        a->setEnabled(!grey);
        connect(a, &QAction::triggered, this, [this, id, n] {
            rt::Answer an;
            an.value = n;
            an.ok = true;
            finish(id, an);
        });
    }
    // A chosen item triggers after the menu hides; only a menu left without a choice answers 0.
    connect(m, &QMenu::aboutToHide, this, [this, id] {
        QTimer::singleShot(0, this, [this, id] { finish(id, rt::Answer{}); });
    });
    m->popup(QCursor::pos());
    s.w = m;
    s.blocks = false;  // a menu holds the mouse and keys itself while it is open
}

void RequestPresenter::showFileDialog(Shown& s, const rt::Request& r, QWidget* parent) {
    const bool save = r.kind == rt::RequestKind::SaveFile;
    auto* d = new QFileDialog(parent, qs(r.title));
    const QString filter = qtFilter(r.filter);
    if (!filter.isEmpty()) d->setNameFilters(filter.split(QStringLiteral(";;")));
    d->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString start = qs(rt::absolutePath(r.path.empty() ? std::string(".") : r.path));
    QFileInfo fi(start);
    if (fi.isDir()) {
        d->setDirectory(fi.absoluteFilePath());
    } else {
        d->setDirectory(fi.absolutePath());
        d->selectFile(fi.fileName());
    }
    if (save) {
        const QString first = qs(r.filter).section('|', 1, 1).section(';', 0, 0);
        // The filters name "*.CSV", "*.PSF" and the like; the program's own files end in
        // ".csv", ".psf": a name typed without an extension gets that one.
        if (first.startsWith(QStringLiteral("*.")) && first.indexOf('*', 1) < 0)
            d->setDefaultSuffix(first.mid(2).toLower());
    }
    present(s, r.id, d, [d](int result) { return chosenPath(*d, result); });
}

void RequestPresenter::showFolderDialog(Shown& s, const rt::Request& r, QWidget* parent) {
    auto* d = new QFileDialog(parent, qs(r.title));
    d->setFileMode(QFileDialog::Directory);
    d->setOption(QFileDialog::ShowDirsOnly);
    const QString start = qs(rt::absolutePath(r.path.empty() ? std::string(".") : r.path));
    d->setDirectory(QFileInfo(start).isDir() ? start : QFileInfo(start).absolutePath());
    present(s, r.id, d, [d](int result) { return chosenPath(*d, result); });
}

void RequestPresenter::showColorDialog(Shown& s, const rt::Request& r, QWidget* parent) {
    QColor initial = toColor(r.color);
    auto* d = new QColorDialog(initial.isValid() ? initial : QColor(Qt::black), parent);
    if (!r.title.empty()) d->setWindowTitle(qs(r.title));
    present(s, r.id, d, [d](int result) {
        rt::Answer a;
        a.ok = result == QDialog::Accepted;
        a.color = a.ok ? fromColor(d->selectedColor()) : 0;
        return a;
    });
}

void RequestPresenter::showFontDialog(Shown& s, const rt::Request& r, QWidget* parent) {
    auto* d = new FontColorDialog(r.font, parent);
    d->setWindowTitle(qs(r.title.empty() ? std::string("Font") : r.title));
    present(s, r.id, d, [d](int result) {
        rt::Answer a;
        a.ok = result == QDialog::Accepted;
        if (a.ok) a.font = d->result();
        return a;
    });
}

void RequestPresenter::showPrinterDialog(Shown& s, const rt::Request& r, QWidget* parent) {
    // Printing to a file is the dialog's PDF output; anything else is a printer by name.
    auto printer = std::make_shared<QPrinter>();
    if (r.toFile || r.path == rt::report::kPdfPrinter) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        if (r.toFile && !r.path.empty()) printer->setOutputFileName(qs(r.path));
    } else if (!r.path.empty()) {
        printer->setPrinterName(qs(r.path));
    }
    auto* d = new QPrintDialog(printer.get(), parent);
    if (!r.title.empty()) d->setWindowTitle(qs(r.title));
    present(s, r.id, d, [printer](int result) {
        rt::Answer a;
        a.ok = result == QDialog::Accepted;
        if (a.ok && printer->outputFormat() == QPrinter::PdfFormat) {
            // Whatever its ending, the name handed back is the file to write.
            a.toFile = true;
            a.path = ss(printer->outputFileName());
        } else if (a.ok) {
            a.path = ss(printer->printerName());
        }
        return a;
    });
}

}  // namespace qtfe
