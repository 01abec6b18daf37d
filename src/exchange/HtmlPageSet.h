#pragma once
// The HTML SongBook's page set: an index page of first letters and one page per first letter,
// for titles ("index.htm", "T-<code>.htm") and for artists ("indexA.htm", "A-<code>.htm"),
// written into "WebPages/<HTMLOutputDirectory>" beside the open SongBook, coloured and
// extended by the web settings (exchange/WebSettings.h).
//
// Pages are UTF-8 and say so. Titles, artists, song numbers and letters are HTML-escaped;
// the host's own title, heading, home address and embedded HTML go in as typed. A first
// letter that a file name should not hold is written as "%" and two hexadecimal digits per
// byte, in the file name, and with that "%" written "%25" in links.
//
// The pages of a run are written under work names (".T-A.htm.tmp…") and put in place only
// when every one of them was written, the index pages last: an index never links a page that
// was not written, and after a failure, a "Cancel" or a crash the pages of the last whole run
// are there as they were. Work files that a stopped run left are removed by the next one.
// The composer writes both kinds as one set:
//
//     HtmlPageSetWrite pages;
//     if (WriteHtmlTitlePages(&pages) == PageSetRun::Written &&
//         WriteHtmlArtistPages(&pages) == PageSetRun::Written && pages.commit()) ...;
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_util.h"
#include "runtime/files/line_file.h"

// Pages written whole and waiting under their work names; what is not committed goes when
// this ends.
class HtmlPageSetWrite {
public:
    // Before the first page in `folder`: the work files an earlier run left there go.
    void start(const std::string& folder);
    void addPage(rt::TempFile page);
    void addIndex(rt::TempFile index);
    // Puts the pages in place, the indexes last. False after telling the host which page could
    // not be put in place and why (pages put in place before it stay; the indexes are the old
    // ones unless all pages were put in place).
    bool commit();

private:
    std::string folder_;
    std::vector<rt::TempFile> pages_, indexes_;
};

enum class PageSetRun { Written, Cancelled, Failed };

// Each opens the SongBook pair (by use count) and writes its pages behind a progress window
// with "Cancel". With a set given, the pages wait in it for its commit(); without, they are
// put in place at the end of the run. Failed: a page could not be written, the host has been
// told which and why in one message, and the run stopped there.
PageSetRun WriteHtmlTitlePages(HtmlPageSetWrite* set = nullptr);
PageSetRun WriteHtmlArtistPages(HtmlPageSetWrite* set = nullptr);

// The folder the pages go to: "WebPages/" and the page set's name beside the open SongBook.
std::string HtmlPageSetFolder();
// A page set's name may not leave "WebPages": no separator, no "..".
bool HtmlPageSetNameAllowed(std::string_view name);

// The pieces the pages are made of.
namespace html {
// The upper-cased first character of a text; a blank for a blank text or one that starts
// with a blank or a control character. Grouping by it agrees with the order of the keys.
std::string letterOf(std::string_view text);
// The letter as it stands in a file name, and in a link to that file.
std::string fileCode(std::string_view letter);
std::string linkCode(std::string_view letter);
// "&", "<", ">" and '"' as entities.
std::string escape(std::string_view text);
void appendEscaped(std::string& out, std::string_view text);
// The song number of a listing: custom disc id, "-", track (see the table in the .cpp).
std::string songNumber(std::string_view customDiscId, std::uint32_t track);
// The lines a page starts with: the host's title, colours and embedded HTML, the navigation
// menu with a link to the page of each letter, and on a letter page (`own` its letter; none:
// the index page) the heading row of its table. `artists`: the artist pages, else the titles.
void writePageHead(rt::LineFile& page, bool artists, const std::vector<std::string>& letters, const std::string* own);
// The lines a page ends with.
void writePageEnd(rt::LineFile& page);
// The table row of a listing into `row`: its first and second field (title and artist, or
// artist and title) escaped and padded to 40 characters, and its song number.
void listingRow(std::string& row, std::string_view first, std::string_view second, std::string_view customDiscId,
                std::uint32_t track);
}  // namespace html
