#pragma once
// The dialog "Custom/Alternate Disc ID": asks the custom id (and an optional genre) of one
// manufacturer disc that is about to be tagged.
//
// In:  TagQue.QUEUNQDISKID, the manufacturer disc id, put into TagQue's buffer by the caller.
// Out: DialogCancelled 0 (confirmed) or 1 (cancelled or closed); when confirmed, TagQue's
//      buffer holds QUEUNQDISKID as it came in, DISKID (the custom id) and QUEGENRE (the
//      genre, blank for none).
//
// TagQue's buffer is shared by every thread, and a second dialog may be open on another thread
// meanwhile (FastFind and the add-discs window). So the dialog edits its own copy while it
// waits and writes the three fields into the buffer only as it returns confirmed; a cancelled
// dialog leaves the buffer alone. The caller reads DialogCancelled and the buffer right after
// the call, before anything of its own waits (no other thread runs in between).
//
// With SkipCustomDiscIdQuery = 1 no window opens: DISKID becomes the manufacturer disc id,
// QUEGENRE blank, DialogCancelled 0.
//
// Opens Genre and SBDiscs by the use-counting rule and releases them on return.
void CustomDiscIdDialog();
