#include "exchange/CustomizeHtmlColors.h"

#include <array>
#include <cstdint>
#include <string>

#include "exchange/WebSettings.h"
#include "runtime/window/window.h"
#include "services/TaskWindow.h"

namespace {

struct ColourButton {
    const char* name;
    const char* text;
    const char* dialogTitle;
    std::uint32_t* setting;
};

const std::array<ColourButton, 10> kButtons{{
    {"?PageBackground", "Page Background", "Choose Background Color", &webbackgroundcolor},
    {"?HeaderText", "Header Text Foreground", "Choose Web Heading Color", &webheadingcolor},
    {"?ListingText", "Song Listings Foreground", "Choose Text Color for Song Listings", &websonglistingcolor},
    {"?ListingFill", "Song Listings Background", "Choose Table Fill Color", &WebTableFill},
    {"?TableBorders", "Table Borders", "Choose Table Border Color", &webtablecolor},
    {"?CaptionText", "Column Headings Foreground", "Choose Color for Captions", &webcaptioncolor},
    {"?CaptionFill", "Column Headings Background", "Choose Color for Caption Background", &webcaptionbackground},
    {"?LinkText", "Active Links Foreground", "Choose Links Color", &weblinkcolor},
    {"?ActiveFill", "Active Links Background", "Choose Active Link Background Color", &webactivecolor},
    {"?VisitedText", "Visited Links Foreground", "Choose Color for Visited Links", &webvlinkcolor},
}};

// A miniature of a generated page, each part in the colour that colours it on the pages.
class Sample {
public:
    explicit Sample(rt::Window& w) : w_(w) {
        page_ = w.add(rt::ControlKind::Box, "?SamplePage", "", 8, 8, 200, 196);
        heading_ = w.text("?SampleHeading", "", 16, 14, 184, 16);
        w.setControlFont(heading_, rt::Font{"Times New Roman", 14, 700});
        menuTable_ = w.add(rt::ControlKind::Box, "?SampleMenu", "", 20, 36, 176, 66);
        caption_ = w.text("?SampleCaption", "SongBook Navigation Menu", 22, 38, 172, 11);
        home_ = w.text("?SampleHome", "Home", 22, 50, 172, 11);
        title_ = w.text("?SampleTitle", "Title", 22, 62, 85, 11);
        artist_ = w.text("?SampleArtist", "Artist", 109, 62, 85, 11);
        letters_ = w.text("?SampleLetters", "1234567890ABCDEFG", 24, 76, 84, 10);
        activeLetter_ = w.text("?SampleActiveLetter", "H", 108, 76, 8, 10);
        visited_ = w.text("?SampleVisited", "IJKLMNOPQRSTUVWXYZ", 24, 88, 168, 10);
        listTable_ = w.add(rt::ControlKind::Box, "?SampleListing", "", 16, 110, 184, 28);
        headTitle_ = w.text("?SampleHeadTitle", "Title", 18, 112, 70, 11);
        headArtist_ = w.text("?SampleHeadArtist", "Artist", 90, 112, 70, 11);
        headNumber_ = w.text("?SampleHeadNumber", "Song#", 162, 112, 36, 11);
        rowTitle_ = w.text("?SampleRowTitle", "Sample Song", 18, 125, 70, 11);
        rowArtist_ = w.text("?SampleRowArtist", "Sample Artist", 90, 125, 70, 11);
        rowNumber_ = w.text("?SampleRowNumber", "102-01", 162, 125, 36, 11);
    }

    void draw() {
        w_.setColors(page_, rt::kNoColor, webbackgroundcolor);
        w_.setText(heading_, WebHeading.str());
        w_.setColors(heading_, webheadingcolor, webbackgroundcolor);
        for (int box : {menuTable_, listTable_}) w_.setColors(box, webtablecolor, WebTableFill);
        for (int c : {caption_, headTitle_, headArtist_, headNumber_})
            w_.setColors(c, webcaptioncolor, webcaptionbackground);
        w_.setColors(home_, weblinkcolor, WebTableFill);
        w_.setColors(title_, weblinkcolor, webactivecolor);
        w_.setColors(artist_, weblinkcolor, WebTableFill);
        w_.setColors(letters_, weblinkcolor, WebTableFill);
        w_.setColors(activeLetter_, weblinkcolor, webactivecolor);
        w_.setColors(visited_, webvlinkcolor, WebTableFill);
        for (int c : {rowTitle_, rowArtist_, rowNumber_}) w_.setColors(c, websonglistingcolor, WebTableFill);
    }

private:
    rt::Window& w_;
    int page_ = 0, heading_ = 0, menuTable_ = 0, caption_ = 0, home_ = 0, title_ = 0, artist_ = 0;
    int letters_ = 0, activeLetter_ = 0, visited_ = 0, listTable_ = 0;
    int headTitle_ = 0, headArtist_ = 0, headNumber_ = 0, rowTitle_ = 0, rowArtist_ = 0, rowNumber_ = 0;
};

}  // namespace

void CustomizeHtmlColors() {
    TaskWindow w("Customize HTML SongBook", rt::WindowKind::Dialog, -1, -1, 352, 212);
    w.setFont(rt::Font{"Arial", 8});
    Sample sample(w);
    const int group = w.group("?ComponentColors", "Customize Component Colors", 216, 6, 128, 156);
    std::array<int, kButtons.size()> ids{};
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        ids[i] = w.button(kButtons[i].name, kButtons[i].text, 222, 18 + static_cast<int>(i) * 14, 116, 13);
        w.edit(ids[i]).parent = group;
    }
    const int restore = w.button("?RestoreDefaults", "Restore Defaults", 216, 168, 128, 14);
    const int embed = w.button("?EmbedPoints", "HTML Embed Points", 216, 186, 80, 14);
    const int ok = w.button("?OK", "OK", 300, 186, 44, 14);
    w.edit(ok).isDefault = true;
    sample.draw();
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        const int f = w.field();
        if (f == ok) {
            w.close();
        } else if (f == restore) {
            RestoreWebColorDefaults();
            sample.draw();
        } else if (f == embed) {
            HtmlEmbedPointsDialog();
        } else {
            for (std::size_t i = 0; i < kButtons.size(); ++i) {
                if (f != ids[i]) continue;
                std::uint32_t colour = *kButtons[i].setting;
                if (rt::colorDialog(kButtons[i].dialogTitle, colour)) {
                    *kButtons[i].setting = colour & 0xFFFFFFu;
                    sample.draw();
                }
            }
        }
    }
}

void HtmlEmbedPointsDialog() {
    TaskWindow w("HTML Embed Points", rt::WindowKind::Dialog, -1, -1, 400, 252);
    w.setFont(rt::Font{"Arial", 8});
    const int caption = w.text("?Caption", "Embedded HTML Points", 8, 6, 384, 14);
    w.setControlFont(caption, rt::Font{"Arial", 12, 700});
    w.text("?Intro1", "Here you may provide custom HTML code to be embedded in each generated Web Page.", 8, 22, 384, 10);
    w.text("?Intro2", "This is an advanced feature and thus requires some HTML programming experience.", 8, 32, 384, 10);
    auto inGroup = [&](int group, int id) {
        w.edit(id).parent = group;
        return id;
    };

    int g = w.group("?HeadGroup", "<HEAD> Section Embed Point", 8, 46, 384, 44);
    inGroup(g, w.text("?HeadText", "HTML Code provided here will be added to the <HEAD> section of ALL generated Web Pages.",
                      14, 58, 372, 10));
    inGroup(g, w.text("?HeadOpen", "<HEAD>", 14, 72, 30, 10));
    const int header = inGroup(g, w.entry("?WebEmbedHeader", "@s255", 46, 71, 300, 12));
    inGroup(g, w.text("?HeadClose", "</HEAD>", 350, 72, 36, 10));

    g = w.group("?BodyTagGroup", "<BODY> Tag Embed Point", 8, 94, 384, 64);
    inGroup(g, w.text("?BodyTagText1", "Here you may provide HTML Code to be inserted in the <BODY> tag of ALL Web Pages.",
                      14, 106, 372, 10));
    inGroup(g, w.text("?BodyTagText2", "Typically used to add a \"Wallpaper\" to your Web pages.", 14, 116, 372, 10));
    inGroup(g, w.text("?BodyTagExampleLabel", "Example:", 14, 128, 34, 10));
    inGroup(g, w.text("?BodyTagExample", "BACKGROUND = \"mywallpaper.gif\"", 50, 128, 200, 10));
    inGroup(g, w.text("?BodyTagOpen", "<BODY", 14, 141, 30, 10));
    const int bodyTag = inGroup(g, w.entry("?WebEmbedBodyTag", "@s80", 46, 140, 300, 12));
    inGroup(g, w.text("?BodyTagClose", "... >", 350, 141, 36, 10));

    g = w.group("?BodyGroup", "<BODY> Section Embed Point", 8, 162, 384, 64);
    inGroup(g, w.text("?BodyText1",
                      "HTML Code provided here will be embedded at the TOP of the <BODY> section of ALL generated Web Pages.",
                      14, 174, 372, 10));
    inGroup(g, w.text("?BodyText2", "May be used to add a custom image to the TOP of ALL Web Pages.", 14, 184, 372, 10));
    inGroup(g, w.text("?BodyExampleLabel", "Example:", 14, 196, 34, 10));
    inGroup(g, w.text("?BodyExample", "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>", 50, 196, 200, 10));
    inGroup(g, w.text("?BodyOpen", "<BODY>", 14, 209, 30, 10));
    const int body = inGroup(g, w.entry("?WebEmbedBody", "@s255", 46, 208, 300, 12));
    inGroup(g, w.text("?BodyClose", "</BODY>", 350, 209, 36, 10));

    const int ok = w.button("?OK", "OK", 344, 232, 48, 14);
    w.edit(ok).isDefault = true;
    w.setValue(header, WebEmbedHeader.str());
    w.setValue(bodyTag, WebEmbedBodyTag.str());
    w.setValue(body, WebEmbedBody.str());

    // What was typed goes into the settings at once; closing keeps it.
    auto take = [&] {
        const rt::Window& cw = w;
        WebEmbedHeader = cw.value(header);
        WebEmbedBodyTag = cw.value(bodyTag);
        WebEmbedBody = cw.value(body);
    };
    w.open();
    w.select(header);
    while (w.accept()) {
        take();
        if (w.code() == rt::EvAccepted && w.field() == ok) w.close();
    }
    take();
}
