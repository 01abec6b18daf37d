#include "printing/SaveTagsToTagFile.h"

#include <cstring>

#include "data/tagfile.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"

namespace {

std::string bareName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool TagFileUsable() {
    if (FileUseCount(TAG) > 0) return true;
    rt::clearError();
    TAG.open(rt::SharedReadWrite);
    const int err = rt::errorCode();
    const std::string errText = rt::error();
    rt::clearError();
    if (err == rt::NoError || err == rt::AlreadyOpen) {
        TAG.close();
        rt::clearError();
        return true;
    }
    // Missing, locked or with damaged keys: opening it deals with that.
    if (err == rt::FileNotFound || err == rt::IsLocked || err == rt::RebuildKeys) return true;
    const std::string file = TagFileName();
    int why = 0;
    // Only a file that is no tag file is set aside; one that cannot be read (access, the disc)
    // may be the host's tags and stays where it is.
    if (err == rt::InvalidRecordDeclaration && rt::fileExists(file)) {
        std::string aside = file + ".unreadable";
        for (int n = 2; rt::fileExists(aside) || rt::folderExists(aside); ++n) aside = file + ".unreadable-" + std::to_string(n);
        why = rt::renameFile(file, aside);
        if (why == 0) {
            rt::message("The file " + bareName(file) + " beside the SongBook is not a tag file of this program.|It was "
                        "kept as " + bareName(aside) + ", and the tags start anew.",
                        "Tag File", rt::Icon::Exclamation);
            return true;
        }
    }
    const std::string reason = why ? std::strerror(why) : errText;
    rt::message("The tag file " + file + " cannot be used" + (reason.empty() ? std::string() : " (" + reason + ")") +
                    ".|Move it away to print labels.",
                "Tag File", rt::Icon::Hand);
    return false;
}

bool SaveTagsToTagFile(TagQueue& tags) {
    // One transaction: a kill or a refused write leaves the earlier tags whole.
    bool saved = rt::logout(2, {&TAG});
    if (saved) {
        // In file order: a key leaves blank records out, and they must go too.
        RecordReader old(TAG, RecordReader::Quiet);
        while (saved && old.next()) {
            TAG.del();
            saved = rt::errorCode() == rt::NoError;
        }
    }
    for (std::size_t i = 1; saved && i <= tags.records(); ++i) {
        const TagQueRecord& t = tags.entry(i);
        TAG.clearBuffer();
        TAG.UNQDISKID = t.QUEUNQDISKID.str();
        TAG.ALTDISKID = t.DISKID.str();
        rt::clearError();
        TAG.add();
        saved = rt::errorCode() == rt::NoError;
    }
    if (saved) {
        rt::commit();
        saved = rt::errorCode() == rt::NoError;
    }
    if (!saved) {
        const std::string why = rt::error();
        rt::rollback();
        rt::message("The tag file " + TagFileName() + " could not be written" + (why.empty() ? "" : " (" + why + ")") +
                        ".|It keeps the tags it held before.",
                    "Tag File", rt::Icon::Hand);
    }
    rt::clearError();
    tags.free();
    return saved;
}
