#include "shell/AboutBox.h"

#include <string>

#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/OpenWithShell.h"
#include "services/RegistryValue.h"

void AboutBox() {
    rt::Window w("", rt::WindowKind::Dialog, -1, -1, 220, 150);
    w.setFont(rt::Font{"Arial", 8});
    w.setIcon("~songbook.ico");

    w.image("?Picture", "about.bmp", 8, 8, 204, 112);
    const int webButton = w.button("?VisitWeb", "Visit Us on the Web!", 8, 128, 90, 14);
    const int closeButton = w.button("?Close", "&Close", 162, 128, 50, 14);
    w.edit(closeButton).isDefault = true;

    w.open();
    w.select(closeButton);
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == closeButton) {
            w.close();
        } else if (w.field() == webButton) {
            const rt::Text<40> address =
                ReadRegistryValue("Settings", "CompanyWebAddress", "", RegistryProgramPath);
            OpenWithShell(w.id(), address.str());
        }
    }
}
