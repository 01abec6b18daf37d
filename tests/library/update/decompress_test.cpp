// Update files: the block decoder on well-formed and damaged files, the packer's round trip,
// and expanding a file into its place with the window, as the wizard does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "frontend/headless/driver.h"
#include "library/DecompressUpdateFile.h"
#include "support/temp_folder.h"

namespace {

using fixture::namesIn;
using fixture::readText;
using fixture::writeText;

constexpr const char* kEndsEarly = "The update file ends in the middle of a block.";
constexpr const char* kCorrupt = "Input Data Corrupted";

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xff);
    return s;
}

// Text with accents that compresses well, `n` bytes long.
std::string songText(std::size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "Zoë Marchetti - Lanterns Over Calder Bay #" + std::to_string(i) + "\r\n";
    s.resize(n);
    return s;
}

// One block made by hand: `data` compressed, with the header fields given (n and m empty:
// the true lengths).
std::string block(const std::string& data, char mark, std::string n = {}, std::string m = {}) {
    const std::string one = PackUpdateBlocks(data, data.size() + 1);
    std::string stream = one.substr(35);
    if (n.empty()) n = std::to_string(stream.size());
    if (m.empty()) m = std::to_string(data.size());
    char header[36];
    std::snprintf(header, sizeof header, "%-15s%-15s    %c", n.c_str(), m.c_str(), mark);
    return std::string(header, 35) + stream;
}

struct Expanded {
    UpdateExpansion r;
    std::string out;
};

Expanded expand(std::string_view in) {
    Expanded e;
    e.r = ExpandUpdateBlocks(in, [&](std::string_view bytes) {
        e.out.append(bytes);
        return true;
    });
    return e;
}

TEST(UpdateBlocks, WellFormedAndDamagedFiles) {
    const std::string a = songText(40000), b = randomBytes(30000, 1), c = songText(63000);
    const std::string three = block(a, 'X') + block(b, 'X') + block(c, ' ');
    // The middle block's stream with a byte changed inside its compressed data.
    std::string corruptMiddle = three;
    const std::size_t middle = block(a, 'X').size();
    for (std::size_t i = middle + 35 + 100; i < middle + 35 + 140; ++i) corruptMiddle[i] ^= 0x55;
    // A stream expanding past the output buffer, its header claiming little.
    const std::string tooBig = block(songText(70000), ' ', {}, "100");

    struct Case {
        const char* name;
        std::string in;
        bool ok;
        int blocks;
        std::string out;       // what was handed on
        std::string problem;
    };
    const Case cases[] = {
        {"one block, blank mark", block(a, ' '), true, 1, a, ""},
        {"one block, any other mark ends it", block(a, 'x') + "trailing bytes", true, 1, a, ""},
        {"three blocks", three, true, 3, a + b + c, ""},
        {"empty data", block("", ' '), true, 1, "", ""},
        {"corrupt middle block", corruptMiddle, false, 1, a, kCorrupt},
        {"letters in the compressed length", block(a, ' ', "12a"), false, 0, "", kCorrupt},
        {"hex length", block(a, ' ', "0x10"), false, 0, "", kCorrupt},
        {"negative length", block(a, ' ', "-5"), false, 0, "", kCorrupt},
        {"blank lengths", block(a, ' ', " ", " "), false, 0, "", kCorrupt},
        {"letters in the expanded length", block(a, ' ', {}, "4OOOO"), false, 0, "", kCorrupt},
        {"zero compressed length", block(a, ' ', "0"), false, 0, "", kCorrupt},
        {"compressed length beyond its buffer", block(a, ' ', "62001"), false, 0, "", kCorrupt},
        {"expanded length beyond its buffer", block(a, ' ', {}, "63001"), false, 0, "", kCorrupt},
        {"fifteen nines", block(a, ' ', "999999999999999"), false, 0, "", kCorrupt},
        {"second block's header bad", block(a, 'X') + block(b, ' ', "1 2"), false, 1, a, kCorrupt},
        {"expanded length one more", block(a, ' ', {}, std::to_string(a.size() + 1)), false, 0, "", kCorrupt},
        {"expanded length one less", block(a, ' ', {}, std::to_string(a.size() - 1)), false, 0, "", kCorrupt},
        {"stream larger than the buffer", tooBig, false, 0, "",
         "Insufficient room in output buffer for decompression"},
        {"compressed length past the end", block(a, ' ', "61000"), false, 0, "", kEndsEarly},
        {"cut inside the second block", three.substr(0, middle + 35 + 500), false, 1, a, kEndsEarly},
        {"cut inside the second header", three.substr(0, middle + 20), false, 1, a, kEndsEarly},
        {"continued but nothing follows", block(a, 'X'), false, 1, a, kEndsEarly},
        {"empty file", "", false, 0, "", kEndsEarly},
        {"a header alone", std::string(34, ' ') + "X", false, 0, "", kCorrupt},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Expanded e = expand(k.in);
        EXPECT_EQ(e.r.ok, k.ok);
        EXPECT_EQ(e.r.blocks, k.blocks);
        EXPECT_EQ(e.r.problem, k.problem);
        EXPECT_TRUE(e.out == k.out) << "handed on " << e.out.size() << " bytes, not " << k.out.size();
    }
}

TEST(UpdateBlocks, AFailedWriteStopsTheExpansion) {
    const std::string file = PackUpdateBlocks(songText(150000));
    int calls = 0;
    const UpdateExpansion r = ExpandUpdateBlocks(file, [&](std::string_view) { return ++calls < 2; });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(calls, 2) << "nothing is expanded after the write that failed";
    EXPECT_EQ(r.blocks, 1);
    EXPECT_EQ(r.problem, "write");
}

TEST(UpdateBlocks, PackedDataExpandsBackByteForByte) {
    struct Case {
        const char* name;
        std::string data;
        std::size_t blockSize;
        int blocks;
    };
    const Case cases[] = {
        {"empty", "", 60000, 1},
        {"one byte", "x", 60000, 1},
        {"small text", songText(5000), 60000, 1},
        {"exactly one block", songText(60000), 60000, 1},
        {"one byte more", songText(60001), 60000, 2},
        {"incompressible, several blocks", randomBytes(200000, 2), 60000, 4},
        {"largest blocks", songText(189000), kUpdateBlockExpanded, 3},
        {"small blocks", songText(10000), 1000, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string packed = PackUpdateBlocks(c.data, c.blockSize);
        // Every header but the last one's says another block follows.
        std::size_t at = 0;
        int headers = 0;
        for (;;) {
            ASSERT_LE(at + 35, packed.size());
            ++headers;
            const std::size_t n = std::stoul(packed.substr(at, 15));
            EXPECT_LE(n, kUpdateBlockData);
            const char mark = packed[at + 34];
            at += 35 + n;
            if (mark != 'X') break;
        }
        EXPECT_EQ(at, packed.size());
        EXPECT_EQ(headers, c.blocks);
        const Expanded e = expand(packed);
        EXPECT_TRUE(e.r.ok) << e.r.problem;
        EXPECT_EQ(e.r.blocks, c.blocks);
        EXPECT_TRUE(e.out == c.data);
    }
}

// DecompressUpdateFile run as the wizard runs it, with its window and messages.
class DecompressUpdateFileTest : public ::testing::Test {
protected:
    // Runs it; answers each message it shows and keeps their texts.
    int run(const std::string& source, const std::string& destination) {
        result_ = -1;
        messages_.clear();
        captions_.clear();
        int* result = &result_;
        EXPECT_TRUE(d_.start([=] { *result = DecompressUpdateFile(source, destination); })) << d_.error();
        for (int i = 0; i < 5 && d_.running(); ++i) {
            auto r = d_.request();
            if (!r) break;
            messages_.push_back(r->text);
            captions_.push_back(r->title);
            EXPECT_TRUE(d_.dismiss()) << d_.error();
        }
        EXPECT_TRUE(d_.end());
        return result_;
    }

    fixture::TempFolder dir_{"cantorelle-update"};
    headless::Driver d_;
    int result_ = -1;
    std::vector<std::string> messages_, captions_;
};

TEST_F(DecompressUpdateFileTest, ASoundFileTakesTheDestinationsPlace) {
    const std::string data = songText(150000) + randomBytes(70000, 9);
    writeText(dir_ / "MAIN.UPD", PackUpdateBlocks(data));
    writeText(dir_ / "MAIN.TPS", "the old master file");

    EXPECT_EQ(run(dir_ / "MAIN.UPD", dir_ / "MAIN.TPS"), 1);
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    EXPECT_TRUE(readText(dir_ / "MAIN.TPS") == data);
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"MAIN.TPS", "MAIN.UPD"}));

    // A destination that did not exist yet.
    EXPECT_EQ(run(dir_ / "MAIN.UPD", dir_ / "NEW.TPS"), 1);
    EXPECT_TRUE(readText(dir_ / "NEW.TPS") == data);
}

TEST_F(DecompressUpdateFileTest, AFailureLeavesTheDestinationAsItWas) {
    const std::string good = PackUpdateBlocks(songText(150000));
    std::string corrupt = good;
    for (std::size_t i = 35 + 50; i < 35 + 80; ++i) corrupt[i] ^= 0x5a;  // inside the first block's stream
    std::string badHeader = good;
    badHeader[3] = 'Z';
    const std::string old = randomBytes(5000, 4);

    struct Case {
        const char* name;
        std::string file;  // "" : no source file at all
        std::string message;
    };
    const Case cases[] = {
        {"corrupt block", corrupt, kCorrupt},
        {"bad header", badHeader, kCorrupt},
        {"truncated", good.substr(0, good.size() - 10), kEndsEarly},
        {"no source", "", "Cannot open file! " + (dir_ / "MAIN.UPD")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir_ / "MAIN.UPD");
        if (!c.file.empty()) writeText(dir_ / "MAIN.UPD", c.file);
        writeText(dir_ / "MAIN.TPS", old);
        const auto before = namesIn(dir_.path());

        EXPECT_EQ(run(dir_ / "MAIN.UPD", dir_ / "MAIN.TPS"), 0);
        EXPECT_EQ(messages_, std::vector<std::string>{c.message});
        EXPECT_TRUE(readText(dir_ / "MAIN.TPS") == old) << "the destination changed";
        EXPECT_EQ(namesIn(dir_.path()), before) << "a partial output was left";
    }
}

TEST_F(DecompressUpdateFileTest, SourceAndDestinationMustDifferAndBothBeNamed) {
    const std::string packed = PackUpdateBlocks("new");
    writeText(dir_ / "MAIN.UPD", packed);
    writeText(dir_ / "main.upd", "another file on a system that tells case");

    struct Case {
        std::string source, destination, caption, message;
    };
    const Case cases[] = {
        {dir_ / "MAIN.UPD", dir_ / "main.upd", "Source File cannot be the same as Destination File",
         "The file to be uncompressed cannot have the same name as the compressed file"},
        {dir_ / "MAIN.UPD", dir_ / "MAIN.UPD  ", "Source File cannot be the same as Destination File",
         "The file to be uncompressed cannot have the same name as the compressed file"},
        {dir_ / "MAIN.UPD", "", "Source or Destination File Name Missing",
         "Both a Source File Name and a Destination File Name must be supplied"},
        {"", dir_ / "MAIN.TPS", "Source or Destination File Name Missing",
         "Both a Source File Name and a Destination File Name must be supplied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.destination);
        EXPECT_EQ(run(c.source, c.destination), 0);
        EXPECT_EQ(messages_, std::vector<std::string>{c.message});
        EXPECT_EQ(captions_, std::vector<std::string>{c.caption});
    }
    EXPECT_TRUE(readText(dir_ / "MAIN.UPD") == packed);
    EXPECT_EQ(readText(dir_ / "main.upd"), "another file on a system that tells case");
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"MAIN.UPD", "main.upd"}));
}

}  // namespace
