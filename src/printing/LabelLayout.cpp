#include "printing/LabelLayout.h"

#include "runtime/text/text.h"

namespace {

constexpr std::size_t kLineChars = 18;
constexpr std::size_t kMaxTrack = 24;

// Cuts the first line off `rest` when it is longer than a line; false when it stays whole.
bool CutLine(std::u32string& rest, std::u32string& line) {
    if (rest.size() <= kLineChars) return false;
    // The last blank among the first 19 characters: the line before it has at most 18.
    const std::size_t blank = rest.find_last_of(U' ', kLineChars);
    if (blank == std::u32string::npos) return false;
    line = rest.substr(0, blank);
    rest.erase(0, blank + 1);
    return true;
}

}  // namespace

std::vector<std::string> SplitLabelTitle(const std::string& title) {
    std::u32string rest = rt::codePoints(rt::clip(title));
    std::vector<std::string> out;
    std::u32string line;
    while (out.size() < 2 && CutLine(rest, line)) out.push_back(rt::fromCodePoints(line));
    out.push_back(rt::fromCodePoints(rest));
    return out;
}

std::vector<LabelTrackLine> CdLabelTrackLines(const std::map<unsigned, std::string>& titles) {
    std::vector<LabelTrackLine> lines;
    for (const auto& [track, title] : titles) {
        if (track < 1 || track > kMaxTrack) continue;
        const std::vector<std::string> parts = SplitLabelTitle(title);
        const std::size_t used = lines.size();
        const std::size_t column = static_cast<std::size_t>(kLabelDetailRows);
        if (parts.size() > 1 && used < column && used + parts.size() > column)
            lines.resize(column);  // blank lines: the title starts the right column
        const std::string number = rt::cut(std::to_string(track) + ". ", 2);
        for (std::size_t i = 0; i < parts.size(); ++i)
            lines.push_back({i == 0 ? number : std::string(), parts[i]});
    }
    return lines;
}

std::vector<LabelDetailRow> CdLabelDetailRows(const std::vector<LabelTrackLine>& lines) {
    std::vector<LabelDetailRow> rows(kLabelDetailRows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t right = i + kLabelDetailRows;
        if (i < lines.size()) rows[i].left = lines[i];
        if (right < lines.size()) rows[i].right = lines[right];
        rows[i].filler = i >= lines.size();
    }
    return rows;
}

SheetPlace CdLabelPlace(std::size_t index) {
    const int page = static_cast<int>(index / kCdLabelsPerPage) + 1;
    const int slot = static_cast<int>(index % kCdLabelsPerPage);
    return {page, 0, slot * kCdLabelHeight};
}

SheetPlace MiniLabelPlace(std::size_t index) {
    const std::size_t perPage = kMiniLabelsAcross * kMiniLabelsDown;
    const int page = static_cast<int>(index / perPage) + 1;
    const int slot = static_cast<int>(index % perPage);
    return {page, 125 + (slot % kMiniLabelsAcross) * kMiniLabelWidth, 490 + (slot / kMiniLabelsAcross) * kMiniLabelHeight};
}

SheetPlace RequestSlipPlace(std::size_t index) {
    const std::size_t perPage = kSlipsAcross * kSlipsDown;
    const int page = static_cast<int>(index / perPage) + 1;
    const int slot = static_cast<int>(index % perPage);
    return {page, (slot % kSlipsAcross) * kSlipWidth, (slot / kSlipsAcross) * kSlipHeight};
}

int SheetPages(std::size_t count, int perPage) {
    return perPage <= 0 ? 0 : static_cast<int>((count + static_cast<std::size_t>(perPage) - 1) / static_cast<std::size_t>(perPage));
}

std::vector<GuideLine> SlipCuttingGuides() {
    std::vector<GuideLine> out;
    for (int y : {2625, 5250, 7875, 10480}) {
        out.push_back({0, y, 500, y});
        out.push_back({8000, y, 8500, y});
        out.push_back({4125, y, 4375, y});
    }
    for (auto [from, to] : {std::pair{0, 250}, {2500, 2750}, {5125, 5375}, {7750, 8000}, {10250, 10500}})
        out.push_back({4250, from, 4250, to});
    return out;
}
