#pragma once
// Backing up a SongBook into a ".bkp" zip archive (its two files under their bare names, with
// a dated comment) and restoring such an archive into the SongBook folder.
#include <functional>
#include <string>

#include "runtime/date/date.h"

// Shows a text in the explorer's status line.
using StatusLine = std::function<void(const std::string&)>;

// "Cantorelle V2 SongBook Maker Backup Dated: " and the day as month/day/two-digit year.
std::string SongBookBackupComment(rt::DayNumber day);

// The button "&Backup Selected SongBook": asks for a folder, then writes the pair of the
// listing file into folder/name.bkp (an existing archive is opened and its two members are
// replaced). Shows the outcome; the SongBook folder stays the current folder. True when the
// archive was written.
bool BackupSongBook(const std::string& listingPath, const StatusLine& status);

// The button "&Restore SongBook": asks for an archive and extracts every member into the
// SongBook folder (LONGNEWPATH). Files it would replace are named first and replaced only when
// the host agrees; members whose names lead outside the folder make the whole restore fail.
// True when the archive was extracted.
bool RestoreSongBook(const StatusLine& status);

// The archive work itself, without dialogs: 0 or non-zero with the zip library's error text.
int WriteSongBookBackup(const std::string& listingPath, const std::string& archivePath,
                        const std::string& comment, std::string& error);
int ExtractSongBookBackup(const std::string& archivePath, const std::string& folder,
                          std::string& error);
