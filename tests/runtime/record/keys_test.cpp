// Key rules: uniqueness, leaving out blank keys, case-insensitive order, ties by record number.
#include <cctype>

#include <memory>

#include "runtime/record/engine.h"
#include "runtime/record/record_fixture.h"

using namespace testfiles;

namespace {

// One record to add: listing fields, or for the disc file disc/alt/tag.
struct Entry {
    std::string title, artist, disc;
    std::uint32_t track = 0;
    std::string genre;
    rt::DayNumber date = 0;
    std::string alt;
    std::string tag;
    int expect = 0;  // error code of the add
};

struct KeyCase {
    const char* name;
    bool discFile;  // entries go to the disc file (tag in MAKETYPE)
    std::vector<Entry> entries;
    const char* key;  // read back in this key's order
    std::vector<std::string> order;
};

const KeyCase kKeyCases[] = {
    {"same disc id and track is refused whatever the title",
     false,
     {{"One", "A", "SC8001", 1, "", 0, "", "a", 0},
      {"Two", "B", "SC8001", 1, "", 0, "", "b", rt::DuplicateKey},
      {"Three", "A", "sc8001", 1, "", 0, "", "c", rt::DuplicateKey},
      {"Four", "A", "SC8001", 2, "", 0, "", "d", 0},
      {"Five", "A", "SC8002", 1, "", 0, "", "e", 0}},
     "KUNQDISKID",
     {"a", "d", "e"}},
    {"discs may share a disc id but not a custom disc id",
     true,
     {{"", "", "SC8001", 0, "", 0, "CU1", "a", 0},
      {"", "", "SC8001", 0, "", 0, "CU2", "b", 0},
      {"", "", "SC8002", 0, "", 0, "cu1", "c", rt::DuplicateKey},
      {"", "", "SC8003", 0, "", 0, "", "d", 0},
      {"", "", "SC8004", 0, "", 0, "", "e", 0}},
     "KUNQDISKID",
     {"a", "b", "d", "e"}},
    {"blank custom disc ids are not in the unique key",
     true,
     {{"", "", "SC8003", 0, "", 0, "", "d", 0}, {"", "", "SC8004", 0, "", 0, "", "e", 0},
      {"", "", "SC8005", 0, "", 0, "X", "f", 0}},
     "KALTDISKID",
     {"f"}},
    {"a blank genre is not reachable through the genre key",
     false,
     {{"One", "A", "", 0, "Pop", 0, "", "a", 0},
      {"Two", "A", "", 0, "", 0, "", "b", 0},
      {"Three", "A", "", 0, "Country", 0, "", "c", 0}},
     "KGENRE",
     {"c", "a"}},
    {"title order ignores case, then artist, track and date added",
     false,
     {{"abc", "B", "D1", 1, "", 100, "", "a", 0},
      {"ABC", "A", "D2", 1, "", 100, "", "b", 0},
      {"abd", "A", "D3", 1, "", 100, "", "c", 0},
      {"Abc", "a", "D4", 2, "", 100, "", "d", 0},
      {"aBC", "A", "D5", 2, "", 50, "", "e", 0},
      {"ab", "Z", "D6", 1, "", 100, "", "f", 0}},
     "KTITLE",
     {"f", "b", "e", "d", "a", "c"}},
    {"accented letters sort with their capitals",
     false,
     {{"\xC3\xA9lan", "B", "D1", 1, "", 0, "", "a", 0},   // élan
      {"\xC3\x89LAN", "A", "D2", 1, "", 0, "", "b", 0},   // ÉLAN
      {"Elan", "A", "D3", 1, "", 0, "", "c", 0},
      {"zebra", "A", "D4", 1, "", 0, "", "d", 0},
      {"\xC3\x89lan", "C", "D5", 1, "", 0, "", "e", 0}},  // Élan
     "KTITLE",
     {"c", "d", "b", "a", "e"}},
    {"a key with some of its fields blank keeps the record",
     false,
     {{"", "", "", 0, "", 0, "", "a", 0}, {"", "Solo", "", 0, "", 0, "", "b", 0}, {"Song", "", "", 0, "", 0, "", "c", 0}},
     "KMATCHSONG",
     {"b", "c"}},
    {"equal keys come in the order the records were added",
     false,
     {{"One", "A", "", 0, "Pop", 0, "", "a", 0},
      {"Two", "A", "", 0, "POP", 0, "", "b", 0},
      {"Three", "A", "", 0, "Jazz", 0, "", "c", 0},
      {"Four", "A", "", 0, "pop", 0, "", "d", 0}},
     "KGENRE",
     {"c", "a", "b", "d"}},
    {"a zero date is left out of the date key",
     false,
     {{"One", "A", "", 0, "", 0, "", "a", 0}, {"Two", "A", "", 0, "", 7000, "", "b", 0},
      {"Three", "A", "", 0, "", 6000, "", "c", 0}},
     "KDATEADDED",
     {"c", "b"}},
};

class KeyRules : public RecordFiles, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyRules, AddAndReadInKeyOrder) {
    const KeyCase& c = GetParam();
    for (const Entry& e : c.entries) {
        if (c.discFile) {
            discs.clearBuffer();
            discs.UNQDISKID = e.disc;
            discs.ALTDISKID = e.alt;
            discs.MAKETYPE = e.tag;
            discs.add();
        } else {
            songs.clearBuffer();
            songs.TITLE = e.title;
            songs.ARTIST = e.artist;
            songs.UNQDISKID = e.disc;
            songs.DISKTRACKNO = e.track;
            songs.GENRE = e.genre;
            songs.DATEADDED = e.date;
            songs.LOCATION = e.tag;
            songs.add();
        }
        EXPECT_EQ(rt::errorCode(), e.expect) << "adding " << e.tag;
    }
    std::vector<std::string> got;
    rt::RecordFile& file = c.discFile ? static_cast<rt::RecordFile&>(discs) : songs;
    const rt::Key* key = nullptr;
    for (const rt::Key* k : file.declaration().keys)
        if (k->name == c.key) key = k;
    ASSERT_NE(key, nullptr);
    file.set(*key);
    for (file.next(); rt::errorCode() == 0; file.next())
        got.push_back(c.discFile ? discs.MAKETYPE.str() : songs.LOCATION.str());
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    EXPECT_EQ(got, c.order);
    // The same order read backwards from the end.
    std::vector<std::string> back;
    file.set(*key);
    for (file.previous(); rt::errorCode() == 0; file.previous())
        back.insert(back.begin(), c.discFile ? discs.MAKETYPE.str() : songs.LOCATION.str());
    EXPECT_EQ(back, c.order);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyRules, ::testing::ValuesIn(kKeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& i) {
                             std::string n;
                             for (const char* p = i.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
                             return n;
                         });

// A put that would duplicate a unique key fails and leaves both records as they were.
TEST_F(RecordFiles, PutToDuplicateUniqueKeyFails) {
    ASSERT_EQ(addSong("One", "A", "SC1", 1, "a"), 0);
    ASSERT_EQ(addSong("Two", "A", "SC1", 2, "b"), 0);
    songs.DISKTRACKNO = 1;
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::DuplicateKey);
    songs.clearBuffer();
    songs.UNQDISKID = "SC1";
    songs.DISKTRACKNO = 2;
    songs.get(Listings::KUNQDISKID);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.LOCATION.str(), "b");
    // The failed put left the current record usable.
    songs.TITLE = "Two again";
    songs.put();
    EXPECT_EQ(rt::errorCode(), 0);
}

// get() matches the key fields in any letter case and takes the first in key order.
TEST_F(RecordFiles, GetFindsFirstEqualKeyInAnyCase) {
    ASSERT_EQ(addSong("Cranberry", "Peggy", "D2", 1, "second"), 0);
    ASSERT_EQ(addSong("CRANBERRY", "PEGGY", "D1", 1, "first"), 0);
    ASSERT_EQ(addSong("Cranberry", "Wesley", "D3", 1, "other"), 0);
    songs.clearBuffer();
    songs.TITLE = "cranberry";
    songs.ARTIST = "peggy";
    songs.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.LOCATION.str(), "second");  // equal keys: record number order
    songs.clearBuffer();
    songs.TITLE = "cranberry";
    songs.ARTIST = "nobody";
    songs.get(Listings::KMATCHSONG);
    EXPECT_EQ(rt::errorCode(), rt::RecordNotFound);
    EXPECT_FALSE(songs.hasCurrent());
    // Accented letters match their capitals too.
    ASSERT_EQ(addSong("\xC3\xA9lan vital", "Band", "D4", 1, "accent"), 0);  // élan vital
    songs.clearBuffer();
    songs.TITLE = "\xC3\x89LAN VITAL";  // ÉLAN VITAL
    songs.ARTIST = "BAND";
    songs.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.LOCATION.str(), "accent");
    // A blank key is never found, although a record with blank fields exists.
    ASSERT_EQ(addSong("", "", "", 0, "blank"), 0);
    songs.clearBuffer();
    songs.get(Listings::KMATCHSONG);
    EXPECT_EQ(rt::errorCode(), rt::RecordNotFound);
}

// setAt() starts at the first record at or after the buffer's key values; previous() from
// there reads the last one at or before them.
TEST_F(RecordFiles, SetAtKeyValues) {
    for (const char* t : {"Apple", "banana", "Banana", "cherry", "Date"}) ASSERT_EQ(addSong(t, "A", "", 0, t), 0);
    songs.clearBuffer();
    songs.TITLE = "BANANA";
    songs.setAt(Listings::KMATCHSONG);
    EXPECT_EQ(readTags(), (std::vector<std::string>{"banana", "Banana", "cherry", "Date"}));
    songs.clearBuffer();
    songs.TITLE = "Blueberry";
    songs.setAt(Listings::KMATCHSONG);
    EXPECT_EQ(readTags(), (std::vector<std::string>{"cherry", "Date"}));
    songs.clearBuffer();
    songs.TITLE = "Blueberry";
    songs.setAt(Listings::KMATCHSONG);
    EXPECT_EQ(readTags(-1), (std::vector<std::string>{"Banana", "banana", "Apple"}));
    songs.clearBuffer();
    songs.TITLE = "banana";
    songs.ARTIST = "A";
    songs.setAt(Listings::KMATCHSONG);
    EXPECT_EQ(readTags(-1), (std::vector<std::string>{"Banana", "banana", "Apple"}));
}

}  // namespace

// "Contains" searches run inside the engine on a key's index: every later record that holds
// the text in any case (accented letters too), in the key's order, records with equal key
// values in record-number order, and nothing after the last one.
TEST_F(RecordFiles, FindContainingWalksTheKeyOrderInAnyCase) {
    ASSERT_EQ(addSong("Café del Mar", "Énergie", "D1", 1, "cafe1"), 0);
    ASSERT_EQ(addSong("Blue Café", "Artist", "D1", 2, "blue"), 0);
    ASSERT_EQ(addSong("CAFÉ DEL MAR", "ÉNERGIE", "D1", 5, "cafe2"), 0);  // after cafe1 by its track
    ASSERT_EQ(addSong("Tea Room", "Artist", "D1", 3, "tea"), 0);
    ASSERT_EQ(addSong("blue café", "artist", "D2", 2, "blue2"), 0);  // the same key values as "blue"
    ASSERT_EQ(addSong("Zebra CAFÉ", "Artist", "D1", 4, "zebra"), 0);

    auto tagAt = [&](const std::string& position) {
        songs.reget(position);
        return rt::errorCode() == rt::NoError ? songs.LOCATION.str() : std::string("?");
    };
    struct Case {
        const char* field;
        const char* text;
        std::vector<std::string> tags;  // in order, from the start
    };
    const Case cases[] = {
        {"TITLE", "CAFÉ", {"blue", "blue2", "cafe1", "cafe2", "zebra"}},
        {"TITLE", "É DEL", {"cafe1", "cafe2"}},
        {"TITLE", "CAFE", {}},  // an accent is a letter of its own
        {"TITLE", "", {"blue", "blue2", "cafe1", "cafe2", "tea", "zebra"}},
        {"ARTIST", "ÉNERG", {"cafe1", "cafe2"}},
        {"TITLE", "NO SUCH", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> tags;
        std::string at;
        for (;;) {
            at = songs.findContaining(Listings::KTITLE, c.field, c.text, at);
            ASSERT_EQ(rt::errorCode(), rt::NoError) << rt::error();
            if (at.empty()) break;
            tags.push_back(tagAt(at));
            ASSERT_LT(tags.size(), 10u);
        }
        EXPECT_EQ(tags, c.tags) << c.field << " " << c.text;
    }
    // A field outside the file is refused, not searched.
    EXPECT_EQ(songs.findContaining(Listings::KTITLE, "NOPE", "A", ""), "");
    EXPECT_NE(rt::errorCode(), rt::NoError);
}

// KEYHAS, the search inside SQLite, finds what the keys' upper case finds, whatever the
// field holds: plain letters, accented Latin letters of two bytes (one of whose capitals
// differs in its first byte), other characters, bytes that are not UTF-8.
struct KeyHasCase {
    const char* field;
    const char* text;  // as typed
};

const KeyHasCase kKeyHas[] = {
    {"Lanterns Over Calder Bay", "calder"}, {"Lanterns Over Calder Bay", "CALDER BAYS"},
    {"Lanterns Over Calder Bay", "lanterns over calder bay"}, {"ab", "abc"}, {"Été indien", "ÉTÉ"},
    {"rue de l'été", "L'ÉTÉ"}, {"rue de l'été", "ete"}, {"ÿes", "Ÿ"}, {"Łódź ballad", "ŁÓDŹ"},
    {"Price €5 tonight", "€5 TO"}, {"Price €5 tonight", "tonight"}, {"bad \xff byte here", "byte"},
    {"bad \xff byte here", "\xff"}, {"mixed é then plain", "then pl"}, {"µ and ß", "µ AND SS"}, {"x", "x"},
};

class KeyHas : public RecordFiles, public ::testing::WithParamInterface<KeyHasCase> {};

TEST_P(KeyHas, FindsWhatUpperCaseFinds) {
    std::unique_ptr<rt::Connection> c;
    int sys = 0;
    ASSERT_EQ(rt::Connection::open(Listings::fileName, true, false, c, &sys), SQLITE_OK);
    sqlite3_stmt* s = c->prepare("SELECT KEYHAS(?,?)");
    ASSERT_NE(s, nullptr);
    const std::string field = GetParam().field, text = rt::upper(GetParam().text);
    sqlite3_bind_text(s, 1, field.data(), static_cast<int>(field.size()), SQLITE_STATIC);
    sqlite3_bind_text(s, 2, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0) != 0, rt::upper(field).find(text) != std::string::npos);
    sqlite3_reset(s);
}

INSTANTIATE_TEST_SUITE_P(Fields, KeyHas, ::testing::ValuesIn(kKeyHas));
