#include "services/ReadEveryRecord.h"

#include "runtime/error/error.h"
#include "services/ShowWarning.h"

RecordReader::RecordReader(rt::RecordFile& file, OnError onError, From from)
    : file_(&file), label_(file.label()), onError_(onError) {
    rt::clearError();
    if (from == AsSet) return;
    file.set();
    if (rt::errorCode() != rt::NoError) fail(true);
}

RecordReader::RecordReader(rt::RecordFile& file, const rt::Key& key, OnError onError, From from)
    : file_(&file), label_(file.label()), onError_(onError) {
    rt::clearError();
    if (from == AsSet) return;
    if (from == BufferValues) file.setAt(key);
    else file.set(key);
    if (rt::errorCode() != rt::NoError) fail(true);
}

RecordReader::RecordReader(rt::View& view, std::string label, OnError onError, From from)
    : view_(&view), label_(std::move(label)), onError_(onError) {
    rt::clearError();
    if (from == AsSet) return;
    closeView_ = true;
    view.open();
    if (!view.isOpen()) {
        fail(true);
        return;
    }
    view.set();
}

RecordReader::~RecordReader() {
    if (closeView_ && view_->isOpen()) view_->close();
}

bool RecordReader::next() {
    if (failed_ || ended_) return false;
    rt::clearError();
    if (view_) view_->next();
    else file_->next();
    if (rt::errorCode() == rt::NoError) return true;
    if (rt::errorCode() == rt::NoRecord) {
        rt::clearError();
        ended_ = true;
        return false;
    }
    fail(false);
    return false;
}

void RecordReader::fail(bool opening) {
    failed_ = true;
    openFailed_ = opening;
    if (onError_ == Warn) warn();
}

void RecordReader::warn() {
    if (!failed_) return;
    if (openFailed_) ShowWarning(Warning::ViewOpen);
    else ShowWarning(Warning::RecordRetrieval, label_);
    rt::clearError();
}

namespace {

// Reads with a reader made of `args` (a view or a file is closed, as it was, before the error
// state is cleared).
template <class... Args>
bool readAll(const std::function<bool()>& each, Args&&... args) {
    bool ok = false;
    {
        RecordReader reader(std::forward<Args>(args)...);
        while (reader.next())
            if (!each()) break;
        ok = !reader.failed();
    }
    rt::clearError();
    return ok;
}

}  // namespace

bool ReadEveryRecord(rt::View& view, const std::string& label, const std::function<bool()>& each) {
    return readAll(each, view, label);
}

bool ReadEveryRecord(rt::RecordFile& file, const rt::Key& key, const std::function<bool()>& each) {
    return readAll(each, file, key);
}

bool ReadEveryRecord(rt::RecordFile& file, const std::function<bool()>& each) { return readAll(each, file); }
