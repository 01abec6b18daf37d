#pragma once
// "Edit Main Tunelode Track ": corrects the title, artist or track number of the master track
// in the KARAOKE buffer (its current record). Disc id and brand are shown read-only.
//
// In:  CallRequest 2 (change); 1 (insert) and 3 (delete) are refused with warnings 19 and 21
//      and the form returns at once, cancelled.
// Out: CallResponse 1 (written, or nothing changed and nothing written) or 2 (cancelled).
//
// Writes only through SafeUpdateKaraoke. Ctrl+' in an editable field recalls it from the
// track as it stood at the last OK in this run (blank before). The window keeps, for the run,
// the place where it first appeared.
void UpdateMasterTrack();
