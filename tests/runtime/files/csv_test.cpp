#include "runtime/files/csv.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/files/input_file.h"
#include "runtime/text/text.h"
#include "support/temp_folder.h"

using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

using Fields = std::vector<std::string>;

std::vector<Fields> readAll(rt::CsvReader& r, std::vector<bool>* formed = nullptr) {
    std::vector<Fields> rows;
    Fields f;
    while (r.next(f)) {
        rows.push_back(f);
        if (formed) formed->push_back(r.wellFormed());
    }
    return rows;
}

std::vector<Fields> readBytes(const std::string& bytes, std::vector<bool>* formed = nullptr) {
    rt::CsvReader r;
    r.openBuffer(bytes);
    return readAll(r, formed);
}

TEST(CsvLine, QuotesTextsAndLeavesNumbersBare) {
    struct Case {
        const char* text;
        const char* written;
    } cases[] = {
        {"Say \"Hi\"", R"("Say ""Hi""")"},
        {"  Leading", R"("  Leading")"},
        {"Trailing   ", R"("Trailing")"},
        {"   ", R"("")"},
        {"", R"("")"},
        {"a,b", R"("a,b")"},
        {"line\r\nbreak\ttab", R"("line  break tab")"},
        {"\"", R"("""")"},
    };
    for (const Case& c : cases) {
        rt::CsvLine line;
        line.text(c.text);
        EXPECT_EQ(line.str(), c.written) << c.text;
        // And it reads back as written (trailing blanks gone, controls as blanks).
        Fields f;
        EXPECT_TRUE(rt::splitCsvLine(line.str(), f));
        ASSERT_EQ(f.size(), 1u);
    }
    rt::CsvLine line;
    line.number(4294967295LL).text("").number(-12).number(0);
    EXPECT_EQ(line.str(), R"(4294967295,"",-12,0)");
}

TEST(CsvSplit, QuotedBareAndBrokenFields) {
    struct Case {
        const char* line;
        Fields fields;
        bool ok;
    } cases[] = {
        {R"("a","b",3)", {"a", "b", "3"}, true},
        {R"(a,b,3)", {"a", "b", "3"}, true},
        {R"("a,b",c)", {"a,b", "c"}, true},
        {R"("say ""hi""",x)", {"say \"hi\"", "x"}, true},
        {R"("",,"")", {"", "", ""}, true},
        {R"("a"  ,b)", {"a", "b"}, true},
        {R"(a"b,c)", {"a\"b", "c"}, true},
        {R"("open,b)", {"open,b"}, false},
        {R"("a"x,b)", {"a", "b"}, false},
        {R"(a,)", {"a", ""}, true},
    };
    for (const Case& c : cases) {
        Fields f;
        EXPECT_EQ(rt::splitCsvLine(c.line, f), c.ok) << c.line;
        EXPECT_EQ(f, c.fields) << c.line;
    }
}

TEST(CsvReader, LineEndsEmptyLinesAndLineNumbers) {
    std::vector<bool> formed;
    rt::CsvReader r;
    r.openBuffer("\"a\",1\r\n\r\n   \nb,2\n\"c\",3");
    Fields f;
    ASSERT_TRUE(r.next(f));
    EXPECT_EQ(f, (Fields{"a", "1"}));
    EXPECT_EQ(r.lineNumber(), 1);
    ASSERT_TRUE(r.next(f));
    EXPECT_EQ(f, (Fields{"b", "2"}));
    EXPECT_EQ(r.lineNumber(), 4);
    ASSERT_TRUE(r.next(f));
    EXPECT_EQ(f, (Fields{"c", "3"}));  // no line end after the last line
    EXPECT_FALSE(r.next(f));
    EXPECT_EQ(r.error(), 0);
}

TEST(CsvReader, EncodingsAreRecognised) {
    struct Case {
        const char* name;
        std::string bytes;
        rt::CsvEncoding encoding;
        std::string first;
    } cases[] = {
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF\"Caf\xC3\xA9\",1\r\n", rt::CsvEncoding::Utf8, "Caf\xC3\xA9"},
        {"byte-order mark before a bare field", "\xEF\xBB\xBFTitle,1\r\n", rt::CsvEncoding::Utf8, "Title"},
        {"plain UTF-8", "\"Ni\xC3\xB1o\",1\n", rt::CsvEncoding::Utf8, "Ni\xC3\xB1o"},
        {"Windows-1252", "\"Caf\xE9 \x93quoted\x94\",1\r\n", rt::CsvEncoding::Cp1252,
         "Caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"ASCII", "\"abc\",1\r\n", rt::CsvEncoding::Utf8, "abc"},
        {"a lone lead byte", "\"abc\xC3\"", rt::CsvEncoding::Cp1252, "abc\xC3\x83"},
    };
    for (const Case& c : cases) {
        rt::CsvReader r;
        r.openBuffer(c.bytes);
        Fields f;
        ASSERT_TRUE(r.next(f)) << c.name;
        EXPECT_EQ(r.encoding(), c.encoding) << c.name;  // known once the line is read
        EXPECT_EQ(f.at(0), c.first) << c.name;
    }
}

// Records as spreadsheets and Python's csv module write them: a quoted field may hold line
// breaks. Each record comes with the line it begins on, as an editor numbers the lines.
TEST(CsvReader, QuotedLineBreaksStayInTheirField) {
    struct Record {
        long long line;
        Fields fields;
        bool wellFormed = true;
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Record> records;
    } cases[] = {
        {"a line feed inside quotes", "\"Two\nLines\",1\n\"next\",2\n",
         {{1, {"Two\nLines", "1"}}, {3, {"next", "2"}}}},
        {"CR LF inside quotes", "\"Two\r\nLines\",1\r\n\"next\",2\r\n",
         {{1, {"Two\nLines", "1"}}, {3, {"next", "2"}}}},
        {"several breaks and an empty line inside", "\"a\r\n\r\nb\nc\",\"x\ny\"\r\nlast,3",
         {{1, {"a\n\nb\nc", "x\ny"}}, {6, {"last", "3"}}}},
        {"a doubled quote next to the break", "\"say \"\"\nhi\"\"\",1\n", {{1, {"say \"\nhi\"", "1"}}}},
        {"a break inside quotes at the end of the file", "\"a\",1\n\"tail\n\"", {{1, {"a", "1"}}, {2, {"tail\n"}}}},
        {"a CR alone ends a line", "a,1\rb,2\r\"c\rd\",3\r", {{1, {"a", "1"}}, {2, {"b", "2"}}, {3, {"c\nd", "3"}}}},
        {"empty lines are counted", "\n\r\n  \na,1\n\n\"b\nc\",2\n\nd,3",
         {{4, {"a", "1"}}, {6, {"b\nc", "2"}}, {9, {"d", "3"}}}},
        {"a quote left open to the end costs its line alone",
         "\"ok\",1\n\"open,2\n\"three\",3\r\nfour,4",
         {{1, {"ok", "1"}}, {2, {"open,2"}, false}, {3, {"three", "3"}}, {4, {"four", "4"}}}},
        {"a quote left open on the last line", "\"ok\",1\n\"open,2", {{1, {"ok", "1"}}, {2, {"open,2"}, false}}},
        {"a quote inside a bare field is a character", "a\"b,\"c\"\n", {{1, {"a\"b", "c"}}}},
        {"other controls inside quotes are blanks", "\"a\tb\x01\",1\n", {{1, {"a b ", "1"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rt::CsvReader r;
        r.openBuffer(c.bytes);
        std::vector<Record> got;
        Fields f;
        while (r.next(f)) got.push_back({r.lineNumber(), f, r.wellFormed()});
        EXPECT_EQ(r.error(), 0);
        ASSERT_EQ(got.size(), c.records.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].line, c.records[i].line) << i;
            EXPECT_EQ(got[i].fields, c.records[i].fields) << i;
            EXPECT_EQ(got[i].wellFormed, c.records[i].wellFormed) << i;
        }
    }
}

// A record is held whole only up to kMaxLine bytes: past it a quote left open costs its first
// line, and a single line that long is left out, both as one bad record.
TEST(CsvReader, RecordsPastTheLongestAreOneBadRowEach) {
    const std::string big(rt::CsvReader::kMaxLine + 100, 'x');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<long long> lines;  // of the records read
        std::vector<bool> formed;
    } cases[] = {
        {"an open quote with long lines after it", "\"open\n" + big + "\n\"after\",2\n" + std::string(10, '\n') + "z,1\n",
         {1, 2, 3, 14}, {false, false, true, true}},
        {"one long quoted line", "\"" + big + "\"\r\nnext,2\r\n", {1, 2}, {false, true}},
        {"many short lines inside an open quote", [] {
             std::string b = "\"open,1\n";
             for (int i = 0; i < 20000; ++i) b += "\"row\",\"" + std::to_string(i) + "\"\n";
             return b;
         }(), {}, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        rt::CsvReader r;
        r.openBuffer(c.bytes);
        std::vector<long long> lines;
        std::vector<bool> formed;
        Fields f;
        while (r.next(f)) {
            lines.push_back(r.lineNumber());
            formed.push_back(r.wellFormed());
        }
        if (c.lines.empty()) {
            // Every row after the stray quote comes back as it was written.
            ASSERT_EQ(lines.size(), 20001u);
            EXPECT_FALSE(formed[0]);
            EXPECT_EQ(lines[20000], 20001);
            EXPECT_EQ(f.size(), 0u);
            continue;
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(formed, c.formed);
    }
}

// Each line is read in its own encoding: one Windows-1252 byte spoils only its own line.
TEST(CsvReader, EachLineIsDecodedOnItsOwn) {
    rt::CsvReader r;
    r.openBuffer("\"Caf\xC3\xA9\",1\r\n\"Caf\xE9\",2\r\n\"Zo\xC3\xAB\nNo\xEBl\",3\r\n\"\xC3\xA9t\xC3\xA9\",4\r\n");
    struct Row { std::string first; rt::CsvEncoding encoding; } rows[] = {
        {"Caf\xC3\xA9", rt::CsvEncoding::Utf8},
        {"Caf\xC3\xA9", rt::CsvEncoding::Cp1252},
        {"Zo\xC3\xAB\nNo\xC3\xABl", rt::CsvEncoding::Cp1252},  // a line of each inside one field
        {"\xC3\xA9t\xC3\xA9", rt::CsvEncoding::Utf8},
    };
    Fields f;
    for (const Row& row : rows) {
        ASSERT_TRUE(r.next(f));
        EXPECT_EQ(f.at(0), row.first);
        EXPECT_EQ(r.encoding(), row.encoding) << row.first;
    }
    EXPECT_FALSE(r.next(f));
}

// The reader and the file-name reader decode a byte alike: one converter.
TEST(CsvReader, ReadsEveryByteAsTheOneConverterDoes) {
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string byte(1, static_cast<char>(b));
        rt::CsvReader r;
        const std::string line = "\"x" + byte + "\"\n";
        r.openBuffer(line);
        Fields f;
        ASSERT_TRUE(r.next(f));
        EXPECT_EQ(f.at(0), rt::blankControls("x" + rt::utf8OrCp1252(byte))) << b;
    }
}

TEST(CsvReader, InvalidUtf8AfterAByteOrderMarkIsReplaced) {
    const auto rows = readBytes("\xEF\xBB\xBF\"a\xFFz\",\"\x01\"\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Fields{"a\xEF\xBF\xBDz", " "}));
}

TEST(CsvReader, AnOverlongLineIsOneBadRowAndReadingGoesOn) {
    std::string bytes(rt::CsvReader::kMaxLine + 10, 'x');
    bytes += "\n\"next\",2\n";
    std::vector<bool> formed;
    const auto rows = readBytes(bytes, &formed);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(formed[0]);
    EXPECT_TRUE(formed[1]);
    EXPECT_EQ(rows[1], (Fields{"next", "2"}));
}

TEST(CsvReader, LargeFileAcrossChunksWithUtf8CutAtChunkEdges) {
    TempFolder tmp;
    std::string bytes;
    // Lines of odd lengths so that two-byte characters fall on the chunk edges.
    for (int i = 0; i < 20000; ++i) bytes += "\"\xC3\xA9t\xC3\xA9 " + std::to_string(i) + "\",\"\xC3\xA0\"\r\n";
    writeText(tmp / "big.csv", bytes);
    rt::CsvReader r;
    ASSERT_EQ(r.open(tmp / "big.csv"), 0);
    const auto rows = readAll(r);
    EXPECT_EQ(r.encoding(), rt::CsvEncoding::Utf8);
    ASSERT_EQ(rows.size(), 20000u);
    EXPECT_EQ(rows[19999][0], "\xC3\xA9t\xC3\xA9 19999");
    EXPECT_EQ(rows[12345][1], "\xC3\xA0");
}

TEST(CsvReader, MissingFileIsAnError) {
    TempFolder tmp;
    rt::CsvReader r;
    EXPECT_EQ(r.open(tmp / "none.csv"), ENOENT);
    EXPECT_EQ(r.problem(), "No such file or directory");
}

// What is no file never reaches the reader: a FIFO would wait for a writer for ever, a device
// like /dev/zero would never end.
TEST(CsvReader, OnlyRegularFilesOpen) {
    TempFolder tmp;
    ASSERT_EQ(::mkfifo((tmp / "pipe.csv").c_str(), 0600), 0);
    std::filesystem::create_directory(tmp / "folder.csv");
    writeText(tmp / "plain.csv", "a,1\n");
    struct Case {
        std::string path;
        int error;
        const char* problem;
    } cases[] = {
        {tmp / "pipe.csv", ENODEV, "It is a named pipe (FIFO), not a file: only files are read."},
        {"/dev/zero", ENODEV, "It is a device, not a file: only files are read."},
        {"/dev/null", ENODEV, "It is a device, not a file: only files are read."},
        {tmp / "folder.csv", EISDIR, "It is a folder, not a file."},
        {tmp / "plain.csv", 0, ""},
    };
    for (const Case& c : cases) {
        rt::CsvReader r;
        EXPECT_EQ(r.open(c.path), c.error) << c.path;
        EXPECT_EQ(r.problem(), c.problem) << c.path;
        EXPECT_EQ(rt::inputFileProblem(c.path), c.problem) << c.path;
    }
}

TEST(CsvWriter, Windows1252WhileEverythingFitsThenUtf8) {
    TempFolder tmp;
    {
        rt::CsvWriter w;
        ASSERT_EQ(w.create(tmp / "a.csv"), 0);
        rt::CsvLine l;
        l.text("Caf\xC3\xA9").number(1);
        w.write(l);
        ASSERT_EQ(w.commit(true), 0);
        EXPECT_EQ(w.encoding(), rt::CsvEncoding::Cp1252);
        EXPECT_EQ(readText(tmp / "a.csv"), "\"Caf\xE9\",1\r\n");
    }
    {
        rt::CsvWriter w;
        ASSERT_EQ(w.create(tmp / "b.csv"), 0);
        for (int i = 0; i < 5000; ++i) {
            rt::CsvLine l;
            l.text("Caf\xC3\xA9 \xE2\x82\xAC").number(i);  // euro sign: in the code page
            w.write(l);
        }
        rt::CsvLine l;
        l.text("\xE6\x97\xA5\xE6\x9C\xAC").number(9);  // Japanese: not in it
        w.write(l);
        ASSERT_EQ(w.commit(true), 0);
        EXPECT_EQ(w.encoding(), rt::CsvEncoding::Utf8);
        const std::string text = readText(tmp / "b.csv");
        EXPECT_TRUE(text.starts_with("\"Caf\xC3\xA9 \xE2\x82\xAC\",0\r\n\"")) << text.substr(0, 20);
        EXPECT_NE(text.find("\"\xE6\x97\xA5\xE6\x9C\xAC\",9\r\n"), std::string::npos);
        rt::CsvReader r;
        ASSERT_EQ(r.open(tmp / "b.csv"), 0);
        const auto rows = readAll(r);
        ASSERT_EQ(rows.size(), 5001u);
        EXPECT_EQ(rows[4999][0], "Caf\xC3\xA9 \xE2\x82\xAC");
    }
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(tmp.path()))
        if (e.is_regular_file()) ++files;
    EXPECT_EQ(files, 2);
}

TEST(CsvWriter, ReplacesOnlyWhenAskedAndLeavesNothingOnFailure) {
    TempFolder tmp;
    writeText(tmp / "old.csv", "old");
    rt::CsvWriter w;
    ASSERT_EQ(w.create(tmp / "old.csv"), 0);
    rt::CsvLine l;
    l.text("new");
    w.write(l);
    EXPECT_EQ(w.commit(false), EEXIST);
    EXPECT_EQ(readText(tmp / "old.csv"), "old");

    rt::CsvWriter w2;
    ASSERT_EQ(w2.create(tmp / "old.csv"), 0);
    w2.write(l);
    EXPECT_EQ(w2.commit(true), 0);
    EXPECT_EQ(readText(tmp / "old.csv"), "\"new\"\r\n");

    // A folder that cannot be written: create fails, nothing is made.
    std::filesystem::create_directory(tmp / "ro");
    ::chmod((tmp / "ro").c_str(), 0555);
    rt::CsvWriter w3;
    if (::geteuid() != 0) {
        EXPECT_NE(w3.create(tmp / "ro/x.csv"), 0);
    }
    ::chmod((tmp / "ro").c_str(), 0755);
}

}  // namespace
