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
#include <cstdint>
#include <string>
#include <string_view>

// Each opens the SongBook pair (by use count), writes its pages behind a progress window with
// "Cancel" and returns true when every page was written; false when cancelled or when a page
// or the index could not be written (the host has been told which and why).
bool WriteHtmlTitlePages();
bool WriteHtmlArtistPages();

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
}  // namespace html
