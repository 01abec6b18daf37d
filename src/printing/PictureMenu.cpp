#include "printing/PictureMenu.h"

#include "services/TaskWindow.h"

void RunPictureMenu(const std::string& title, const std::string& heading, const std::vector<PictureMenuItem>& items) {
    const int rows = static_cast<int>(items.size());
    TaskWindow w(title, rt::WindowKind::Dialog, -1, -1, 236, 52 + 30 * rows);
    w.setFont(rt::Font{"Arial", 8});
    w.setControlFont(w.text("?Heading", heading, 8, 6, 220, 14), rt::Font{"Arial", 12, 700});
    std::vector<int> buttons;
    for (int i = 0; i < rows; ++i) {
        const PictureMenuItem& item = items[static_cast<std::size_t>(i)];
        const int y = 26 + 30 * i;
        const int b = w.button(item.name, "", 10, y, 26, 26);
        w.edit(b).icon = item.picture;
        w.setTooltip(b, item.text);
        w.text(item.name + ":Text", item.text, 42, y + 8, 186, 10);
        if (!item.action) w.disable(b);
        buttons.push_back(b);
    }
    const int cancel = w.button("?Cancel", "Cancel", 176, 30 + 30 * rows, 52, 14);
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == cancel) {
            w.close();
            continue;
        }
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (w.field() != buttons[i] || !items[i].action) continue;
            items[i].action();
        }
    }
}
