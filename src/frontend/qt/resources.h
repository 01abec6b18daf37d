#pragma once
// The program's icons and pictures by the names it gives them ("~adddiscs.ico", "about.bmp").
// They were resources of the original platform and are not installed as files: the front end
// carries its own, painted or taken from the style. A file of that name (absolute, or relative
// to the program's current folder) still wins. Names are matched without regard to case.
// GUI thread only.
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include <string>

namespace qtfe {

// The icon a name stands for: the file, else the built-in one; null for a name neither knows.
QIcon iconFor(const std::string& name);

// What an image control of that size shows: a file as it is (the caller fits it), a built-in
// picture painted at that size, a built-in icon at the largest square that fits; null for a
// name neither knows.
QPixmap pictureFor(const std::string& name, QSize size, qreal dpr = 1.0);

// Whether the front end carries a picture for the name.
bool hasBuiltIn(const std::string& name);

// The program's own icon ("~songbook.ico" as built in): a song book with a note.
QIcon builtInProgramIcon();

}  // namespace qtfe
