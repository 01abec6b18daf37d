#include "printing/PrintDesignFile.h"

#include <cstring>

#include "runtime/date/date.h"
#include "services/SetupFile.h"

const SetupFileType kDesignFileType{kPrintSetupVersion,
                                    ".psf",
                                    "Print Setup File|*.PSF",
                                    "Enter Name of SongBook Design File",
                                    "Enter Name of SongBook Design File to Recall",
                                    30};

namespace {

// The last day a date box can show.
rt::DayNumber lastDate() {
    static const rt::DayNumber last = rt::date(12, 31, 9999);
    return last;
}

bool isDate(const std::string& key) { return key == "StartDate" || key == "EndDate"; }

// The keys of section "Settings" in the order they are written, bound to `s`; each number
// with the values a print can use and the initial value it takes otherwise.
SetupKeys designKeys(PrintSettings& s) {
    static const PrintSettings init;
    auto flag = [](const char* key, auto& v, auto initial) { return SetupNumber(key, v, 0, 1, initial); };
    return {
        SetupNumber("PrintSort", s.PrintSort, 1, 2, init.PrintSort),
        SetupNumber("PrintFormat", s.PrintFormat, 1, 6, init.PrintFormat),
        SetupText("ReportHeader", s.ReportHeader),
        SetupText("HeaderFont", s.HeaderFont),
        flag("HeaderSetBold", s.HeaderSetBold, init.HeaderSetBold),
        flag("HeaderSetItalic", s.HeaderSetItalic, init.HeaderSetItalic),
        SetupColour("HeaderColor", s.HeaderColor, init.HeaderColor),
        SetupColour("HeaderBackgroundColor", s.HeaderBackgroundColor, init.HeaderBackgroundColor),
        SetupText("PrintFont", s.PrintFont),
        flag("TitleBold", s.TitleBold, init.TitleBold),
        flag("TitleItalics", s.TitleItalics, init.TitleItalics),
        flag("ArtistBold", s.ArtistBold, init.ArtistBold),
        flag("ArtistItalics", s.ArtistItalics, init.ArtistItalics),
        flag("MfrBold", s.MfrBold, init.MfrBold),
        flag("MfrItalics", s.MfrItalics, init.MfrItalics),
        flag("DiskTrackBold", s.DiskTrackBold, init.DiskTrackBold),
        flag("DiskTrackItalics", s.DiskTrackItalics, init.DiskTrackItalics),
        flag("WordWrap", s.WordWrap, init.WordWrap),
        flag("ShowTM", s.ShowTM, init.ShowTM),
        SetupNumber("SetFonts", s.SetFonts, 1, 3, init.SetFonts),
        SetupNumber("CaseStyle", s.CaseStyle, 1, 2, init.CaseStyle),
        SetupColour("BodyColor", s.BodyColor, init.BodyColor),
        SetupColour("BodyBackgroundColor", s.BodyBackgroundColor, init.BodyBackgroundColor),
        flag("NameFormat", s.NameFormat, init.NameFormat),
        SetupText("ReportFooter", s.ReportFooter),
        SetupText("FooterFont", s.FooterFont),
        flag("FooterSetBold", s.FooterSetBold, init.FooterSetBold),
        flag("FooterSetItalic", s.FooterSetItalic, init.FooterSetItalic),
        SetupColour("FooterColor", s.FooterColor, init.FooterColor),
        SetupColour("FooterBackgroundColor", s.FooterBackgroundColor, init.FooterBackgroundColor),
        flag("FilterReport", s.FilterReport, init.FilterReport),
        // A date that holds no value is 0; a recalled one that cannot be shown is today.
        SetupNumber("StartDate", s.StartDate, 0, lastDate(), rt::today()),
        SetupNumber("EndDate", s.EndDate, 0, lastDate(), rt::today()),
        flag("RemoveDuplicates", s.RemoveDuplicates, init.RemoveDuplicates),
        SetupColour("ColumnBarFill", s.ColumnBarFill, init.ColumnBarFill),
        SetupColour("ColumnBarBorderColor", s.ColumnBarBorderColor, init.ColumnBarBorderColor),
        SetupColour("ColumnBarTextColor", s.ColumnBarTextColor, init.ColumnBarTextColor),
        SetupText("ColumnBarFont", s.ColumnBarFont),
        flag("ColumnBarSetBold", s.ColumnBarSetBold, init.ColumnBarSetBold),
        flag("ColumnBarSetItalic", s.ColumnBarSetItalic, init.ColumnBarSetItalic),
        SetupNumber("StartingPageNumber", s.StartingPageNumber, 0, 65535, init.StartingPageNumber),
        flag("RemoveVocals", s.RemoveVocals, init.RemoveVocals),
        flag("OffsetPages", s.OffsetPages, init.OffsetPages),
        SetupNumber("Offset", s.Offset, 0, 500, init.Offset),
        // 0 is US Letter, as a design without the key has it.
        SetupNumber("PaperType", s.PaperType, 0, 2, init.PaperType),
        flag("ShowMake", s.ShowMake, init.ShowMake),
        flag("FilterGenre", s.FilterGenre, init.FilterGenre),
        SetupText("PrintGenre", s.PrintGenre),
        flag("FilterDuets", s.FilterDuets, init.FilterDuets),
        flag("ignoreomits", s.ignoreomits, init.ignoreomits),
        SetupNumber("PageBreakOffset", s.PAGEBREAKOFFSET, -5, 5, init.PAGEBREAKOFFSET),
        SetupText("Pref1", s.Pref1),
        SetupText("Pref2", s.Pref2),
        SetupText("Pref3", s.Pref3),
        SetupText("Pref4", s.Pref4),
        SetupText("Pref5", s.Pref5),
        SetupText("Pref6", s.Pref6),
        SetupText("Pref7", s.Pref7),
        SetupText("Pref8", s.Pref8),
    };
}

}  // namespace

const std::vector<std::string>& DesignFileKeys() {
    static const std::vector<std::string> keys = [] {
        PrintSettings s;
        std::vector<std::string> k;
        for (const SetupKey& d : designKeys(s)) k.push_back(d.name);
        return k;
    }();
    return keys;
}

std::string DesignFileName(const std::string& chosen) { return SetupFileName(kDesignFileType, chosen); }

int WriteDesignFile(const PrintSettings& settings, const std::string& path) {
    PrintSettings s = settings;
    return WriteSetupFile(kDesignFileType, designKeys(s), path);
}

SetupRead ReadDesignFile(const std::string& path, PrintSettings& settings) {
    PrintSettings read = settings;
    SetupKeys keys = designKeys(read), dates;
    std::erase_if(keys, [&](const SetupKey& k) {
        if (!isDate(k.name)) return false;
        dates.push_back(k);
        return true;
    });
    SetupRead r = ReadSetupFile(kDesignFileType, keys, path);
    if (!r.isType) return r;
    // The dates of a design count only when it filters by them.
    if (read.FilterReport == 1) {
        SetupRead d = ReadSetupFile(kDesignFileType, dates, path);
        r.problems.insert(r.problems.end(), d.problems.begin(), d.problems.end());
    } else {
        read.StartDate = read.EndDate = rt::today();
    }
    if (read.PaperType == 0) read.PaperType = 1;
    settings = read;
    return r;
}

void SaveDesign() {
    if (auto file = AskSetupFileToSave(kDesignFileType)) SaveSetupFile(kDesignFileType, designKeys(PrintSetup), *file);
}

bool RecallDesign() {
    auto file = AskSetupFileToRecall(kDesignFileType);
    if (!file) return false;
    return TellSetupRead(kDesignFileType, *file, ReadDesignFile(*file, PrintSetup));
}
