#include "printing/SaveTagsToTagFile.h"

#include "data/tagfile.h"
#include "runtime/error/error.h"

void SaveTagsToTagFile(TagQueue& tags) {
    // In file order: a key leaves blank records out, and they must go too.
    rt::clearError();
    TAG.set();
    for (;;) {
        TAG.next();
        if (rt::errorCode() != rt::NoError) break;
        TAG.del();
        if (rt::errorCode() != rt::NoError) break;
    }
    for (std::size_t i = 1; i <= tags.records(); ++i) {
        const TagQueRecord& t = tags.entry(i);
        TAG.clearBuffer();
        TAG.UNQDISKID = t.QUEUNQDISKID.str();
        TAG.ALTDISKID = t.DISKID.str();
        rt::clearError();
        TAG.add();  // a failed add leaves that disc out
    }
    rt::clearError();
    tags.free();
}
