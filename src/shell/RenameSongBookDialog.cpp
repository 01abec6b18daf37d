#include "shell/RenameSongBookDialog.h"

#include <cerrno>
#include <cstring>

#include "data/globals.h"
#include "runtime/files/folder.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"
#include "shell/SongBookFileNames.h"

std::uint8_t NameChangeDone = 0;

namespace {

SongBookFileRenamer& renamer() {
    static SongBookFileRenamer r;
    return r;
}

int renameOne(const std::string& from, const std::string& to) {
    return renamer() ? renamer()(from, to) : rt::renameFile(from, to);
}

// Renames the pair; a disc file that is missing is no obstacle, one that will not move takes
// the listing file back to its old name. 0 or the errno value of the failed step.
int renamePair(const std::string& listing, const std::string& disc, const std::string& newListing,
               const std::string& newDisc) {
    if (int e = renameOne(listing, newListing)) return e;
    if (!PathInUse(disc)) return 0;
    if (int e = renameOne(disc, newDisc)) {
        renameOne(newListing, listing);
        return e;
    }
    return 0;
}

}  // namespace

void SetSongBookFileRenamer(SongBookFileRenamer r) { renamer() = std::move(r); }

void RenameSongBookDialog() {
    const std::string listing = SelectedSongBookPath;
    const std::string disc = SongBookDiscFile(listing);
    const std::string folder = SplitFilePath(listing, 3);
    const std::string current = SplitFilePath(listing, 1);
    const std::string listingExt = "." + SplitFilePath(listing, 2);
    const std::string discExt = "." + SplitFilePath(disc, 2);

    TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 240, 74, {}, "RenameSongBook");
    w.image("?Picture", "Book.ico", 8, 8, 20, 20);
    w.text("?Heading", "Please Enter A New Name for this SongBook", 36, 10, 196, 10);
    w.prompt("?NEWNAME:Prompt", "New SongBook Name:", 36, 28, 72, 10);
    const int entry = w.entry("?NEWNAME", "@s50", 110, 27, 122, 12);
    w.setValue(entry, current);
    const int ok = w.button("?OK", "OK", 132, 52, 48, 14);
    const int cancel = w.button("?Cancel", "&Cancel", 184, 52, 48, 14);
    w.edit(ok).isDefault = true;

    w.onFirstDisplay([&] { w.select(entry); });
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == cancel) {
            w.close();
        } else if (w.field() == ok) {
            const std::string typed = rt::trim(rt::cut(w.value(entry), 50));
            if (typed == current) {
                w.close();
                continue;
            }
            if (const std::string problem = SongBookNameProblem(typed); !problem.empty()) {
                rt::message(problem);
                w.select(entry);
                continue;
            }
            const std::string newListing = folder + typed + listingExt;
            const std::string newDisc = folder + typed + discExt;
            if (PathInUse(newListing) || PathInUse(newDisc)) {
                rt::message("SongBook Name Already in Use, Please Select Another Name");
                w.select(entry);
                continue;
            }
            // Journals left under the new names by an earlier pair must not be played into
            // this one.
            rt::recoverRecordFiles({newListing, newDisc});
            if (int e = renamePair(listing, disc, newListing, newDisc)) {
                rt::message("Unable to Rename the SongBook|" + std::string(std::strerror(e)));
                w.select(entry);
                continue;
            }
            NameChangeDone = 1;
            SelectedSongBookPath = newListing;
            w.response = 1;
            w.close();
        }
    }
}
