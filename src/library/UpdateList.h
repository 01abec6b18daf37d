#pragma once
// The update list ("autoupdate.lst"): one record a line, comma-separated, fields ACTION,
// VERSION, OLDFILE, NEWFILE and SIZE. The first record's VERSION is the data version (the
// number of master tracks the new data hold); a record whose NEWFILE contains ".PGM" is a
// program revision, every other record replaces one master file.
//
//     const UpdateListCheck list = CheckUpdateList(bytesOfTheList);
//     if (!list.ok()) say(list.problem + "||Nothing has been downloaded or changed.");
//     for (const UpdateListRecord& r : list.records) if (!r.revision) download(r.newFile, r.size);
//
// The whole list is checked before anything is downloaded, and refused whole on the first
// fault: every line well formed with its five fields and a size that is a number; every file
// name a plain name (printable, no folder, no leading dot, at most 20 characters); every
// OLDFILE of a data record one of the five master files ("MAIN.TPS", "DMAKE.TPS",
// "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"), in any letter case, and named once; every NEWFILE
// named once in any letter case, and never a name of an installed file (".TPS", ".BAK",
// ".EXE", ".LST" or ".INI" files) nor of the install's work folder. A data record's oldFile
// comes back as the installed file's own name ("main.tps" -> "MAIN.TPS"). Checks take time in
// proportion to the list's length.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UpdateListRecord {
    std::string action, version;
    std::string oldFile;   // data records: the installed master file's name, in its own case
    std::string newFile;   // as the list names it (the server's name)
    std::uint32_t size = 0;
    bool revision = false;
};

struct UpdateListCheck {
    std::vector<UpdateListRecord> records;
    std::string problem;   // why the list is refused, in the words the wizard shows
    bool ok() const { return problem.empty(); }
    // The data records, in list order.
    std::vector<const UpdateListRecord*> dataRecords() const;
};

// The master files a data update may replace, in the order the program names them.
extern const char* const kUpdatableMasterFiles[5];

UpdateListCheck CheckUpdateList(std::string_view bytes);
