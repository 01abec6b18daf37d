#pragma once
// How a SongBook workspace comes to have its SongBook pair open, and what closing releases.
//
// Several workspaces may be open at once (the frame's Open and the Quick Start window's
// Start); they show the same SongBook, each with its own files on its own thread. The
// program-wide names (SongBookFileName, SBDiscsFileName) and SongBookIsOpen belong to all of
// them: only the last one to close blanks them and gives the frame its items back.
#include <string>

// What opening came to.
enum class SongBookOpening {
    Opened,  // the pair and Genre are open on this thread: the workspace window may open
    Closed,  // nothing was chosen: run the closing steps (the frame hears that it closed)
    Ended,   // the workspace ends at once, without a word to the frame
};

class SongBookSession {
public:
    SongBookSession() = default;
    // Lets go of what close() did not (a program that ends while the workspace runs).
    ~SongBookSession();
    SongBookSession(const SongBookSession&) = delete;
    SongBookSession& operator=(const SongBookSession&) = delete;

    // Reuses the open SongBook, or asks the SongBook File Explorer for one, creates or opens
    // the pair, brings older disc and brand records up to date and opens the workspace's
    // files. Ends the program after "Program ERROR!" when the pair cannot be created or opened.
    SongBookOpening open();
    // The closing steps after the workspace window has closed (or never opened).
    void close();
    bool filesOpened() const { return filesOpened_; }

private:
    void release();
    bool filesOpened_ = false;
    bool closed_ = false;
};

// Workspaces with their SongBook open now.
int OpenWorkspaceCount();

// Whether a chosen file is a SongBook of the previous version: "sbk" among the last four
// characters of its name, in any letter case.
bool IsOlderSongBookName(const std::string& path);

// Disc records of the older layout have brand number 0: when no disc has brand number 1,
// every 0 becomes 1 (under the "Updating SongBook Layout" window). SBDiscs is open.
void UpdateDiscLayout();
// The same for the brand file DMake, opened and closed here (a file that will not open is
// passed over).
void UpdateBrandLayout();
