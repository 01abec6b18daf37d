// Key-order reading in batches. A cursor keeps no statement open between calls: each
// batch is a fresh seek from the last row served (its key values and record number), so
// writes between reads are safe and changes made elsewhere are seen by the next batch.
#include "runtime/record/engine.h"

namespace rt::records {

namespace {
constexpr int kFirstBatch = 32;
constexpr int kMaxBatch = 512;
}  // namespace

void Cursor::reset(FileState* file, int key) {
    f_ = file;
    key_ = key;
    range_.clear();
    containing_ = Containing{};
    toStart();
}

void Cursor::setRange(std::vector<Value> prefix) {
    range_ = std::move(prefix);
    invalidate();
}

void Cursor::toStart() {
    anchor_ = Anchor{};
    nextLimit_ = kFirstBatch;
    invalidate();
}

void Cursor::toPoint(Anchor a) {
    anchor_ = std::move(a);
    anchor_.start = false;
    nextLimit_ = kFirstBatch;
    invalidate();
}

int Cursor::step(int dir, Row& out) {
    Stamp now = f_->stamp();
    if (batchDir_ != dir || !(now == stamp_)) invalidate();
    if (batch_.empty()) {
        if (atEnd_) return NoRecord;
        int limit = nextLimit_;
        nextLimit_ = nextLimit_ * 2 > kMaxBatch ? kMaxBatch : nextLimit_ * 2;
        int rc = f_->fetch(key_, dir, anchor_, range_, limit, batch_, containing_.col >= 0 ? &containing_ : nullptr);
        if (rc != 0) {
            invalidate();
            return rc;
        }
        batchDir_ = dir;
        stamp_ = now;
        atEnd_ = static_cast<int>(batch_.size()) < limit;
        if (batch_.empty()) return NoRecord;
    }
    out = std::move(batch_.front());
    batch_.pop_front();
    anchor_.start = false;
    anchor_.hasRec = true;
    anchor_.rec = out.rec;
    anchor_.inclNext = anchor_.inclPrev = false;
    if (key_ >= 0)
        anchor_.vals = f_->keyValues(key_, out.vals);
    else
        anchor_.vals.clear();
    return 0;
}

}  // namespace rt::records
