#pragma once
// A list over entries held in memory (the tagged discs, a setup's tag list): the list shows a
// page of them, and scrolling, dragging and selecting move the page and its highlight. The
// entries are counted and read through two functions, from 1:
//
//     MemoryListPager tags(w, tagList, [] { return TagQue.records(); }, [](std::size_t i) {
//         return BrowseCells({TagQue.entry(i).QUEUNQDISKID.str(), TagQue.entry(i).DISKID.str()});
//     });
//     while (w.accept()) {
//         if (tags.take()) continue;           // the list's own events
//         ... commands that change the entries ...
//         tags.show();                         // the page as the entries are now
//     }
//
// Records in files page through BrowseList instead.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

#include "runtime/window/window.h"

class MemoryListPager {
public:
    MemoryListPager(rt::Window& w, int list, std::function<std::size_t()> count,
                    std::function<rt::Row(std::size_t)> row)
        : w_(w), list_(list), count_(std::move(count)), row_(std::move(row)) {}

    // The entry highlighted (from 1), 0 when none.
    std::size_t highlightedEntry() const {
        return highlight_ >= 1 ? first_ + static_cast<std::size_t>(highlight_) - 1 : 0;
    }

    // Takes the list's own events (selection, scrolling); false for any other event.
    bool take() {
        const rt::EventData& e = w_.event();
        if (e.control != list_) return false;
        const std::size_t n = count_();
        const std::size_t rows = pageRows();
        switch (e.code) {
        case rt::EvNewSelection:
            if (e.value >= 1) highlight_ = static_cast<int>(e.value);
            break;
        case rt::EvScrollUp:
            if (highlight_ > 1) --highlight_;
            else if (first_ > 1) --first_;
            break;
        case rt::EvScrollDown:
            if (static_cast<std::size_t>(highlight_) < std::min(rows, n - std::min(n, first_ - 1))) ++highlight_;
            else if (first_ - 1 + rows < n) ++first_;
            break;
        case rt::EvPageUp:
            if (first_ > rows) first_ -= rows;
            else if (first_ > 1) first_ = 1;
            else highlight_ = 1;
            break;
        case rt::EvPageDown:
            if (first_ - 1 + 2 * rows <= n) first_ += rows;
            else if (n > rows && first_ != n - rows + 1) first_ = n - rows + 1;
            else highlight_ = static_cast<int>(rows);
            break;
        case rt::EvScrollTop:
            first_ = 1;
            highlight_ = 1;
            break;
        case rt::EvScrollBottom:
            first_ = n > rows ? n - rows + 1 : 1;
            highlight_ = static_cast<int>(rows);
            break;
        case rt::EvScrollDrag:
            if (n > rows) first_ = 1 + static_cast<std::size_t>((n - rows) * static_cast<std::size_t>(std::clamp<long long>(e.value, 0, 100)) / 100);
            break;
        default:
            return false;
        }
        show();
        return true;
    }

    // Shows the page as the entries are now (after they changed: nothing is sent when the page
    // is the same).
    void show() {
        const std::size_t n = count_();
        const std::size_t rows = pageRows();
        if (first_ < 1) first_ = 1;
        if (n <= rows) first_ = 1;
        else if (first_ > n - rows + 1) first_ = n - rows + 1;
        const std::size_t shown = n >= first_ ? std::min(rows, n - first_ + 1) : 0;
        highlight_ = shown == 0 ? 0 : std::clamp(highlight_, 1, static_cast<int>(shown));
        std::vector<rt::Row> page;
        for (std::size_t i = 0; i < shown; ++i) {
            page.push_back(row_(first_ + i));
        }
        if (!samePage(page)) w_.setRows(list_, std::move(page));
        if (w_.ctl(list_).selected != highlight_) w_.setSelected(list_, highlight_);
        const bool scroll = n > rows;
        if (w_.ctl(list_).vscroll != scroll) w_.showScrollBar(list_, scroll);
        if (scroll) {
            const int thumb = static_cast<int>((first_ - 1) * 100 / (n - rows));
            if (w_.ctl(list_).thumb != thumb) w_.setThumb(list_, thumb);
        }
    }

private:
    std::size_t pageRows() const { return static_cast<std::size_t>(std::max(1, w_.visibleRows(list_))); }
    bool samePage(const std::vector<rt::Row>& page) const {
        const auto& now = w_.ctl(list_).rows;
        if (now.size() != page.size()) return false;
        for (std::size_t i = 0; i < page.size(); ++i) {
            if (now[i].cells.size() != page[i].cells.size()) return false;
            for (std::size_t c = 0; c < page[i].cells.size(); ++c)
                if (now[i].cells[c].text != page[i].cells[c].text) return false;
        }
        return true;
    }

    rt::Window& w_;
    int list_;
    std::function<std::size_t()> count_;
    std::function<rt::Row(std::size_t)> row_;
    std::size_t first_ = 1;
    int highlight_ = 1;
};

