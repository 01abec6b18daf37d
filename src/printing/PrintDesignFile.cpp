#include "printing/PrintDesignFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <type_traits>

#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include "runtime/window/window.h"
#include "services/split_file_path.h"

namespace {

struct KeyDef {
    const char* key;
    std::function<std::string(const PrintSettings&)> get;
    std::function<void(PrintSettings&, const std::string&)> set;
};

// A number as read from a file: its decimal value stored in the setting's width, 0 when the
// text is not a number.
long long numberOf(const std::string& text) {
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s, &end, 10);
    if (end == s || errno == ERANGE) return 0;
    return v;
}

template <typename T>
KeyDef num(const char* key, T PrintSettings::*field) {
    return {key, [field](const PrintSettings& s) { return std::to_string(+(s.*field)); },
            [field](PrintSettings& s, const std::string& v) {
                s.*field = static_cast<T>(static_cast<std::make_unsigned_t<T>>(numberOf(v)));
            }};
}

template <std::size_t N>
KeyDef txt(const char* key, rt::Text<N> PrintSettings::*field) {
    return {key, [field](const PrintSettings& s) { return (s.*field).str(); },
            [field](PrintSettings& s, const std::string& v) { s.*field = v; }};
}

const std::vector<KeyDef>& keyTable() {
    using P = PrintSettings;
    static const std::vector<KeyDef> table = {
        num("PrintSort", &P::PrintSort), num("PrintFormat", &P::PrintFormat),
        txt("ReportHeader", &P::ReportHeader), txt("HeaderFont", &P::HeaderFont),
        num("HeaderSetBold", &P::HeaderSetBold), num("HeaderSetItalic", &P::HeaderSetItalic),
        num("HeaderColor", &P::HeaderColor), num("HeaderBackgroundColor", &P::HeaderBackgroundColor),
        txt("PrintFont", &P::PrintFont), num("TitleBold", &P::TitleBold), num("TitleItalics", &P::TitleItalics),
        num("ArtistBold", &P::ArtistBold), num("ArtistItalics", &P::ArtistItalics), num("MfrBold", &P::MfrBold),
        num("MfrItalics", &P::MfrItalics), num("DiskTrackBold", &P::DiskTrackBold),
        num("DiskTrackItalics", &P::DiskTrackItalics), num("WordWrap", &P::WordWrap), num("ShowTM", &P::ShowTM),
        num("SetFonts", &P::SetFonts), num("CaseStyle", &P::CaseStyle), num("BodyColor", &P::BodyColor),
        num("BodyBackgroundColor", &P::BodyBackgroundColor), num("NameFormat", &P::NameFormat),
        txt("ReportFooter", &P::ReportFooter), txt("FooterFont", &P::FooterFont),
        num("FooterSetBold", &P::FooterSetBold), num("FooterSetItalic", &P::FooterSetItalic),
        num("FooterColor", &P::FooterColor), num("FooterBackgroundColor", &P::FooterBackgroundColor),
        num("FilterReport", &P::FilterReport), num("StartDate", &P::StartDate), num("EndDate", &P::EndDate),
        num("RemoveDuplicates", &P::RemoveDuplicates), num("ColumnBarFill", &P::ColumnBarFill),
        num("ColumnBarBorderColor", &P::ColumnBarBorderColor), num("ColumnBarTextColor", &P::ColumnBarTextColor),
        txt("ColumnBarFont", &P::ColumnBarFont), num("ColumnBarSetBold", &P::ColumnBarSetBold),
        num("ColumnBarSetItalic", &P::ColumnBarSetItalic), num("StartingPageNumber", &P::StartingPageNumber),
        num("RemoveVocals", &P::RemoveVocals), num("OffsetPages", &P::OffsetPages), num("Offset", &P::Offset),
        num("PaperType", &P::PaperType), num("ShowMake", &P::ShowMake), num("FilterGenre", &P::FilterGenre),
        txt("PrintGenre", &P::PrintGenre), num("FilterDuets", &P::FilterDuets), num("ignoreomits", &P::ignoreomits),
        num("PageBreakOffset", &P::PAGEBREAKOFFSET), txt("Pref1", &P::Pref1), txt("Pref2", &P::Pref2),
        txt("Pref3", &P::Pref3), txt("Pref4", &P::Pref4), txt("Pref5", &P::Pref5), txt("Pref6", &P::Pref6),
        txt("Pref7", &P::Pref7), txt("Pref8", &P::Pref8),
    };
    return table;
}

bool isDate(const char* key) { return std::strcmp(key, "StartDate") == 0 || std::strcmp(key, "EndDate") == 0; }

const char* kFilter = "Print Setup File|*.PSF";

}  // namespace

const std::vector<std::string>& DesignFileKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const KeyDef& d : keyTable()) k.push_back(d.key);
        return k;
    }();
    return keys;
}

std::string DesignFileName(const std::string& chosen) {
    return SplitFilePath(chosen, 3) + SplitFilePath(chosen, 1) + ".psf";
}

int WriteDesignFile(const PrintSettings& settings, const std::string& path) {
    std::vector<rt::IniValue> values;
    values.push_back({"Version", "Version", kPrintSetupVersion});
    for (const KeyDef& d : keyTable()) values.push_back({"Settings", d.key, d.get(settings)});
    return rt::putIniValues(values, path);
}

bool ReadDesignFile(const std::string& path, PrintSettings& settings) {
    const std::string version = rt::getIni("Version", "Version", "", path);
    if (rt::clip(rt::cut(version, 30)) != kPrintSetupVersion) return false;
    PrintSettings read = settings;
    for (const KeyDef& d : keyTable())
        if (!isDate(d.key)) d.set(read, rt::getIni("Settings", d.key, "", path));
    if (read.FilterReport == 1) {
        read.StartDate = static_cast<rt::DayNumber>(numberOf(rt::getIni("Settings", "StartDate", "", path)));
        read.EndDate = static_cast<rt::DayNumber>(numberOf(rt::getIni("Settings", "EndDate", "", path)));
    } else {
        read.StartDate = read.EndDate = rt::today();
    }
    if (read.PaperType == 0) read.PaperType = 1;
    settings = read;
    return true;
}

void SaveDesign() {
    std::string chosen;
    if (!rt::fileDialog("Enter Name of SongBook Design File", chosen, kFilter, true)) return;
    // A bare name is a file of the current folder, not one of the settings folder.
    const std::string path = DesignFileName(rt::absolutePath(chosen));
    if (int err = WriteDesignFile(PrintSetup, path))
        rt::message("The design could not be saved as|" + path + "||" + std::strerror(err), "ERROR", rt::Icon::Hand);
}

bool RecallDesign() {
    std::string chosen;
    if (!rt::fileDialog("Enter Name of SongBook Design File to Recall", chosen, kFilter, false)) return false;
    if (!ReadDesignFile(rt::absolutePath(chosen), PrintSetup)) {
        rt::message("Invalid SongBook Print Setup File", "ERROR", rt::Icon::Hand);
        return false;
    }
    return true;
}
