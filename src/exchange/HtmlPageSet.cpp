#include "exchange/HtmlPageSet.h"

#include <chrono>
#include <cstring>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/WebSettings.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/files/line_file.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ProgressWindow.h"
#include "services/ReadEveryRecord.h"
#include "services/SlicedWork.h"
#include "services/ShowWarning.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"

namespace html {

std::string letterOf(std::string_view text) {
    // Most titles start with a plain ASCII character: no decoding needed.
    if (!text.empty() && static_cast<unsigned char>(text[0]) < 0x80) {
        const char c = text[0];
        if (static_cast<unsigned char>(c) <= ' ') return " ";
        return std::string(1, c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    }
    const std::u32string first = rt::codePoints(rt::cut(text, 1));
    if (first.empty() || first[0] <= U' ') return " ";
    return rt::fromCodePoints(std::u32string(1, rt::upperChar(first[0])));
}

std::string fileCode(std::string_view letter) {
    // The characters a file name or an unquoted link may not hold as they are, and every byte
    // of a character beyond ASCII.
    static constexpr std::string_view unsafe = "+/?%#&\"[]\\=<>:;,*.| ";
    std::string out;
    for (char ch : letter) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || unsafe.find(ch) != std::string_view::npos) {
            static const char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string linkCode(std::string_view letter) {
    std::string out;
    for (char c : fileCode(letter)) out += c == '%' ? std::string("%25") : std::string(1, c);
    return out;
}

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

// custom disc id | track | song number
// "*"            | 0     | empty
// "*"            | n     | n
// any other      | 0     | the id (a blank id too)
// any other      | n     | id-n
std::string songNumber(std::string_view customDiscId, std::uint32_t track) {
    const std::string id = rt::clip(customDiscId);
    if (id == "*") return track ? std::to_string(track) : std::string();
    return track ? id + "-" + std::to_string(track) : id;
}

void writePageHead(rt::LineFile& f, bool artists, const std::vector<std::string>& letters, const std::string* own) {
    const bool index = own == nullptr;
    const char* prefix = artists ? "A-" : "T-";
    const std::string active = ColorToHexText(webactivecolor);
    const std::string captionBg = ColorToHexText(webcaptionbackground);
    const std::string caption = ColorToHexText(webcaptioncolor);
    const std::string tableColours =
        "BORDERCOLOR=" + ColorToHexText(webtablecolor) + " bgcolor=" + ColorToHexText(WebTableFill) + ">";
    f.write("<HTML>");
    f.write("<HEAD><TITLE>" + rt::clip(WebTitle.str()) + "</TITLE>");
    f.write(R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)");
    f.write(R"(<meta name="GENERATOR" content="Cantorelle V2 SongBook Maker">)");
    f.write(R"(<meta name="KEYWORDS" content="karaoke, songbook, song book, songlist, song list, cantorelle">)");
    f.write(WebEmbedHeader.str());
    f.write("</HEAD>");
    f.write("<BODY text=" + ColorToHexText(websonglistingcolor) + " bgcolor=" + ColorToHexText(webbackgroundcolor) +
            " vlink=" + ColorToHexText(webvlinkcolor) + " link=" + ColorToHexText(weblinkcolor) + " " +
            WebEmbedBodyTag.str() + ">");
    f.write(WebEmbedBody.str());
    const std::string heading = ColorToHexText(webheadingcolor);
    if (index)
        f.write(R"(<H1 align="center"><font color = )" + heading + ">" + WebHeading.str() + "</H1></FONT><P>");
    else
        f.write(R"(<H1 align="center"><FONT COLOR=)" + heading + ">" + WebHeading.str() + "</H1><P>");
    f.write("<HR>");
    f.write(R"(<div align="center">)");
    f.write("<center>");
    f.write("<TABLE BORDER=1 " + tableColours);
    f.write("<TR>");
    f.write(R"(<TD colspan="2" align="center" bgcolor=)" + captionBg + "><FONT color=" + caption +
            ">SongBook Navigation Menu</FONT></TD>");
    f.write("<TR>");
    f.write(R"(<TD colspan="2" align="center"><A href=)" + HTMLHomeURL.str() + ">Home</a></TD><TR>");
    const std::string titleLink = "><A href=index.htm>Title</a></TD>";
    const std::string artistLink = "><A href=indexA.htm>Artist</a></TD>";
    if (!artists) {
        f.write((index ? R"(<TD align="center" bgcolor=)" : R"(<TD colspan="1" align="center" bgcolor=)") + active +
                titleLink);
        f.write((index ? R"(<TD align="center")" : R"(<TD colspan="1" align="center")") + artistLink);
    } else {
        f.write(R"(<TD colspan="1" align="center")" + titleLink);
        f.write(R"(<TD colspan="1" align="center" bgcolor=)" + active + artistLink);
    }
    f.write(R"(<TR><TD colspan="2" align="center">)");
    f.write("<TABLE BORDER=0>");
    f.write("<TR>");
    for (const std::string& letter : letters) {
        const std::string shown = letter == " " ? "&nbsp;" : html::escape(letter);
        const std::string target = prefix + html::linkCode(letter) + ".htm";
        if (index)
            f.write("<TD><A href=\"" + target + "\">" + shown + "</a></TD>");
        else if (letter == *own)
            f.write("<TD bgcolor=" + active + "><A href=" + target + ">" + shown + "</a></TD>");
        else
            f.write("<TD><A href=" + target + ">" + shown + "</a></TD>");
    }
    f.write("</TR>");
    f.write("</TABLE></TABLE><BR>");
    if (index) return;
    f.write(R"(<TABLE BORDER=1 width="70%" )" + tableColours);
    auto headingCell = [&](const char* align, const std::string& text) {
        return std::string("<TD align") + align + "\"center\" bgcolor=" + captionBg + "><FONT color=" + caption + ">" +
               text + "</FONT></TD>";
    };
    f.write("<TR> " + headingCell("=", artists ? "Artist" : "Title") + " " +
            headingCell("=", artists ? "Title" : "Artist") + " " + headingCell(" = ", "Song #") + " </TR>");
}

void writePageEnd(rt::LineFile& page) {
    for (const char* line : {"</TABLE>", "</center>", "</div>", "</BODY>", "</HTML>"}) page.write(line);
}

namespace {

// A field escaped and padded with blanks to its 40 characters.
void appendCell(std::string& out, std::string_view field) {
    appendEscaped(out, field);
    const std::size_t n = rt::length(field);
    if (n < 40) out.append(40 - n, ' ');
}

}  // namespace

void listingRow(std::string& row, std::string_view first, std::string_view second, std::string_view customDiscId,
                std::uint32_t track) {
    row.assign("<TR> <TD>");
    appendCell(row, first);
    row += "</TD> <TD>";
    appendCell(row, second);
    row += "</TD> <TD>";
    appendEscaped(row, songNumber(customDiscId, track));
    row += "</TD> </TR>";
}

}  // namespace html

std::string HtmlPageSetFolder() {
    return SplitFilePath(SongBookFileName, 3) + "WebPages/" + rt::clip(HTMLOutputDirectory.str());
}

void HtmlPageSetWrite::start(const std::string& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    rt::removeTempLeftovers(folder, "*.htm");
}

void HtmlPageSetWrite::addPage(rt::TempFile page) { pages_.push_back(std::move(page)); }
void HtmlPageSetWrite::addIndex(rt::TempFile index) { indexes_.push_back(std::move(index)); }

bool HtmlPageSetWrite::commit() {
    for (std::vector<rt::TempFile>* files : {&pages_, &indexes_}) {
        for (rt::TempFile& f : *files) {
            const std::string name = f.finalPath();
            if (const int e = f.commit(true)) {
                rt::message("Error closing files|" + name + "|ERROR:" + std::to_string(e) + " (" + std::strerror(e) + ")");
                pages_.clear();
                indexes_.clear();
                return false;
            }
        }
    }
    pages_.clear();
    indexes_.clear();
    return true;
}

bool HtmlPageSetNameAllowed(std::string_view name) {
    const std::string n = rt::clip(name);
    return !n.empty() && n.find('/') == std::string::npos && n.find('\\') == std::string::npos &&
           n.find("..") == std::string::npos;
}

namespace {

// How long one timer tick goes on writing rows (the clock read every 25) before the window is
// served again.
constexpr auto kSlice = std::chrono::milliseconds(100);

std::string reason(int err) { return std::to_string(err) + " (" + std::strerror(err) + ")"; }

// What differs between the title pages and the artist pages.
struct Kind {
    bool artists;
    const char* prefix;       // of letter pages: "T-" or "A-"
    const char* indexName;    // "index.htm" or "indexA.htm"
    const char* windowTitle;
};

constexpr Kind kTitles{false, "T-", "index.htm", "Generating Title Pages"};
constexpr Kind kArtists{true, "A-", "indexA.htm", "Generating Artist Pages"};

class PageSet {
public:
    PageSet(const Kind& kind, HtmlPageSetWrite* set) : kind_(kind), set_(set ? *set : own_), ownSet_(!set) {}
    PageSetRun run();

private:
    // The field the pages are sorted and lettered by, in the listing buffer.
    rt::Text<40>& sortField() const { return kind_.artists ? SBK.ARTIST : SBK.TITLE; }
    const rt::Key& sortKey() const { return kind_.artists ? SongBook::KARTIST : SongBook::KTITLE; }
    bool collectLetters();
    bool collectLettersInFileOrder();
    bool collectCustomIds();
    bool startIndex();
    void startPage(const std::string& letter);
    void finishPage();
    void writeRow();
    // One listing onto its page; false once the run is over.
    bool step();
    // The run stops at the first page that cannot be written, with one message.
    void fail(const std::string& text);

    const Kind& kind_;
    HtmlPageSetWrite own_;
    HtmlPageSetWrite& set_;
    const bool ownSet_;
    std::vector<std::string> letters_;
    std::string folder_;
    rt::LineFile page_;
    std::optional<std::string> current_;  // the letter of the open page (none: the index)
    // Custom disc id by disc id (in upper case, as the key compares them).
    std::unordered_map<std::string, std::string> customIds_;
    std::string row_;  // kept from row to row, so its room is reused
    std::optional<RecordReader> listings_;  // the pages' listings, in the set's order
    long long total_ = 0, read_ = 0;
    bool failed_ = false;
};

void PageSet::fail(const std::string& text) {
    page_.discard();
    if (failed_) return;
    failed_ = true;
    rt::message(text);
}

// The first letters, one seek a letter: after reading the first listing of a letter, the key
// is set to the smallest text that sorts after every text of that letter. The key compares
// upper-cased characters, and an upper-cased character is its own upper case, so that text
// is the next character that is its own upper case.
bool PageSet::collectLetters() {
    RecordReader listings(SBK, sortKey());
    while (listings.next()) {
        const std::string letter = html::letterOf(sortField().str());
        if (!letters_.empty() && letter <= letters_.back()) return collectLettersInFileOrder();
        letters_.push_back(letter);
        char32_t next = rt::codePoints(letter)[0] + 1;
        while (next <= 0x10FFFF && rt::upperChar(next) != next) ++next;
        if (next > 0x10FFFF) return true;
        SBK.clearBuffer();
        sortField() = rt::fromCodePoints(std::u32string(1, next));
        SBK.setAt(sortKey());
    }
    failed_ = listings.failed();
    return !failed_;
}

// Every listing read for its letter (should the key ever order letters otherwise).
bool PageSet::collectLettersInFileOrder() {
    std::set<std::string> letters;  // UTF-8 byte order is character code order
    if (!ReadEveryRecord(SBK, [&] {
            letters.insert(html::letterOf(sortField().str()));
            return true;
        })) {
        failed_ = true;
        return false;
    }
    letters_.assign(letters.begin(), letters.end());
    return true;
}

// The discs' custom ids, read once: looking each listing's disc up in the file would cost a
// query a row. The disc file holds one record per disc, a small part of the listings.
bool PageSet::collectCustomIds() {
    failed_ = !ReadEveryRecord(SBD, [&] {
        const std::string id = rt::upper(SBD.UNQDISKID.str());
        if (!id.empty()) customIds_.try_emplace(id, SBD.ALTDISKID.str());
        return true;
    });
    return !failed_;
}

bool PageSet::startIndex() {
    rt::createFolder(SplitFilePath(SongBookFileName, 3) + "WebPages");
    rt::createFolder(folder_);
    rt::clearError();
    set_.start(folder_);
    HtmlPageFileName = folder_ + "/" + kind_.indexName;
    if (const int e = page_.create(HtmlPageFileName)) {
        fail("ERROR: Unable to create webpage:" + HtmlPageFileName.str() + "|ERROR:" + reason(e));
        return false;
    }
    html::writePageHead(page_, kind_.artists, letters_, nullptr);
    return true;
}

// The open page gets its closing lines and waits, written whole, for the set's commit.
void PageSet::finishPage() {
    if (!page_.isOpen()) return;
    html::writePageEnd(page_);
    const std::string name = page_.name();
    rt::TempFile done;
    if (const int e = page_.finish(done)) {
        fail("Error closing files|" + name + "|ERROR:" + reason(e));
        return;
    }
    if (current_) set_.addPage(std::move(done));
    else set_.addIndex(std::move(done));
}

void PageSet::startPage(const std::string& letter) {
    finishPage();
    if (failed_) return;
    current_ = letter;
    HtmlPageFileName = folder_ + "/" + kind_.prefix + html::fileCode(letter) + ".htm";
    if (const int e = page_.create(HtmlPageFileName)) {
        fail("ERROR: Unable to create webpage:" + HtmlPageFileName.str() + "|ERROR:" + reason(e));
        return;
    }
    html::writePageHead(page_, kind_.artists, letters_, &letter);
}

void PageSet::writeRow() {
    const std::string& first = kind_.artists ? SBK.ARTIST.str() : SBK.TITLE.str();
    const std::string& second = kind_.artists ? SBK.TITLE.str() : SBK.ARTIST.str();
    // A listing without a disc record has a blank custom disc id, except that a discless
    // track (disc id "*") is numbered by its track alone all the same.
    const auto disc = customIds_.find(rt::upper(SBK.UNQDISKID.str()));  // as the key compares disc ids
    static const std::string discless = "*", none;
    const std::string& customId = disc != customIds_.end() ? disc->second : SBK.UNQDISKID == "*" ? discless : none;
    html::listingRow(row_, first, second, customId, SBK.DISKTRACKNO);
    page_.write(row_);
}

bool PageSet::step() {
    if (!listings_->next()) {
        if (listings_->failed()) failed_ = true;
        return false;
    }
    ++read_;
    const std::string letter = html::letterOf(sortField().str());
    if (!current_ || letter != *current_) startPage(letter);
    if (failed_) return false;
    writeRow();
    return true;
}

PageSetRun PageSet::run() {
    DataFileUse songBook(SBK), discs(SBD);
    if (!HtmlPageSetNameAllowed(HTMLOutputDirectory.str())) {
        rt::message("The HTML SongBook Name may not hold \"/\", \"\\\" or \"..\".");
        return PageSetRun::Failed;
    }
    folder_ = HtmlPageSetFolder();
    if (!collectLetters() || !collectCustomIds() || !startIndex()) return PageSetRun::Failed;

    total_ = SBK.records();
    rt::clearError();
    ProgressWindow window(kind_.windowTitle, "Writing Web Pages", {});
    const int cancel = window.addCancel();
    TaskWindow& w = window.window();
    window.open();

    SBK.set(sortKey());
    if (rt::errorCode() != rt::NoError) {
        ShowWarning(Warning::ViewOpen);
        page_.discard();
        return PageSetRun::Failed;
    }
    listings_.emplace(SBK, sortKey(), RecordReader::Warn, RecordReader::AsSet);
    SlicedWork work(w, {.budget = kSlice, .clockEvery = 25});
    work.cancelWith(cancel)
        .afterSlice([&] { window.step(static_cast<std::size_t>(read_), static_cast<std::size_t>(total_)); })
        .atEnd([&] {
            if (!failed_) finishPage();
            if (!failed_) window.completed();
        });
    const bool cancelled = !work.run([&] { return step(); });
    // Nothing of a cancelled run replaces a page: the page being written, and those written
    // before it, are dropped.
    if (cancelled) page_.discard();
    if (failed_) return PageSetRun::Failed;
    if (cancelled) return PageSetRun::Cancelled;
    if (ownSet_ && !set_.commit()) return PageSetRun::Failed;
    return PageSetRun::Written;
}

}  // namespace

PageSetRun WriteHtmlTitlePages(HtmlPageSetWrite* set) { return PageSet(kTitles, set).run(); }
PageSetRun WriteHtmlArtistPages(HtmlPageSetWrite* set) { return PageSet(kArtists, set).run(); }
