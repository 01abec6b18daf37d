#include "services/MemoryListPage.h"

#include <algorithm>

MemoryListPage::MemoryListPage(rt::Window& w, int list, std::function<std::size_t()> count,
                               std::function<rt::Row(std::size_t)> row)
    : w_(w), list_(list), count_(std::move(count)), row_(std::move(row)) {}

std::size_t MemoryListPage::pageRows() const {
    return static_cast<std::size_t>(std::max(1, w_.visibleRows(list_)));
}

std::size_t MemoryListPage::highlightedEntry() const {
    const std::size_t n = count_();
    if (highlight_ < 1) return npos;
    const std::size_t at = first_ + static_cast<std::size_t>(highlight_) - 1;
    return at < n ? at : npos;
}

void MemoryListPage::highlight(std::size_t entry) {
    const std::size_t rows = pageRows();
    if (entry < first_ || entry >= first_ + rows) first_ = entry >= rows / 2 ? entry - rows / 2 : 0;
    show();
    highlight_ = static_cast<int>(entry - first_) + 1;
    show();
}

bool MemoryListPage::take() {
    const rt::EventData& e = w_.event();
    if (e.control != list_) return false;
    const std::size_t n = count_();
    const std::size_t rows = pageRows();
    const std::size_t lastFirst = n > rows ? n - rows : 0;
    switch (e.code) {
    case rt::EvNewSelection:
        if (e.value >= 1) highlight_ = static_cast<int>(e.value);
        break;
    case rt::EvScrollUp:
        if (highlight_ > 1) --highlight_;
        else if (first_ > 0) --first_;
        break;
    case rt::EvScrollDown:
        if (static_cast<std::size_t>(highlight_) < std::min(rows, n - std::min(n, first_))) ++highlight_;
        else if (first_ < lastFirst) ++first_;
        break;
    case rt::EvPageUp:
        if (first_ > 0) first_ = first_ > rows ? first_ - rows : 0;
        else highlight_ = 1;
        break;
    case rt::EvPageDown:
        if (first_ < lastFirst) first_ = std::min(lastFirst, first_ + rows);
        else highlight_ = static_cast<int>(rows);
        break;
    case rt::EvScrollTop:
        first_ = 0;
        highlight_ = 1;
        break;
    case rt::EvScrollBottom:
        first_ = lastFirst;
        highlight_ = static_cast<int>(rows);
        break;
    case rt::EvScrollDrag:
        first_ = lastFirst * static_cast<std::size_t>(std::clamp<long long>(e.value, 0, 100)) / 100;
        break;
    default:
        return false;
    }
    show();
    return true;
}

void MemoryListPage::show() {
    const std::size_t n = count_();
    const std::size_t rows = pageRows();
    const std::size_t lastFirst = n > rows ? n - rows : 0;
    if (first_ > lastFirst) first_ = lastFirst;
    const std::size_t shown = std::min(rows, n - std::min(n, first_));
    highlight_ = shown == 0 ? 0 : std::clamp(highlight_, 1, static_cast<int>(shown));
    std::vector<rt::Row> page;
    for (std::size_t i = 0; i < shown; ++i) page.push_back(row_(first_ + i));
    if (!samePage(page)) w_.setRows(list_, std::move(page));
    const rt::Control& c = static_cast<const rt::Window&>(w_).ctl(list_);
    if (c.selected != highlight_) w_.setSelected(list_, highlight_);
    const bool scroll = n > rows;
    if (c.vscroll != scroll) w_.showScrollBar(list_, scroll);
    if (scroll) {
        const int thumb = static_cast<int>(first_ * 100 / lastFirst);
        if (c.thumb != thumb) w_.setThumb(list_, thumb);
    }
}

bool MemoryListPage::samePage(const std::vector<rt::Row>& page) const {
    const auto& now = static_cast<const rt::Window&>(w_).ctl(list_).rows;
    if (now.size() != page.size()) return false;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (now[i].cells.size() != page[i].cells.size()) return false;
        for (std::size_t c = 0; c < page[i].cells.size(); ++c)
            if (now[i].cells[c].text != page[i].cells[c].text) return false;
    }
    return true;
}
