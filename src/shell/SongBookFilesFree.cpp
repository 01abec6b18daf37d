#include "shell/SongBookFilesFree.h"

#include "runtime/error/error.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/SplitFilePath.h"
#include "shell/SongBookFileNames.h"

bool SongBookFilesFree(const std::vector<std::string>& files, const std::string& doing) {
    for (const std::string& f : files) {
        if (!PathInUse(f)) continue;
        const std::string name = SplitFilePath(f, 0, true);
        if (rt::recordFileOpenHere(f)) {
            rt::message("The SongBook File " + name + " Is Open in a SongBook Window.||Close That Window Before You " +
                        doing + " It.");
            return false;
        }
        if (rt::fileOpenElsewhere(f)) {
            rt::message("The SongBook File " + name + " Is in Use by Another Program.||Close It There Before You " +
                        doing + " It.");
            return false;
        }
    }
    std::string failed;
    if (rt::recoverRecordFiles(files, &failed) != 0) {
        const std::string name = SplitFilePath(failed, 0, true);
        if (rt::errorCode() == rt::IsLocked)
            rt::message("The SongBook File " + name + " Is in Use by Another Program.||Close It There Before You " +
                        doing + " It.");
        else
            rt::message("The SongBook File " + failed + " Could Not Be Brought Back to Its Last Saved State.|Error: " +
                        rt::error() + " (" + rt::str(rt::errorCode()) + ")||Nothing Has Been Changed.");
        return false;
    }
    return true;
}
