#pragma once
#include "data/tagque.h"

// Whether TagFile can be opened on this thread. A file of its name that is not a tag file of
// this program (another program's, or damaged) is set aside as "TAGFILE.unreadable" (or
// "-2", "-3"... after it) with a message, and a new tag file starts empty: it only ever holds
// the tags the label setup saved last. When it cannot be set aside (a folder of that name, a
// folder that cannot be written) the host is told and false comes back.
bool TagFileUsable();

// Replaces the contents of TagFile (every record, blank ones too) by the tags of the list,
// and empties the list. TagFile is opened by the caller (use counts).
// All or nothing, in one transaction: false (after a message naming the file and the reason)
// when the tag file could not be written, which then holds the tags it held before.
bool SaveTagsToTagFile(TagQueue& tags);
