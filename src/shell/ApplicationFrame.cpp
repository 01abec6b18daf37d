#include "shell/ApplicationFrame.h"

#include "library/AutoUpdateWizard.h"

#include <string>

#include "data/globals.h"
#include "runtime/report/print.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "shell/AboutBox.h"
#include "shell/BrowseSongBook.h"
#include "shell/FrameEvents.h"
#include "shell/QuickStartWindow.h"
#include "services/ShowHelpTopic.h"

namespace {

void setFrameTitle(rt::Window& w) {
    w.setTitle(rt::clip(ProductTitle) + " " + rt::clip(ProgramVersion) + "C");
}

}  // namespace

void ApplicationFrame() {
    SetMasterFileNames(InstallFolder);

    rt::Window w("Cantorelle V2 SongBook Maker", rt::WindowKind::Frame, -1, -1, 640, 420);
    w.setResizable(true);
    w.setMinSize(320, 200);
    w.setFont(rt::Font{"Arial", 8});
    w.setIcon("~songbook.ico");
    // The frame takes the whole screen: the task windows inside it are large.
    w.maximize();

    const int fileMenu = w.menu("&File");
    const int openItem = w.menuItem(fileMenu, "&Open", "Open Existing SongBook");
    const int autoUpdateItem =
        w.menuItem(fileMenu, "&AutoUpdate Wizard", "AutoUpdate Main Tunelode Data Files ");
    w.separator(fileMenu);
    const int printSetupItem = w.menuItem(fileMenu, "P&rint Setup...", "Setup Printer");
    w.separator(fileMenu);
    const int exitItem = w.menuItem(fileMenu, "E&xit", "Exit this application");

    const int toolTipsMenu = w.menu("&ToolTips");
    const int toolTipsItem =
        w.menuItem(toolTipsMenu, "Hide/&UnHide ToolTips", "Toggle On/Off ToolTips");

    const int windowMenu = w.menu("&Window");
    w.edit(windowMenu).message = "Create and Arrange windows";
    const int tileItem = w.menuItem(windowMenu, "T&ile", "Make all open windows visible");
    const int cascadeItem = w.menuItem(windowMenu, "&Cascade", "Stack all open windows");
    const int arrangeItem = w.menuItem(windowMenu, "&Arrange Icons", "Align all window icons");

    const int helpMenu = w.menu("&Help");
    w.edit(helpMenu).message = "Windows Help";
    const int helpItem =
        w.menuItem(helpMenu, "&Cantorelle V2 Help", "View the contents of the help file");
    w.separator(helpMenu);
    const int aboutItem = w.menuItem(helpMenu, "About Cantorelle V2 SongBook Maker");

    w.open();
    // Known before any other thread runs, so nothing can post to the frame too early.
    FrameThread = static_cast<decltype(FrameThread)>(rt::thread());
    // A master data update cut off by a crash is finished before any window reads the master files.
    FinishInterruptedAutoUpdate();
    rt::startThread(QuickStartWindow);

    bool firstDisplayDone = false;
    while (w.accept()) {
        switch (w.code()) {
        case rt::EvOpenWindow:
        case rt::EvGainFocus:
            if (!firstDisplayDone) {
                firstDisplayDone = true;
                FrameThread = static_cast<decltype(FrameThread)>(rt::thread());
            }
            setFrameTitle(w);
            break;
        case rt::EvSized:
            FrameResized = 1;
            setFrameTitle(w);
            break;
        case rt::EvMaximized:
        case rt::EvRestored:
            FrameResized = 1;
            break;
        case rt::EvRejected:
            rt::beep();
            w.select(w.field());
            break;
        case EventDisableAutoUpdate:
            w.disable(autoUpdateItem);
            break;
        case EventEnableAutoUpdate:
            w.enable(autoUpdateItem);
            break;
        case EventDisableOpenAndAutoUpdate:
            w.disable(openItem);
            w.disable(autoUpdateItem);
            break;
        case EventEnableOpenAndAutoUpdate:
            w.enable(openItem);
            w.enable(autoUpdateItem);
            break;
        case rt::EvCloseWindow:
            // Each MDI child is asked in turn; one that refuses keeps the frame open.
            if (!rt::closeMdiChildren()) w.refuse();
            break;
        case rt::EvAccepted: {
            const int item = w.field();
            if (item == openItem) {
                rt::startThread(BrowseSongBook);
            } else if (item == autoUpdateItem) {
                AutoUpdateWizard();
            } else if (item == printSetupItem) {
                // The printer chosen is the program's; a PDF file belongs to a report, which
                // asks for it when it prints.
                if (auto chosen = rt::report::askPrinter("Print Setup", rt::report::currentPrinter()))
                    rt::report::setCurrentPrinter({chosen->name, {}});
            } else if (item == exitItem) {
                w.post(rt::EvCloseWindow);
            } else if (item == toolTipsItem) {
                rt::setToolTipsOn(!rt::toolTipsOn());
            } else if (item == tileItem) {
                w.arrangeChildren(rt::ArrangeTile);
            } else if (item == cascadeItem) {
                w.arrangeChildren(rt::ArrangeCascade);
            } else if (item == arrangeItem) {
                w.arrangeChildren(rt::ArrangeIcons);
            } else if (item == helpItem) {
                ShowHelpTopic("");
            } else if (item == aboutItem) {
                AboutBox();
            }
            break;
        }
        default:
            break;
        }
    }
}
