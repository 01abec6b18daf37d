#include "shell/BrowseSongBook.h"

#include "shell/OpenSongBook.h"
#include "shell/SongBookWorkspace.h"

void BrowseSongBook() {
    SongBookSession book;
    switch (book.open()) {
    case SongBookOpening::Ended:
        return;
    case SongBookOpening::Opened:
        SongBookWorkspace();
        break;
    case SongBookOpening::Closed:
        break;
    }
    book.close();
}
