#pragma once
// A SongBook of the previous version (SongBookFileName ".sbk", SBDiscsFileName ".sbd") is
// converted into a pair of the current layout (".2bk"/".2bd") beside it; the old pair is kept
// as ".sxk"/".sxd". Afterwards SongBookFileName and SBDiscsFileName name the new pair and
// CallResponse is 1; after a Cancel or a failure the old pair is as it was, under its own
// names, and CallResponse is 2.
void ConvertOldSongBook();
