#pragma once
// A small untitled window that shows how the rapid disc locator of the add-discs window is
// used (the picture "rapidlocator.bmp") and an "OK" button that closes it. Runs on the
// caller's thread; keeps its position and size in section "disclocatorhelp" of
// "songbook.ini".
void DiscLocatorHelp();
