#pragma once
// Sorting more records than should be held in memory at once. Records are gathered into runs
// of a bounded size; each run is sorted in memory and written to an anonymous temporary file
// (it has no name, so it goes with the process whatever happens), and the runs are merged as
// they are read back. Records that compare equal come back in the order they were added, as
// after one stable sort of them all. A sort that never fills a run stays in memory.
//
//     struct SongCodec {
//         static std::size_t bytes(const Song& s);               // its share of a run's memory
//         static void write(const Song& s, std::string& out);    // appends its bytes
//         static bool read(std::string_view in, Song& s);        // the bytes write() made
//     };
//     rt::SpillSort<Song, SongCodec> sorted([](const Song& a, const Song& b) { return a.key < b.key; });
//     for (...)
//         if (!sorted.add(std::move(song))) return fail(sorted.error());
//     if (!sorted.finish()) return fail(sorted.error());
//     for (Song s; sorted.next(s);) ...   // false at the end, or on an error: error() says
//     sorted.rewind();                    // from the first once more
//
// The errors are those of the temporary file (a full disc): the folder and the system's text.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

namespace spill {

// An anonymous file in the temporary folder ($TMPDIR, else /tmp), open for reading and writing.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Appends the bytes; false with error() set when they could not all be written.
    bool append(const std::string& bytes);
    // Reads up to `len` bytes at `at`; the number read, or -1 with error() set.
    long read(std::uint64_t at, char* into, std::size_t len);
    std::uint64_t size() const { return size_; }
    const std::string& error() const { return error_; }

private:
    bool open();

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string error_;
};

// Reads the records of one run back, a block at a time.
class RunReader {
public:
    RunReader(File& file, std::uint64_t start, std::uint64_t end) : file_(&file), at_(start), end_(end) {}
    // The next record's bytes; false at the end of the run or on an error (failed() tells).
    bool next(std::string_view& record);
    bool failed() const { return failed_; }

private:
    bool fill(std::size_t need);

    File* file_;
    std::uint64_t at_, end_;
    std::string buf_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace spill

template <class T, class Codec>
class SpillSort {
public:
    using Less = std::function<bool(const T&, const T&)>;

    explicit SpillSort(Less less, std::size_t runBytes = std::size_t{16} << 20)
        : less_(std::move(less)), runBytes_(std::max<std::size_t>(runBytes, 1)) {}

    // Adds a record; false when a full run could not be written (error()).
    bool add(T&& record) {
        if (!error_.empty()) return false;
        held_ += Codec::bytes(record);
        run_.push_back(std::move(record));
        ++count_;
        return held_ < runBytes_ || spill();
    }

    // Ends the adding: the records can be read in order from now on.
    bool finish() {
        if (!error_.empty()) return false;
        if (runs_.empty()) {
            // One run: sorted where it stands.
            order_.resize(run_.size());
            std::iota(order_.begin(), order_.end(), std::size_t{0});
            std::stable_sort(order_.begin(), order_.end(),
                             [&](std::size_t a, std::size_t b) { return less_(run_[a], run_[b]); });
        } else if (!run_.empty() && !spill()) {
            return false;
        }
        finished_ = true;
        return rewind();
    }

    // The next record in order; false at the end or on an error (error()).
    bool next(T& out) {
        if (!finished_ || !error_.empty()) return false;
        if (runs_.empty()) {
            if (at_ >= order_.size()) return false;
            out = run_[order_[at_++]];
            return true;
        }
        if (heap_.empty()) return false;
        std::pop_heap(heap_.begin(), heap_.end(), heapAfter());
        const std::size_t r = heap_.back();
        out = std::move(heads_[r]);
        if (advance(r)) std::push_heap(heap_.begin(), heap_.end(), heapAfter());
        else heap_.pop_back();
        return error_.empty();
    }

    // Starts reading from the first record again.
    bool rewind() {
        if (!finished_ || !error_.empty()) return false;
        at_ = 0;
        readers_.clear();
        heads_.assign(runs_.size(), T{});
        heap_.clear();
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            readers_.emplace_back(file_, runs_[r].first, runs_[r].second);
            if (advance(r)) heap_.push_back(r);
        }
        std::make_heap(heap_.begin(), heap_.end(), heapAfter());
        return error_.empty();
    }

    long long size() const { return count_; }
    // Runs written to the temporary file (0: all in memory).
    std::size_t runs() const { return runs_.size(); }
    const std::string& error() const { return error_; }

private:
    // Sorts the run in memory and writes it to the file.
    bool spill() {
        order_.resize(run_.size());
        std::iota(order_.begin(), order_.end(), std::size_t{0});
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::size_t a, std::size_t b) { return less_(run_[a], run_[b]); });
        const std::uint64_t start = file_.size();
        std::string block, record;
        for (std::size_t i : order_) {
            record.clear();
            Codec::write(run_[i], record);
            const auto n = static_cast<std::uint32_t>(record.size());
            char length[4];
            std::memcpy(length, &n, 4);
            block.append(length, 4);
            block += record;
            if (block.size() >= (std::size_t{1} << 20)) {
                if (!file_.append(block)) return fail();
                block.clear();
            }
        }
        if (!block.empty() && !file_.append(block)) return fail();
        runs_.emplace_back(start, file_.size());
        std::vector<T>().swap(run_);
        std::vector<std::size_t>().swap(order_);
        held_ = 0;
        return true;
    }

    bool fail() {
        error_ = file_.error();
        return false;
    }

    // Reads run r's next record into its head; false at the run's end or on an error.
    bool advance(std::size_t r) {
        std::string_view bytes;
        if (!readers_[r].next(bytes)) {
            if (readers_[r].failed()) error_ = file_.error().empty() ? "The sort's temporary file is damaged." : file_.error();
            return false;
        }
        if (!Codec::read(bytes, heads_[r])) {
            error_ = "The sort's temporary file is damaged.";
            return false;
        }
        return true;
    }

    // The heap's order: the run whose head comes first, the earlier run among equal heads.
    auto heapAfter() {
        return [this](std::size_t a, std::size_t b) {
            if (less_(heads_[b], heads_[a])) return true;
            if (less_(heads_[a], heads_[b])) return false;
            return a > b;
        };
    }

    Less less_;
    std::size_t runBytes_;
    std::vector<T> run_;
    std::vector<std::size_t> order_;
    std::size_t held_ = 0;
    long long count_ = 0;
    spill::File file_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs_;
    std::vector<spill::RunReader> readers_;
    std::vector<T> heads_;
    std::vector<std::size_t> heap_;
    std::size_t at_ = 0;
    bool finished_ = false;
    std::string error_;
};

}  // namespace rt
