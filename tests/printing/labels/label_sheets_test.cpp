// Label, slip and management pages as the report engine writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "printing/LabelSheets.h"
#include "printing/ManagementPages.h"
#include "runtime/report/page_file.h"

namespace rep = rt::report;

namespace {

std::vector<rep::PageFile> Pages(const rep::PageQueue& queue) {
    std::vector<rep::PageFile> out;
    for (const auto& f : queue) {
        rep::PageFile p;
        EXPECT_TRUE(rep::readPageFile(f, p)) << f;
        out.push_back(p);
    }
    return out;
}

std::vector<rep::PageItem> Items(const rep::PageFile& p, char kind) {
    std::vector<rep::PageItem> out;
    for (const auto& it : p.items)
        if (it.kind == kind) out.push_back(it);
    return out;
}

const rep::PageItem* FindText(const rep::PageFile& p, const std::string& text) {
    for (const auto& it : p.items)
        if (it.kind == 'T' && it.text == text) return &it;
    return nullptr;
}

int CountText(const rep::PageFile& p, const std::string& text) {
    int n = 0;
    for (const auto& it : p.items) n += it.kind == 'T' && it.text == text;
    return n;
}

CdLabel Label(const std::string& custom, int tracks) {
    std::map<unsigned, std::string> titles;
    for (int t = 1; t <= tracks; ++t) titles[static_cast<unsigned>(t)] = "Song " + std::to_string(t) + " of " + custom;
    return {"Calder Records", "CV" + custom, custom, CdLabelTrackLines(titles)};
}

TEST(CdLabelSheet, TwoLabelsAPageOnTheirCircles) {
    rep::PageQueue queue;
    rep::Report report;
    report.setPages(queue);
    CdLabelSheet sheet(report, {0x0000FF, 0x00FFFF, "Thanks for singing", true});
    ASSERT_TRUE(sheet.add(Label("101", 5)));
    ASSERT_TRUE(sheet.add(Label("102", 24)));
    ASSERT_TRUE(sheet.add(Label("103", 1)));
    ASSERT_TRUE(report.close());
    const auto pages = Pages(queue);
    ASSERT_EQ(pages.size(), 2u);

    // Both circles of every page carry the background colour behind the texts.
    for (const auto& p : pages) {
        const auto circles = Items(p, 'E');
        ASSERT_EQ(circles.size(), 2u);
        EXPECT_EQ(circles[0].y, 510);
        EXPECT_EQ(circles[1].y, 5521);
        EXPECT_EQ(circles[0].x, 1771);
        EXPECT_EQ(circles[0].w, 5000);
        for (const auto& c : circles) {
            EXPECT_TRUE(c.hasFill);
            EXPECT_EQ(c.fill, 0x00FFFFu);
        }
        EXPECT_EQ(p.items.front().kind, 'E') << "the circles lie behind the texts";
    }
    // The head of each label: custom id in 18 pt bold, 1.563 in below the label's top.
    const auto* first = FindText(pages[0], "101");
    const auto* second = FindText(pages[0], "102");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->y, 1563);
    EXPECT_EQ(second->y, 4940 + 1563);
    EXPECT_EQ(first->size, 18);
    EXPECT_EQ(first->weight, 700);
    EXPECT_EQ(first->align, 'C');
    EXPECT_EQ(first->color, 0x0000FFu);
    EXPECT_TRUE(FindText(pages[0], "CV101"));
    EXPECT_TRUE(FindText(pages[0], "Calder Records"));
    EXPECT_EQ(CountText(pages[0], "Thanks for singing"), 2);
    // Detail rows: track 1 of the first label on the first row, left column; track 19 of the
    // second label in its right column.
    const auto* one = FindText(pages[0], "Song 1 of 101");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->x, 2427);
    EXPECT_EQ(one->y, 1875);
    const auto* nineteen = FindText(pages[0], "Song 19 of 102");
    ASSERT_TRUE(nineteen);
    EXPECT_EQ(nineteen->x, 5260);
    EXPECT_EQ(nineteen->y, 4940 + 1875);
    EXPECT_TRUE(FindText(pages[1], "103"));
    EXPECT_EQ(FindText(pages[1], "103")->y, 1563);
    // The foot sits below the 18 rows of every label, even the short ones.
    const auto* foot = FindText(pages[1], "Thanks for singing");
    ASSERT_TRUE(foot);
    EXPECT_EQ(foot->y, 1875 + 18 * 135 + 135);
}

TEST(CdLabelSheet, OneDiscColoursOnlyTheTopCircle) {
    rep::PageQueue queue;
    rep::Report report;
    report.setPages(queue);
    CdLabelSheet sheet(report, {0, 0xC0C0FF, "", false});
    ASSERT_TRUE(sheet.add(Label("101", 3)));
    ASSERT_TRUE(report.close());
    const auto pages = Pages(queue);
    ASSERT_EQ(pages.size(), 1u);
    const auto circles = Items(pages[0], 'E');
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_TRUE(circles[0].hasFill);
    EXPECT_FALSE(circles[1].hasFill);
}

TEST(MiniLabelSheet, EightyOneLabelsFillOnePageAndStartAnother) {
    rep::PageQueue queue;
    rep::Report report;
    report.setPages(queue);
    MiniLabelSheet sheet(report, 0x008000, "Calder Bay Karaoke");
    for (int i = 1; i <= 81; ++i) ASSERT_TRUE(sheet.add({"CV" + std::to_string(1000 + i), std::to_string(i)}));
    ASSERT_TRUE(report.close());
    const auto pages = Pages(queue);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CountText(pages[0], "Calder Bay Karaoke"), 80);
    EXPECT_EQ(CountText(pages[1], "Calder Bay Karaoke"), 1);
    struct Case {
        std::size_t page;
        std::string custom;
        long x, y;
    };
    // The custom id lies 0.010 in right of and 0.135 in below its label's corner.
    const Case cases[] = {
        {0, "1", 125 + 10, 490 + 135},          {0, "4", 125 + 3 * 1938 + 10, 490 + 135},
        {0, "5", 125 + 10, 980 + 135},          {0, "80", 125 + 3 * 1938 + 10, 490 + 19 * 490 + 135},
        {1, "81", 125 + 10, 490 + 135},
    };
    for (const Case& c : cases) {
        const auto* t = FindText(pages[c.page], c.custom);
        ASSERT_TRUE(t) << c.custom;
        EXPECT_EQ(t->x, c.x) << c.custom;
        EXPECT_EQ(t->y, c.y) << c.custom;
        EXPECT_EQ(t->size, 14);
        EXPECT_EQ(t->color, 0x008000u);
    }
    const auto* id = FindText(pages[0], "CV1001");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->size, 6);
    EXPECT_EQ(id->x, 125 + 73);
}

SlipStyle Style(bool logo, bool guides) {
    SlipStyle s;
    s.header = "Karaoke Song Request";
    s.headerFont = "Arial Black";
    s.footer = "For Booking Info Call (555)555-1212";
    s.footerFont = "Arial";
    s.lines[0] = "Name:____";
    s.lines[1] = "Song Title:____";
    s.lines[2] = "Artist:____";
    s.lines[3] = "Song #:____";
    if (logo) s.logo = "/tmp/logo.ppm";
    s.guides = guides;
    return s;
}

TEST(RequestSlipSheet, EightSlipsAPageWithAndWithoutLogoAndGuides) {
    struct Case {
        bool logo, guides;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(std::string(c.logo ? "logo" : "no logo") + ", " + (c.guides ? "guides" : "no guides"));
        rep::PageQueue queue;
        rep::Report report;
        report.setPages(queue);
        RequestSlipSheet sheet(report, Style(c.logo, c.guides));
        for (int i = 0; i < 9; ++i) ASSERT_TRUE(sheet.add());
        ASSERT_TRUE(report.close());
        const auto pages = Pages(queue);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(CountText(pages[0], "Karaoke Song Request"), 8);
        EXPECT_EQ(CountText(pages[1], "Karaoke Song Request"), 1);
        EXPECT_EQ(CountText(pages[0], "Artist:____"), 8);
        EXPECT_EQ(Items(pages[0], 'I').size(), c.logo ? 8u : 0u);
        EXPECT_EQ(Items(pages[1], 'I').size(), c.logo ? 1u : 0u);
        // Seventeen guides on every page, black when asked for, white otherwise.
        for (const auto& p : pages) {
            const auto lines = Items(p, 'L');
            ASSERT_EQ(lines.size(), 17u);
            for (const auto& l : lines) EXPECT_EQ(l.color, c.guides ? 0u : 0xFFFFFFu);
        }
        // The slips stand two across and four down: the last of page 1 at (4.25, 7.875) in.
        std::vector<std::pair<long, long>> heads;
        for (const auto& it : pages[0].items)
            if (it.kind == 'T' && it.text == "Karaoke Song Request") heads.emplace_back(it.x, it.y);
        ASSERT_EQ(heads.size(), 8u);
        EXPECT_EQ(heads[0], std::make_pair(406L, 188L));
        EXPECT_EQ(heads[1], std::make_pair(4250L + 406, 188L));
        EXPECT_EQ(heads[7], std::make_pair(4250L + 406, 7875L + 188));
        // With a logo the footer moves left, clear of the picture.
        const auto* foot = FindText(pages[0], "For Booking Info Call (555)555-1212");
        ASSERT_TRUE(foot);
        if (c.logo) {
            EXPECT_EQ(foot->x, 200);
            EXPECT_LE(foot->x + foot->w, 3300);
            const auto logo = Items(pages[0], 'I')[0];
            EXPECT_EQ(logo.x, 3300);
            EXPECT_EQ(logo.y, 1938);
            EXPECT_EQ(logo.w, 560);
            EXPECT_EQ(logo.text, "/tmp/logo.ppm");
        } else {
            EXPECT_EQ(foot->x, 521);
        }
    }
}

TEST(ManagementPages, InventoryPrintsEachBrandHeadingOnce) {
    rep::PageQueue queue;
    rep::Report report;
    report.setPages(queue);
    InventoryPages pages(report);
    ASSERT_TRUE(pages.add({"1|Calder Records", "Calder Records", "101", "CV0105"}));
    ASSERT_TRUE(pages.add({"1|Calder Records", "Calder Records", "102", "CV0107"}));
    ASSERT_TRUE(pages.add({"2|Mistral", "Mistral", "201", "MX2201"}));
    ASSERT_TRUE(pages.finish());
    ASSERT_TRUE(report.close());
    const auto files = Pages(queue);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(CountText(files[0], "Calder Records"), 1);
    EXPECT_EQ(CountText(files[0], "Mistral"), 1);
    EXPECT_TRUE(FindText(files[0], "Disc Inventory Report"));
    EXPECT_TRUE(FindText(files[0], "Page:"));
    EXPECT_TRUE(FindText(files[0], "1"));
    // Each line has its empty tick box; each brand ends with a rule.
    int ticks = 0;
    for (const auto& b : Items(files[0], 'B')) ticks += b.w == 188 && b.hasFill && b.fill == 0xFFFFFF;
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(Items(files[0], 'L').size(), 2u);
}

}  // namespace
