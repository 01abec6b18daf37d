#pragma once
#include "data/tagque.h"

// Replaces the contents of TagFile (every record, blank ones too) by the tags of the list,
// and empties the list. TagFile is opened by the caller (use counts).
void SaveTagsToTagFile(TagQueue& tags);
