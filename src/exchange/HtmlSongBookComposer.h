#pragma once
// The HTML SongBook composer: the host names the page set, gives the page title, heading and
// home address, customises colours and embedded HTML, saves and recalls the design as a web
// setup file (".wsf") and composes the pages (exchange/HtmlPageSet.h). Runs on the caller's
// thread (the workspace's) and returns when its window closes. The page set is named after
// the open SongBook at every opening.
void HtmlSongBookComposer();

// Tells the host how to publish the pages just written; "View HTML SongBook" opens the title
// index through the desktop.
void HtmlPublishInfo();
