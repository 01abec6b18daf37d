#pragma once
// The 100 stops of a browse list's scroll thumb: text or number values of the list's sort
// field, one per thumb position. A browse computes its table in one go: it calls
// InitTextStops (or InitNumericStops) and then the matching next-stop service 100 times.
// The services keep one program-wide state each, like the program's other shared values.
#include <array>
#include <string>
#include <string_view>

// Character classes of InitTextStops (a sum).
enum TextStopClass : int {
    StopUpperLetters = 1,
    StopOtherCharacters = 2,
    StopDigits = 4,
    StopLowerLetters = 8,  // with StopUpperLetters: the key is case-sensitive
};

// Prepares text stops between two key values (the selection's first and last), each cut to
// `size` characters. With lettersOnly the classes are StopUpperLetters alone.
void InitTextStops(std::string_view low, std::string_view high, int size, int classes,
                   bool lettersOnly);
// The next text stop: the 1st call after InitTextStops gives the low end, the 100th the high end.
std::string NextTextStop();
// Adds one character (a code from 1 to 255) to the stop alphabet; InitTextStops calls it for
// every character of the chosen classes, in code order.
void AppendTextStopChar(unsigned code);

// Prepares numeric stops from `first` to `last` in 99 equal steps.
void InitNumericStops(double first, double last);
// The next numeric stop: the 1st call gives the first value, the 100th the last.
double NextNumericStop();

// Number of thumb stops of every browse list.
constexpr int kThumbStops = 100;

// The stops of the SongBook workspace's three lists (title, artist, custom disc id).
extern const std::array<std::string_view, kThumbStops> WorkspaceStopTable;
// The two-character stops of the master track, manufacturer and export tag lists.
extern const std::array<std::string_view, kThumbStops> TwoCharacterStopTable;
