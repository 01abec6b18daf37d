#pragma once
#include <functional>
#include <string>

// The SongBook Designer: the window in which the host lays out the printed SongBook. Every
// control edits one print setting (PrintSettings.h) at once, a sample shows the effect,
// designs are saved and recalled as print design files, and "Print SongBook" starts the
// print on a thread of its own while the Designer stays open. Run it on its own thread
// (rt::startThread(SongBookDesigner)); several may run at once and share the settings.
void SongBookDesigner();

// The size in points the Designer's sample shows a heading in: 14, or smaller for a long or
// wide one (on two lines when one does not hold it), so that the whole heading shows.
int SampleHeadingSize(const std::string& heading, bool bold);

// What the Designer's "Add Brand" runs: the manufacturer code list of the disc library, which
// the program hands over before it opens a Designer. Until then the button is greyed.
void SetDesignerAddBrand(std::function<void()> procedure);

// "Page Break Offset Adjustment": the correction of the rows per page, -5 to +5, changed as
// the spin box changes.
void PageBreakOffsetDialog();
