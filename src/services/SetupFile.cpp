#include "services/SetupFile.h"

#include <charconv>
#include <cstring>

#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include "runtime/window/window.h"
#include "services/SplitFilePath.h"

namespace {

constexpr const char* kVersion = "Version";
constexpr const char* kSettings = "Settings";
// What getIni gives for a key that is not there; no value read from a file equals it.
constexpr const char* kAbsent = "\x01\x02missing\x02\x01";
// Keys named in one message at most; the rest are counted.
constexpr std::size_t kProblemsShown = 12;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<long long> SetupNumberOf(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    if (b < e && text[b] == '+') ++b;
    if (b == e) return std::nullopt;
    long long v = 0;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last) return std::nullopt;
    return v;
}

namespace setupfile {

SetupKey number(const char* name, std::function<long long()> get, std::function<void(long long)> set,
                std::function<bool(long long)> inRange, long long initial) {
    SetupKey k;
    k.name = name;
    k.value = [get] { return std::to_string(get()); };
    k.take = [key = std::string(name), set, inRange, initial](const std::string& read,
                                                               bool missing) -> std::optional<SetupProblem> {
        // A missing or empty value is 0, as the profile reader gives it; 0 may be out of range.
        const bool empty = missing || read.find_first_not_of(" \t") == std::string::npos;
        const std::optional<long long> v = empty ? std::optional<long long>(0) : SetupNumberOf(read);
        if (v && inRange(*v)) {
            set(*v);
            return std::nullopt;
        }
        set(initial);
        SetupProblem p;
        p.key = key;
        p.kind = empty ? SetupProblem::Missing : v ? SetupProblem::OutOfRange : SetupProblem::NotANumber;
        p.read = missing ? std::string() : read;
        p.initial = std::to_string(initial);
        return p;
    };
    return k;
}

SetupKey text(const char* name, std::function<std::string()> get, std::function<void(const std::string&)> set,
              std::string blankMeans) {
    SetupKey k;
    k.name = name;
    k.value = std::move(get);
    k.take = [set, blankMeans](const std::string& read, bool missing) -> std::optional<SetupProblem> {
        // A line break inside a value reads as the writer writes it: a blank.
        std::string v = read;
        for (char& c : v)
            if (c == '\r' || c == '\n') c = ' ';
        const bool blank = missing || v.find_first_not_of(' ') == std::string::npos;
        set(blank ? blankMeans : v);
        return std::nullopt;
    };
    return k;
}

}  // namespace setupfile

std::string SetupFileName(const SetupFileType& type, const std::string& chosen) {
    return SplitFilePath(chosen, 3) + SplitFilePath(chosen, 1) + type.extension;
}

std::string SetupValueText(const std::string& value) {
    std::string v = value;
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    while (!v.empty() && v.back() == ' ') v.pop_back();
    // The reader drops blanks around a value and one pair of enclosing quotes.
    const bool blankEnds = !v.empty() && (isBlank(v.front()) || isBlank(v.back()));
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return blankEnds || quoted ? "\"" + v + "\"" : v;
}

int WriteSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path) {
    std::vector<rt::IniValue> values;
    values.reserve(keys.size() + 1);
    values.push_back({kVersion, kVersion, type.mark});
    for (const SetupKey& k : keys) values.push_back({kSettings, k.name, SetupValueText(k.value())});
    return rt::putIniValues(values, rt::absolutePath(path));
}

bool SaveSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path) {
    const std::string file = rt::absolutePath(path);
    const int err = WriteSetupFile(type, keys, file);
    if (err == 0) return true;
    rt::message(std::string("The ") + type.mark + " " + file + " could not be written.||" + std::strerror(err),
                "ERROR", rt::Icon::Hand);
    return false;
}

bool IsSetupFileOfType(const SetupFileType& type, const std::string& path) {
    const std::string version = rt::getIni(kVersion, kVersion, "", rt::absolutePath(path));
    if (type.markWidth == 0) return version == type.mark;
    return rt::equalClipped(rt::cut(version, type.markWidth), type.mark);
}

SetupRead ReadSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path) {
    SetupRead r;
    const std::string file = rt::absolutePath(path);
    if (!IsSetupFileOfType(type, file)) return r;
    r.isType = true;
    for (const SetupKey& k : keys) {
        const std::string read = rt::getIni(kSettings, k.name, kAbsent, file);
        const bool missing = read == kAbsent;
        if (auto p = k.take(missing ? std::string() : read, missing)) r.problems.push_back(std::move(*p));
    }
    return r;
}

std::string SetupProblemsText(const SetupFileType& type, const std::string& path,
                              const std::vector<SetupProblem>& problems) {
    if (problems.empty()) return {};
    std::string text = std::string("The ") + type.mark + "|" + rt::absolutePath(path) +
                       "|holds values this program cannot use; these settings take their initial values:|";
    for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) {
        const SetupProblem& p = problems[i];
        text += "|" + p.key + ": ";
        switch (p.kind) {
        case SetupProblem::Missing: text += "no value"; break;
        case SetupProblem::NotANumber: text += "\"" + rt::cut(p.read, 20) + "\" is not a number"; break;
        case SetupProblem::OutOfRange: text += rt::cut(p.read, 20) + " is out of range"; break;
        }
        text += ", " + p.initial + " is used";
    }
    if (problems.size() > kProblemsShown) text += "|and " + std::to_string(problems.size() - kProblemsShown) + " more";
    return text;
}

bool TellSetupRead(const SetupFileType& type, const std::string& path, const SetupRead& read) {
    if (!read.isType) {
        rt::message(std::string("Invalid ") + type.mark, "ERROR", rt::Icon::Hand, rt::BtnOk);
        return false;
    }
    if (!read.problems.empty())
        rt::message(SetupProblemsText(type, path, read.problems), type.mark, rt::Icon::Exclamation, rt::BtnOk);
    return true;
}

std::optional<std::string> AskSetupFileToSave(const SetupFileType& type, std::string* last) {
    std::string chosen = last ? *last : std::string();
    if (!rt::fileDialog(type.saveTitle, chosen, type.filter, true) || rt::trim(chosen).empty()) return std::nullopt;
    if (last) *last = chosen;
    // A bare name is a file of the current folder.
    return SetupFileName(type, rt::absolutePath(chosen));
}

std::optional<std::string> AskSetupFileToRecall(const SetupFileType& type, std::string* last) {
    std::string chosen = last ? *last : std::string();
    if (!rt::fileDialog(type.recallTitle, chosen, type.filter, false) || rt::trim(chosen).empty()) return std::nullopt;
    if (last) *last = chosen;
    return rt::absolutePath(chosen);
}
