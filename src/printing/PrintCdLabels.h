#pragma once
// The label reports: CD labels (brand, ids and track list, two to a page) and mini-labels
// (the ids, 80 to a page) of the discs in TagFile, in custom disc id order. Each asks for the
// destination first and leaves CallResponse 1 when printed or previewed, 2 when cancelled.
void PrintCdLabels();
void PrintMiniLabels();
