#include "library/DiscLocatorHelp.h"

#include "runtime/window/window.h"
#include "services/TaskWindow.h"

void DiscLocatorHelp() {
    TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 252, 176, {}, "disclocatorhelp");
    // Resizable, so the kept size applies as well as the position.
    w.setResizable(true);
    w.setMinSize(120, 80);
    const int picture = w.image("?Image1", "rapidlocator.bmp", 6, 6, 240, 144);
    const int ok = w.button("?OK", "OK", 198, 156, 48, 14);
    w.edit(ok).isDefault = true;

    // The picture takes the room the window gives it; the button stays at the lower right.
    auto fit = [&] {
        const int width = w.width(), height = w.height();
        if (width < 60 || height < 40) return;
        w.setPosition(picture, 6, 6, width - 12, height - 32);
        w.setPosition(ok, width - 54, height - 20, 48, 14);
    };
    w.onFirstDisplay(fit);
    w.onRedisplay(fit);

    w.open();
    w.select(ok);
    while (w.accept()) {
        if (w.code() == rt::EvAccepted && w.field() == ok) w.close();
    }
}
