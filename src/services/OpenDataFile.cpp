#include "services/OpenDataFile.h"

#include <unordered_map>

#include "runtime/error/error.h"
#include "runtime/thread/thread.h"
#include "services/ShowWarning.h"

namespace {

// Each thread has its own instance of every file, so the instance's address identifies
// (thread, file).
thread_local std::unordered_map<const rt::RecordFile*, int> useCounts;

}  // namespace

void CreateDataFile(rt::RecordFile& file) {
    file.create();
    if (rt::errorCode() != rt::NoError) ShowWarning(Warning::FileCreation, file.name());
    file.open(rt::SharedReadWrite);
    if (rt::errorCode() != rt::NoError) ShowWarning(Warning::CreatedFileOpen, file.name());
}

void OpenDataFile(rt::RecordFile& file, bool createWhenMissing) {
    file.open(rt::SharedReadWrite);
    if (rt::errorCode() == rt::IsLocked) {
        file.send("Recover=10");
        file.open(rt::SharedReadWrite);
    }
    switch (rt::errorCode()) {
    case rt::NoError:
    case rt::AlreadyOpen:
        rt::clearError();
        return;
    case rt::FileNotFound:
        // A file not declared as created-when-missing is never created by the program.
        if (createWhenMissing && (file.declaration().attributes & rt::CreateWhenMissing)) {
            CreateDataFile(file);
            return;
        }
        ShowWarning(Warning::FileCreation, file.name());
        break;
    case rt::InvalidRecordDeclaration:
        ShowWarning(Warning::InvalidFile, file.name());
        break;
    case rt::RebuildKeys:
        ShowWarning(Warning::InvalidKey, file.name());  // No ends the program
        file.buildKeys();
        if (rt::errorCode() != rt::NoError) ShowWarning(Warning::KeyRebuild, file.name());
        file.open(rt::SharedReadWrite);
        break;
    default:
        break;
    }
    if (rt::errorCode() == rt::NoError || rt::errorCode() == rt::AlreadyOpen) {
        rt::clearError();
        return;
    }
    ShowWarning(Warning::FileAccess, file.name());
    rt::halt("Disk Error");
}

void UseDataFile(rt::RecordFile& file, bool createWhenMissing) {
    int& count = useCounts[&file];
    if (count == 0) OpenDataFile(file, createWhenMissing);
    ++count;
}

void ReleaseDataFile(rt::RecordFile& file) {
    auto it = useCounts.find(&file);
    if (it == useCounts.end() || it->second <= 0) return;
    if (--it->second == 0) {
        file.close();
        useCounts.erase(it);
    }
}

int FileUseCount(const rt::RecordFile& file) {
    auto it = useCounts.find(&file);
    return it == useCounts.end() ? 0 : it->second;
}
