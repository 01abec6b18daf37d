#include "shell/SetupMultiListingEdit.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/genre.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

std::vector<std::string> genreNames() {
    std::vector<std::string> names;
    // A genre that cannot be read ends the list there.
    RecordReader genres(GEN, Genre::KGENRE, RecordReader::Quiet);
    while (genres.next()) names.push_back(GEN.GENRE.str());
    rt::clearError();
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace

void SetupMultiListingEdit() {
    GLO::BATCHCHANGETITLE = GLO::BATCHCHANGEARTIST = GLO::BATCHCHANGEGENRE = 0;
    GLO::BATCHCHANGEDUET = GLO::BATCHCHANGEOMIT = 0;
    GLO::SBK.GENRE.clear();
    GLO::SBK.TITLE = SBK.TITLE;
    GLO::SBK.ARTIST = SBK.ARTIST;
    DialogCancelled = 1;
    const int scope = MultiEditScope;

    TaskWindow w("Setup Multi-Listing Edit", rt::WindowKind::Dialog, -1, -1, 318, 206, {&GEN, &SBK});
    const int editTitle = w.check("?GLO:BATCHCHANGETITLE", "Edit Song Title", 8, 6, 120, 10);
    const int titlePrompt = w.prompt("?GLO:SBK:TITLE:Prompt", "Song Title:", 20, 19, 48, 10);
    const int title = w.entry("?GLO:SBK:TITLE", "@s40", 70, 18, 200, 12);
    const int editArtist = w.check("?GLO:BATCHCHANGEARTIST", "Edit Artist Name", 8, 34, 120, 10);
    const int artistPrompt = w.prompt("?GLO:SBK:ARTIST:Prompt", "Artist Name:", 20, 47, 48, 10);
    const int artist = w.entry("?GLO:SBK:ARTIST", "@s40", 70, 46, 200, 12);
    const int editGenre = w.check("?GLO:BATCHCHANGEGENRE",
                                  "Designate GENRE for ALL Listings Matching the Above Criteria.", 8, 62, 300, 10);
    const int genrePrompt = w.text("?GLO:SBK:GENRE:Prompt", "GENRE:", 20, 75, 48, 10);
    const int genre = w.add(rt::ControlKind::DropList, "?GLO:SBK:GENRE", "", 70, 74, 160, 12);
    w.setColumns(genre, {rt::Column{"Genre", 150}});
    const int duet = w.check("?GLO:BATCHCHANGEDUET", "Tag ALL Listings Matching the Above Criteria as Duet", 8, 92,
                             300, 10);
    const int omit = w.check("?GLO:BATCHCHANGEOMIT",
                             "Tag ALL Listings Matching the Above Criteria to be Omitted from the Printed SongBook", 8,
                             106, 306, 10);
    for (int c : {editTitle, editArtist, editGenre, duet, omit}) w.setValue(c, "0");
    w.setValue(title, GLO::SBK.TITLE.str());
    w.setValue(artist, GLO::SBK.ARTIST.str());

    // The caution names what every matching listing shares.
    const char* cautions[] = {
        "CAUTION: All Listings Matching the Song Title below will be effected by this Multi-Listing Edit!",
        "CAUTION: All Listings Matching the Artist below will be effected by this Multi-Listing Edit!",
        "CAUTION: All Listings Found on the Disc ID below will be effected by this Multi-Listing Edit!"};
    const std::string matched[] = {SBK.TITLE.str(), SBK.ARTIST.str(), rt::clip(SBD.ALTDISKID.str())};
    const int box = w.group("?Caution", "", 8, 122, 302, 50);
    w.edit(box).boxed = true;
    for (int s = 1; s <= 3; ++s) {
        const int c = w.text("?Caution" + std::to_string(s), cautions[s - 1], 14, 128, 290, 22);
        const int v = w.text("?CautionValue" + std::to_string(s), matched[s - 1], 14, 154, 290, 10);
        w.edit(c).font = rt::Font{"", 0, 700};
        w.edit(v).font = rt::Font{"", 0, 700};
        w.edit(c).parent = w.edit(v).parent = box;
        w.hide(c, s != scope);
        w.hide(v, s != scope);
    }
    const int perform = w.button("?Perform", "Perform Multi-Listing Edit", 120, 182, 120, 16);
    const int cancel = w.button("?Cancel", "Cancel", 246, 182, 64, 16);
    w.edit(perform).isDefault = true;
    if (scope != 1) w.disable(editTitle);
    if (scope == 3) w.disable(editArtist);

    // Each entry shows while its box is checked.
    auto follow = [&] {
        w.hide(titlePrompt, w.value(editTitle) != "1");
        w.hide(title, w.value(editTitle) != "1");
        w.hide(artistPrompt, w.value(editArtist) != "1");
        w.hide(artist, w.value(editArtist) != "1");
        w.hide(genrePrompt, w.value(editGenre) != "1");
        w.hide(genre, w.value(editGenre) != "1");
    };
    std::vector<std::string> genres;
    w.onFirstDisplay([&] {
        genres = genreNames();
        w.setChoices(genre, genres);
    });
    follow();
    w.open();

    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        const int id = w.field();
        if (id == editTitle || id == editArtist || id == editGenre) {
            follow();
        } else if (id == genre) {
            // Only a genre of the list can be chosen.
            const std::string chosen = w.value(genre);
            if (!chosen.empty() && std::find(genres.begin(), genres.end(), chosen) == genres.end()) w.select(genre);
        } else if (id == perform) {
            const int answer = rt::message("Are you sure you wish to continue|with this Multi-Listing Edit?",
                                           "CAUTION", rt::Icon::Exclamation, rt::BtnYes | rt::BtnNo, rt::BtnNo);
            if (answer != rt::BtnYes) continue;
            GLO::BATCHCHANGETITLE = w.value(editTitle) == "1" && scope == 1;
            GLO::BATCHCHANGEARTIST = w.value(editArtist) == "1" && scope != 3;
            GLO::BATCHCHANGEGENRE = w.value(editGenre) == "1";
            GLO::BATCHCHANGEDUET = w.value(duet) == "1";
            GLO::BATCHCHANGEOMIT = w.value(omit) == "1";
            GLO::SBK.TITLE = w.value(title);
            GLO::SBK.ARTIST = w.value(artist);
            GLO::SBK.GENRE = w.value(genre);
            DialogCancelled = 0;
            w.close();
        } else if (id == cancel) {
            w.close();
        }
    }
}
