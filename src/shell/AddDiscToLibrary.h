#pragma once
// "Cantorelle V2 - Add Disc to Library": adds one disc record to SBDiscs, a custom disc ("CU")
// or a brand disc. When a disc was added, SBK.UNQDISKID holds its custom disc id and the SBDiscs
// buffer the new record.
void AddDiscToLibrary();
