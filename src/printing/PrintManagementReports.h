#pragma once
// The two management reports of the open SongBook: every listing disc by disc in track order,
// and the discs grouped by brand with a tick box each. CallResponse 1 when the run completed,
// 2 when it was cancelled or found nothing.
void PrintSongTrackListing();
void PrintDiscInventory();
