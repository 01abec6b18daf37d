#include "exchange/HtmlSongBookComposer.h"

#include <string>

#include "data/globals.h"
#include "exchange/CustomizeHtmlColors.h"
#include "exchange/HtmlPageSet.h"
#include "exchange/WebSettings.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/OpenWithShell.h"
#include "services/ShowHelpTopic.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kDefaultTitle = "Karaoke SongBook";

// An address without a scheme gets "http://" in front; one with http:// or https:// (in any
// case) stays as typed.
std::string withScheme(const std::string& address) {
    const std::string a = rt::clip(address);
    const std::string head = rt::upper(rt::cut(a, 8));
    if (head.rfind("HTTP://", 0) == 0 || head.rfind("HTTPS://", 0) == 0) return a;
    return "http://" + a;
}

class Composer {
public:
    Composer();
    void run();

private:
    void showFields();
    void takeFields();
    void compose();
    void saveSetup();
    void recallSetup();

    TaskWindow w_;
    int name_ = 0, title_ = 0, heading_ = 0, home_ = 0;
    int compose_ = 0, customize_ = 0, save_ = 0, recall_ = 0, help_ = 0, close_ = 0;
    std::string setupName_;  // blank at every opening
};

Composer::Composer()
    : w_("Cantorelle V2 SongBook Maker - HTML SongBook Composer", rt::WindowKind::Dialog, -1, -1, 300, 136) {
    w_.setFont(rt::Font{"Arial", 8});
    rt::Font captionFont{"Arial", 12, 700};
    const int caption = w_.text("?Caption", "HTML SongBook Composer", 8, 6, 284, 14);
    w_.setControlFont(caption, captionFont);
    w_.prompt("?HTMLOutputDirectory:Prompt", "HTML SongBook Name:", 8, 28, 84, 10);
    name_ = w_.entry("?HTMLOutputDirectory", "@s80", 94, 27, 198, 12);
    w_.prompt("?WebTitle:Prompt", "Web Page Title:", 8, 44, 84, 10);
    title_ = w_.entry("?WebTitle", "@s40", 94, 43, 198, 12);
    w_.prompt("?WebHeading:Prompt", "Web Page Heading:", 8, 60, 84, 10);
    heading_ = w_.entry("?WebHeading", "@s40", 94, 59, 198, 12);
    w_.prompt("?HTMLHomeURL:Prompt", "Home Page URL:", 8, 76, 84, 10);
    home_ = w_.entry("?HTMLHomeURL", "@s128", 94, 75, 198, 12);
    compose_ = w_.button("?Compose", "Compose Web Pages", 8, 96, 88, 14);
    w_.edit(compose_).isDefault = true;
    customize_ = w_.button("?Customize", "Customize", 102, 96, 60, 14);
    save_ = w_.button("?SaveSetup", "Save Setup", 168, 96, 60, 14);
    recall_ = w_.button("?RecallSetup", "Recall Setup", 232, 96, 60, 14);
    help_ = w_.button("?Help", "&Help", 168, 116, 60, 14);
    close_ = w_.button("?Close", "Close", 232, 116, 60, 14);
}

void Composer::showFields() {
    w_.setValue(name_, HTMLOutputDirectory.str());
    w_.setValue(title_, WebTitle.str());
    w_.setValue(heading_, WebHeading.str());
    w_.setValue(home_, HTMLHomeURL.str());
}

void Composer::takeFields() {
    const rt::Window& w = w_;
    HTMLOutputDirectory = w.value(name_);
    WebTitle = w.value(title_);
    WebHeading = w.value(heading_);
    HTMLHomeURL = w.value(home_);
}

void Composer::compose() {
    takeFields();
    if (HTMLOutputDirectory.blank() || WebHeading.blank() || WebTitle.blank() || HTMLHomeURL.blank()) {
        rt::message("Web Name, Web Title, Web Heading, and HomePage URL are REQUIRED");
        return;
    }
    if (!HtmlPageSetNameAllowed(HTMLOutputDirectory.str())) {
        rt::message("The HTML SongBook Name names a folder inside \"WebPages\" and may not hold \"/\", \"\\\" or \"..\".",
                    "HTML SongBook Composer", rt::Icon::Exclamation);
        w_.select(name_);
        return;
    }
    HTMLHomeURL = withScheme(HTMLHomeURL.str());
    showFields();
    // Both kinds are one set: it replaces the pages of the last run only when all of it was
    // written, so a failure, told once, or a "Cancel" ends the composition there.
    HtmlPageSetWrite pages;
    if (WriteHtmlTitlePages(&pages) != PageSetRun::Written) return;
    if (WriteHtmlArtistPages(&pages) != PageSetRun::Written) return;
    // Publishing is offered only for a complete page set.
    if (pages.commit()) HtmlPublishInfo();
}

void Composer::saveSetup() {
    takeFields();
    SaveWebSetup(&setupName_);
}

void Composer::recallSetup() {
    if (RecallWebSetup(&setupName_)) showFields();
}

void Composer::run() {
    // The page set is named after the open SongBook, also after a recall.
    HTMLOutputDirectory = rt::upper(SplitFilePath(SongBookFileName, 1));
    if (WebTitle.blank()) WebTitle = kDefaultTitle;
    if (WebHeading.blank()) WebHeading = kDefaultTitle;
    showFields();
    w_.open();
    w_.select(name_);
    while (w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        const int f = w_.field();
        if (f == compose_) {
            compose();
        } else if (f == customize_) {
            takeFields();
            CustomizeHtmlColors();
            showFields();
        } else if (f == save_) {
            saveSetup();
        } else if (f == recall_) {
            recallSetup();
        } else if (f == help_) {
            ShowHelpTopic("GeneratingaWebPage");
        } else if (f == close_) {
            takeFields();
            w_.close();
        }
    }
}

}  // namespace

void HtmlSongBookComposer() { Composer().run(); }

void HtmlPublishInfo() {
    TaskWindow w("HTML SongBook Composer", rt::WindowKind::Dialog, -1, -1, 300, 164);
    w.setFont(rt::Font{"Arial", 8});
    const int congratulations = w.text("?Congratulations", "Congratulations!", 8, 8, 284, 14);
    w.setControlFont(congratulations, rt::Font{"Arial", 12, 700});
    w.text("?Indexed", "You now have a fully indexed SongBook for the Web.", 8, 24, 284, 10);
    const int group = w.group("?Instructions", "Publishing Instructions", 8, 40, 284, 80);
    auto step = [&](const char* name, const char* number, const std::string& text, int y) {
        w.edit(w.text(std::string(name) + ":Number", number, 16, y, 10, 10)).parent = group;
        w.edit(w.text(name, text, 28, y, 256, 20)).parent = group;
    };
    step("?Step1", "1.", "Create a new directory on your web server named \"SongBook\".", 52);
    step("?Step2", "2.",
         "Copy all of the files found in the directory indicated below to the /SongBook directory on  your web "
         "server.",
         72);
    step("?Step3", "3.",
         "Create a link to the \"index.htm\" file found in the new /SongBook directory from your home page.", 94);
    w.text("?Directory", "SongBook Web Pages Directory: " + SplitFilePath(HtmlPageFileName, 3), 8, 126, 284, 10);
    const int view = w.button("?View", "View HTML SongBook", 8, 144, 90, 14);
    const int close = w.button("?Close", "&Close", 242, 144, 50, 14);
    w.edit(view).isDefault = true;
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == view) {
            OpenWithShell(w.id(), HtmlPageSetFolder() + "/index.htm");
            w.close();
        } else if (w.field() == close) {
            w.close();
        }
    }
}
