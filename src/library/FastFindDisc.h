#pragma once
// "Cantorelle V2 SongBook Maker - FastFind": finds a master disc by the exact title of its
// first track (any letter case), lets the host compare the candidates' track lists and tags
// the right one into TagQue, as the add-discs window does.
//
// Runs on a thread of its own (the add-discs window starts it; each start is another
// instance) with its own instances of DMake, KARAOKE, SBDiscs and sTitle, used by the
// use-counting rule. "Tag Disc and Return" asks the custom disc id (CustomDiscIdDialog) and
// adds the entry in order by (QUEUNQDISKID, DISKID); a disc already tagged is refused and the
// window stays, a disc already in the SongBook is refused and the window closes. The list
// follows the title box only when "Search for Matching Disc(s)" is pressed.
void FastFindDisc();
