#pragma once
// The AutoUpdate wizard: fetches the update list from the update server (registry store
// "Settings" / "UpdateServer"), checks the whole list, downloads the update files when the
// master data are not current, and installs them all or nothing (UpdateInstall.h): the
// replaced master files are kept as ".BAK", and an install cut off by a crash is finished at
// the next start. Records the new data version. Runs on the caller's thread while no SongBook
// is open.
void AutoUpdateWizard();

// Finishes an install that did not end, or removes what it left, before anything opens the
// master files (at start and when the wizard runs), saying what was done. False when it could
// not be finished (the message said why).
bool FinishInterruptedAutoUpdate();

// Posted to the master search window's thread (SearchThread) after an update replaced the
// master files: the window opens them again and reads its lists anew.
constexpr int EventMasterFilesReplaced = 0x405;
