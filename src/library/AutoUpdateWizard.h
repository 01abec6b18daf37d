#pragma once
// The AutoUpdate wizard: fetches the update list from the update server (registry store
// "Settings" / "UpdateServer"), downloads the update files when the master data are not
// current, keeps the replaced master files as ".BAK", expands the new ones in their place (the
// originals come back on any failure), and records the new data version. Runs on the
// caller's thread while no SongBook is open.
void AutoUpdateWizard();
