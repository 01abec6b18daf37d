#pragma once
// Update files: blocks of a 35-character header (compressed length n and expanded length m as
// decimal text in 15 characters each, 4 unused, "X" when another block follows) and n bytes of
// one zlib stream. DecompressUpdateFile expands one into the file it replaces, with its window;
// ExpandUpdateBlocks is the decoder alone.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct UpdateExpansion {
    bool ok = false;
    int blocks = 0;               // blocks expanded
    std::string problem;          // why not, in the words the program shows
};

// The largest block the format allows.
constexpr std::size_t kUpdateBlockData = 62000;
constexpr std::size_t kUpdateBlockExpanded = 63000;

// Where the blocks come from: reads at most n bytes into buf and returns how many (0 at the
// end of the file), or -1 after a read error.
using UpdateBlockSource = std::function<long long(char* buf, std::size_t n)>;

// Expands the blocks of an update file, read from `in` one block at a time, handing each
// block's bytes to `out` (false: the write failed). Every header is checked (digits and
// blanks only, lengths within the buffers), a block must expand to exactly its announced
// length, and a file that ends before its last block is a failure. Bytes after the last
// block are not read.
UpdateExpansion ExpandUpdateBlocks(const UpdateBlockSource& in, const std::function<bool(std::string_view)>& out);
// The same over a whole update file in memory.
UpdateExpansion ExpandUpdateBlocks(std::string_view in, const std::function<bool(std::string_view)>& out);

// Expands the update file `source` into `destination` (written through a temporary file and
// put in place only when whole, flushed to disc), a block at a time: 1 when it succeeded, 0
// otherwise (a message said why).
int DecompressUpdateFile(const std::string& source, const std::string& destination);

// Packs bytes into the update file format (the program's update tool and the tests use it).
std::string PackUpdateBlocks(std::string_view data, std::size_t blockSize = 60000);
