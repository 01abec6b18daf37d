#pragma once
// A page control: draws one page file, fitted into its place (thumbnails), fitted to its
// width, or at a scale of the page's natural size (96 pixels an inch) with scroll bars.
#include <QScrollArea>
#include <functional>
#include <string>

#include "runtime/report/page_file.h"

namespace qtfe {

class PageView : public QScrollArea {
public:
    explicit PageView(QWidget* parent);
    // Event codes (EvAccepted for a click, EvPageUp, EvPageDown) go here.
    void onEvent(std::function<void(int)> f) { event_ = std::move(f); }
    // The page file and the zoom: "" fitted, "width", or a scale ("0.5", "2").
    void show(const std::string& file, const std::string& zoom);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class PageCanvas;
    void layoutCanvas();
    std::function<void(int)> event_;
    std::string file_, zoom_;
    rt::report::PageFile page_;
    QWidget* canvas_;
};

}  // namespace qtfe
