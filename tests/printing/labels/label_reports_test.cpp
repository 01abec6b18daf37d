// The label, slip and management reports run as a host runs them: destination, progress,
// printing without preview into a recorder, and the pages checked.
#include "printing/labels/labels_fixture.h"

#include <algorithm>
#include <memory>

#include "printing/CdLabelMakerSetup.h"
#include "printing/PrintManagementReports.h"
#include "printing/PrintRequestSlips.h"
#include "runtime/report/page_file.h"
#include "runtime/report/print.h"
#include "runtime/report/render/render.h"
#include "printing/labels/test_pictures.h"

#include <QImage>

namespace labels_test {
namespace {

namespace rep = rt::report;

const char* const kSetup = "Custom CD Label Maker - Setup";

class ReportsTest : public LabelsTest {
protected:
    void SetUp() override {
        LabelsTest::SetUp();
        old_ = rep::setPrintSink(recorder_);
        rep::setCurrentPrinter({"Office Laser", ""});
        const DemoCatalogue catalogue = BuildDemoCatalogue();
        for (const auto& b : catalogue.brands) brands_[b.number] = b.name;
    }
    void TearDown() override {
        LabelsTest::TearDown();
        rep::setPrintSink(old_);
    }

    // Answers the destination dialog: print without viewing.
    void printWithoutPreview() {
        ASSERT_TRUE(d_.window("Report Destination")) << d_.windows();
        ASSERT_TRUE(d_.in("Report Destination").choose("?PREVIEWOPTION", "Print Report")) << d_.error();
        ASSERT_TRUE(d_.in("Report Destination").press("Ok")) << d_.error();
    }
    // Lets the progress window's timer run the report to its end.
    void runProgress(const char* title = "Generating Report") {
        for (int i = 0; i < 200 && d_.window(title); ++i) ASSERT_TRUE(d_.wait(1)) << d_.error();
        ASSERT_FALSE(d_.window(title)) << d_.windows();
    }

    std::vector<rep::RecorderSink::Job> jobs() const { return recorder_->jobs(); }
    static std::vector<rep::PageFile> pagesOf(const rep::RecorderSink::Job& job) {
        std::vector<rep::PageFile> out;
        for (const auto& text : job.texts) {
            rep::PageFile p;
            EXPECT_TRUE(rep::parsePage(text, p));
            out.push_back(p);
        }
        return out;
    }
    static std::vector<std::string> texts(const rep::PageFile& p) {
        std::vector<std::string> out;
        for (const auto& it : p.items)
            if (it.kind == 'T' && !it.text.empty()) out.push_back(it.text);
        return out;
    }
    static bool shows(const rep::PageFile& p, const std::string& text) {
        const auto all = texts(p);
        return std::find(all.begin(), all.end(), text) != all.end();
    }

    std::map<int, std::string> brands_;
    std::shared_ptr<rep::RecorderSink> recorder_ = std::make_shared<rep::RecorderSink>();
    std::shared_ptr<rep::PrintSink> old_;
};

class LabelReportsTest : public ReportsTest {
protected:
    void SetUp() override {
        ReportsTest::SetUp();
        // Two discs share a disc id; one has no listings; one has 20 tracks with a long title.
        addDiscs({{"CV0105", "101", 1}, {"CV0105", "101B", 1}, {"SL3001", "102", 4}, {"MX2201", "103", 99}});
        std::vector<Listing> listings;
        for (unsigned t = 1; t <= 20; ++t)
            listings.push_back({"CV0105", t, t == 18 ? "Tramlines Sang Over Calder Bay" : "Song " + std::to_string(t), "Ada Quill"});
        listings.push_back({"MX2201", 1, "Atlas", "Éloïse Brun"});
        listings.push_back({"MX2201", 30, "Hidden Bonus", "Éloïse Brun"});
        addListings(listings);
    }
    void tagAndPrint(const std::vector<int>& rows, bool mini = false) {
        ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
        for (int r : rows) ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", r)) << d_.error();
        if (mini) {
            ASSERT_TRUE(d_.choose("Select Label Format", "Mini-Labels")) << d_.error();
        }
        ASSERT_TRUE(d_.type("?LABELFOOTER", "Calder Bay Karaoke")) << d_.error();
        ASSERT_TRUE(d_.press("&Print Labels")) << d_.error();
    }
};

TEST_F(LabelReportsTest, CdLabelsPrintTheTaggedDiscsWithTheirTracks) {
    // Rows in custom id order: 101, 101B, 102, 103.
    tagAndPrint({1, 2, 4});
    printWithoutPreview();
    runProgress("Generating CD Labels");
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "Load Print Labels");
    EXPECT_EQ(r->icon, rt::Icon::Question);
    ASSERT_TRUE(d_.answer("Yes")) << d_.error();
    ASSERT_EQ(jobs().size(), 1u);
    const auto pages = pagesOf(jobs()[0]);
    ASSERT_EQ(pages.size(), 2u) << "three labels: two on the first page";
    // Each label carries its own ids, even two discs sharing a disc id.
    EXPECT_TRUE(shows(pages[0], "101"));
    EXPECT_TRUE(shows(pages[0], "101B"));
    EXPECT_TRUE(shows(pages[1], "103"));
    EXPECT_TRUE(shows(pages[0], brands_[1]));
    EXPECT_TRUE(shows(pages[0], "Song 17"));
    EXPECT_TRUE(shows(pages[0], "Tramlines Sang"));
    EXPECT_TRUE(shows(pages[0], "Over Calder Bay"));
    EXPECT_TRUE(shows(pages[0], "Calder Bay Karaoke"));
    EXPECT_TRUE(shows(pages[1], "Atlas"));
    EXPECT_FALSE(shows(pages[1], "Hidden Bonus")) << "track 30 is not on a label";
    EXPECT_FALSE(shows(pages[1], brands_[1])) << "a disc of an unknown brand prints a blank brand";
    // The tags are used up: the list shows no marks and the tag file holds what was printed.
    EXPECT_EQ(tagFile(), (std::vector<std::string>{"CV0105=101", "CV0105=101B", "MX2201=103"}));
    for (const auto& row : rowTexts("?DiscList")) EXPECT_EQ(row.rfind("|", 0), 0u) << row;
    ASSERT_TRUE(d_.press("&Print Labels")) << d_.error();
    ASSERT_TRUE(d_.request()) << d_.windows();
    EXPECT_EQ(d_.request()->title, "No Disc(s) Selected");
}

TEST_F(LabelReportsTest, AnsweringNoPrintsNothing) {
    tagAndPrint({3});
    printWithoutPreview();
    runProgress("Generating CD Labels");
    ASSERT_TRUE(d_.answer("No")) << d_.error();
    EXPECT_TRUE(jobs().empty());
    EXPECT_TRUE(d_.window(kSetup));
}

TEST_F(LabelReportsTest, CancelledDestinationReadsNothing) {
    tagAndPrint({3});
    ASSERT_TRUE(d_.window("Report Destination")) << d_.windows();
    ASSERT_TRUE(d_.in("Report Destination").press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.window("Generating CD Labels"));
    EXPECT_TRUE(jobs().empty());
}

TEST_F(LabelReportsTest, MiniLabelsEightyOneDiscsOnTwoPages) {
    std::vector<Disc> many;
    for (int i = 1; i <= 77; ++i) many.push_back({"ZZ" + std::to_string(1000 + i), "Z" + std::to_string(1000 + i), 1});
    addDiscs(many);
    ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
    ASSERT_TRUE(d_.press("tag &All")) << d_.error();
    ASSERT_TRUE(d_.choose("Select Label Format", "Mini-Labels")) << d_.error();
    ASSERT_TRUE(d_.press("&Print Labels")) << d_.error();
    printWithoutPreview();
    runProgress("Generating Mini-Labels");
    ASSERT_TRUE(d_.answer("Yes")) << d_.error();
    ASSERT_EQ(jobs().size(), 1u);
    const auto pages = pagesOf(jobs()[0]);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(shows(pages[0], "101"));
    EXPECT_TRUE(shows(pages[0], "CV0105"));
    EXPECT_TRUE(shows(pages[1], "Z1077")) << "the 81st label, last in custom id order";
    EXPECT_EQ(texts(pages[1]).size(), 2u);
}

class SlipReportsTest : public ReportsTest {};

TEST_F(SlipReportsTest, NineSlipsOnTwoPagesAndNoneForAnEmptySongBook) {
    NUMBEROFSLIPS = 9;
    ASSERT_TRUE(d_.start(PrintRequestSlips)) << d_.error();
    printWithoutPreview();
    EXPECT_FALSE(d_.window("Generating Report")) << "an empty SongBook prints no slips";
    EXPECT_TRUE(jobs().empty());
    ASSERT_TRUE(d_.end());

    addListings({{"CV0105", 1, "Atlas", "Ada Quill"}});
    ASSERT_TRUE(d_.start(PrintRequestSlips)) << d_.error();
    printWithoutPreview();
    runProgress();
    ASSERT_EQ(jobs().size(), 1u);
    const auto pages = pagesOf(jobs()[0]);
    ASSERT_EQ(pages.size(), 2u);
    auto count = [&](const rep::PageFile& p) {
        const auto all = texts(p);
        return std::count(all.begin(), all.end(), "Karaoke Song Request");
    };
    EXPECT_EQ(count(pages[0]), 8);
    EXPECT_EQ(count(pages[1]), 1);
}

// Prints by drawing each job's first page at 100 dots an inch, while its pictures are there,
// and keeps the colour in the middle of the first slip's logo place.
class LogoColourSink : public rep::PrintSink {
public:
    bool print(const rep::PrintJob& job, std::string& error) override {
        fixture::TempFolder dir;
        const std::string png = dir.file("page.png");
        if (!rep::render::writePng(job.pages.front(), png, 100, error)) return false;
        const QImage img(QString::fromStdString(png));
        colours.push_back(img.pixel(358, 222) & 0xFFFFFF);  // (3.3 + 0.28 in, 1.938 + 0.28 in)
        return true;
    }
    std::vector<std::uint32_t> colours;
};

// A logo of every kind a host may choose prints in its own colours; one that cannot be read
// whole prints no picture, and the slips still print.
TEST_F(SlipReportsTest, LogosOfEveryKindPrintInTheirColoursOrNotAtAll) {
    addListings({{"CV0105", 1, "Atlas", "Ada Quill"}});
    auto sink = std::make_shared<LogoColourSink>();
    rep::setPrintSink(sink);
    const std::uint32_t white = 0xFFFFFF;
    const auto cut = EncodeJpeg(300, 200, JpegKind::Rgb, 0x2050C8);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;  // empty: no file
        std::uint32_t printed;            // the colour in the logo's place (white: no picture)
    } cases[] = {
        {"RGB JPEG", EncodeJpeg(120, 120, JpegKind::Rgb, 0x2050C8), 0x2050C8},
        {"greyscale JPEG", EncodeJpeg(120, 120, JpegKind::Grey, 0x500000), 0x505050},
        {"CMYK JPEG", EncodeJpeg(120, 120, JpegKind::AdobeCmyk, 0x2050C8), 0x2050C8},
        {"plain CMYK JPEG", EncodeJpeg(120, 120, JpegKind::PlainCmyk, 0xC85020), 0xC85020},
        {"truncated JPEG", {cut.begin(), cut.begin() + static_cast<long>(cut.size() / 2)}, white},
        {"PNG", EncodePng(120, 120, 0x2050C8), 0x2050C8},
        {"missing file", {}, white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink->colours.clear();
        const std::string logo = dir().file(std::string("logo-") + std::to_string(&c - cases));
        if (!c.bytes.empty()) WriteBytes(logo, c.bytes);
        SongRequestLogoFilename = logo;
        NUMBEROFSLIPS = 2;
        ASSERT_TRUE(d_.start(PrintRequestSlips)) << d_.error();
        printWithoutPreview();
        runProgress();
        EXPECT_FALSE(d_.request()) << d_.windows();
        ASSERT_TRUE(d_.end());
        ASSERT_EQ(sink->colours.size(), 1u) << "the slips print, with or without a logo";
        const std::uint32_t got = sink->colours[0];
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((c.printed >> shift) & 0xFF), 8)
                << std::hex << got << " for " << c.printed;
    }
}

class ManagementReportsTest : public ReportsTest {
protected:
    void SetUp() override {
        ReportsTest::SetUp();
        addDiscs({{"SL3001", "300", 4}, {"CV0105", "101", 1}, {"CV0102", "102", 1}, {"MX2201", "250", 99},
                  {"AB0001", "050", 4}});
        addListings({{"CV0105", 2, "Lanterns Over Calder Bay", "Ferris Lane"},
                     {"CV0105", 1, "The Night the Tramlines Sang", "Ada Quill"},
                     {"CV0102", 0, "Intro Medley", "Zoë Marchetti"},
                     {"MX2201", 3, "Atlas", "Éloïse Brun"}});
    }
    std::vector<std::string> rowsOf(const rep::PageFile& p, long x) {
        std::vector<std::string> out;
        for (const auto& it : p.items)
            if (it.kind == 'T' && it.x == x && it.y >= 1000) out.push_back(it.text);
        return out;
    }
};

TEST_F(ManagementReportsTest, SongTrackListingDiscByDiscInTrackOrder) {
    ASSERT_TRUE(d_.start(PrintSongTrackListing)) << d_.error();
    printWithoutPreview();
    runProgress();
    ASSERT_EQ(jobs().size(), 1u);
    const auto pages = pagesOf(jobs()[0]);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(shows(pages[0], "Song Track Listing by Disc ID & Track"));
    for (const char* h : {"Disc ID", "Track", "Song Title", "Artist", "Page:"}) EXPECT_TRUE(shows(pages[0], h)) << h;
    // Custom ids at the left of the detail area, one line per listing; a disc without
    // listings keeps one line; track 0 shows blank.
    EXPECT_EQ(rowsOf(pages[0], 1000), (std::vector<std::string>{"050", "101", "101", "102", "250", "300"}));
    EXPECT_EQ(rowsOf(pages[0], 1000 + 1698),
              (std::vector<std::string>{"", "The Night the Tramlines Sang", "Lanterns Over Calder Bay", "Intro Medley",
                                        "Atlas", ""}));
    EXPECT_EQ(rowsOf(pages[0], 1000 + 1104), (std::vector<std::string>{"", "1", "2", "", "3", ""}));
}

TEST_F(ManagementReportsTest, DiscInventoryGroupsByBrandName) {
    ASSERT_TRUE(d_.start(PrintDiscInventory)) << d_.error();
    printWithoutPreview();
    runProgress();
    ASSERT_EQ(jobs().size(), 1u);
    const auto pages = pagesOf(jobs()[0]);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(shows(pages[0], "Disc Inventory Report"));
    // Brands by name, discs by disc id within a brand; the disc of an unknown brand is left out.
    std::vector<std::string> expected;
    const bool firstBrandFirst = rt::compareNoCase(brands_[1], brands_[4]) < 0;
    const std::vector<std::string> one = {brands_[1], "102|CV0102", "101|CV0105"};
    const std::vector<std::string> four = {brands_[4], "050|AB0001", "300|SL3001"};
    for (const auto* part : firstBrandFirst ? std::vector{&one, &four} : std::vector{&four, &one})
        expected.insert(expected.end(), part->begin(), part->end());
    // One line per brand heading or disc, read top to bottom.
    std::vector<std::pair<long, std::string>> lines;
    for (const auto& it : pages[0].items) {
        if (it.kind != 'T' || it.y < 1000 || it.y >= 10000) continue;
        if (it.x == 1000 + 10) lines.push_back({it.y, it.text});
        if (it.x == 1000 + 2635) lines.push_back({it.y, it.text});
        if (it.x == 1000 + 3990) lines.back().second += "|" + it.text;
    }
    std::vector<std::string> shown;
    for (const auto& l : lines) shown.push_back(l.second);
    EXPECT_EQ(shown, expected);
}

TEST_F(ManagementReportsTest, CancelInTheProgressWindowPrintsNothing) {
    ASSERT_TRUE(d_.start(PrintSongTrackListing)) << d_.error();
    printWithoutPreview();
    ASSERT_TRUE(d_.window("Generating Report")) << d_.windows();
    ASSERT_TRUE(d_.in("Generating Report").press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.window("Generating Report"));
    ASSERT_TRUE(d_.wait(10));
    EXPECT_TRUE(jobs().empty());
    EXPECT_FALSE(d_.running()) << d_.windows();
}

TEST_F(ManagementReportsTest, NothingToListOpensNoReport) {
    onThread([] {
        SBD.create();
        SBK.create();
    });
    for (auto report : {PrintSongTrackListing, PrintDiscInventory}) {
        ASSERT_TRUE(d_.start(report)) << d_.error();
        printWithoutPreview();
        EXPECT_FALSE(d_.window("Generating Report"));
        ASSERT_TRUE(d_.end());
    }
    EXPECT_TRUE(jobs().empty());
}

TEST_F(ManagementReportsTest, ClosedSongBookEndsWithAMessage) {
    SongBookFileName.clear();
    SBDiscsFileName.clear();
    ASSERT_TRUE(d_.start(PrintDiscInventory)) << d_.error();
    ASSERT_TRUE(d_.request()) << d_.windows();
    EXPECT_EQ(d_.request()->title, "SongBook Closed");
    EXPECT_FALSE(d_.window("Report Destination"));
}

}  // namespace
}  // namespace labels_test
