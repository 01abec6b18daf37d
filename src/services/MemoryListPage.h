#pragma once
// A list control over rows the window holds in memory (a vector, a queue): only one page of
// rows is handed to the control; scrolling, paging, the thumb and selecting move the page and
// its highlight.
//
//     MemoryListPage page(w, listId, [] { return ConflictQue.size(); },
//                         [](std::size_t i) { return BrowseCells({ConflictQue[i].TITLE}); });
//     page.show();
//     while (w.accept()) {
//         if (page.take()) continue;
//         ... page.highlightedEntry() ...   // 0-based index, or npos when the list is empty
//     }
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "runtime/window/window.h"

class MemoryListPage {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    MemoryListPage(rt::Window& w, int list, std::function<std::size_t()> count,
                   std::function<rt::Row(std::size_t)> row);

    // The highlighted entry (0-based), npos when none.
    std::size_t highlightedEntry() const;
    // Moves the highlight to an entry (the page follows).
    void highlight(std::size_t entry);
    // Handles the list's scrolling and selection events; true when the event was the list's.
    bool take();
    // Shows the page as the entries are now (after they changed).
    void show();

private:
    std::size_t pageRows() const;
    bool samePage(const std::vector<rt::Row>& page) const;

    rt::Window& w_;
    int list_;
    std::function<std::size_t()> count_;
    std::function<rt::Row(std::size_t)> row_;
    std::size_t first_ = 0;  // 0-based
    int highlight_ = 1;      // 1-based row of the page
};
