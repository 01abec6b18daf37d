#include "runtime/files/csv.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

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
        EXPECT_EQ(r.encoding(), c.encoding) << c.name;
        Fields f;
        ASSERT_TRUE(r.next(f)) << c.name;
        EXPECT_EQ(f.at(0), c.first) << c.name;
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
    EXPECT_EQ(r.encoding(), rt::CsvEncoding::Utf8);
    const auto rows = readAll(r);
    ASSERT_EQ(rows.size(), 20000u);
    EXPECT_EQ(rows[19999][0], "\xC3\xA9t\xC3\xA9 19999");
    EXPECT_EQ(rows[12345][1], "\xC3\xA0");
}

TEST(CsvReader, MissingFileIsAnError) {
    TempFolder tmp;
    rt::CsvReader r;
    EXPECT_EQ(r.open(tmp / "none.csv"), ENOENT);
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
