#pragma once
// The dialog "MultiTag Options": how every disc of a brand is to get its custom id when the
// brand's discs are tagged in one pass.
//
// Out: BatchConfirmed (1 confirmed, 0 cancelled or closed) and, when confirmed, BATCHADDTYPE
// (1 AutoNumber, 2 one disc at a time, 3 the manufacturer disc id) with, for AutoNumber,
// BATCHSTARTINGNUMBER, BATCHPRE and BATCHSUF as typed (library/TagGlobals.h).
// The proposed start number is the highest numeric value among the SongBook's custom ids and
// the tags' custom ids, plus 1; it is only a suggestion and checks nothing.
//
// With SkipCustomDiscIdQuery = 1 no window opens: BATCHADDTYPE 3, BatchConfirmed 1.
// Opens SBDiscs by the use-counting rule and releases it on return.
void MultiTagOptionsDialog();
