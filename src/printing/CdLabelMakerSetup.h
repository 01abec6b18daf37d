#pragma once
// The CD label setup window: the host tags discs of the open SongBook, picks the label format,
// a footer and the colours, and prints CD labels or mini-labels of the tagged discs.
void CdLabelMakerSetup();
