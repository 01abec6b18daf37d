#pragma once
// The print menu (the workspace's Print button): SongBooks, CD labels, request slips and the
// management reports, each called on this thread; the menu shows again when it returns.
void PrintMenu();
