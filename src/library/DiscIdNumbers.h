#pragma once
// Custom disc ids as numbers: the numeric value of an id, the next free number that
// AutoNumber proposes, and whether an id is taken already.
#include <cstdint>
#include <string_view>

// The widest number a custom id (15 characters) can carry.
constexpr std::int64_t kMaxCustomDiscIdNumber = 999'999'999'999'999;

// The numeric value of an id: every character is dropped except the digits, the first
// decimal point, the first letter E or e, a minus sign standing first and a minus or plus sign
// right after that E; the rest is read as a decimal number and its whole part taken.
// CB101 -> 101, 12A -> 12, 101-1 -> 1011, 1E3 -> 1000, "" -> 0. An E before any digit cannot
// start an exponent and is dropped with its sign (E101 -> 101). Values beyond 64 bits saturate
// instead of wrapping.
std::int64_t DiscIdNumericValue(std::string_view id);

// The highest numeric value among the custom ids (SBD.ALTDISKID) of every disc of the open
// SongBook and every DISKID in TagQue, starting from 0. Reads this thread's SBD instance, which
// must be open; its record buffer is kept, its position is not. False when SBDiscs could not
// be read (the error state tells why; `highest` then holds the tags' values).
bool HighestCustomDiscIdNumber(std::int64_t& highest);

// AutoNumber's proposal: the highest numeric value plus 1, at most kMaxCustomDiscIdNumber.
// False as HighestCustomDiscIdNumber is false (`next` is still set from what could be read).
bool NextCustomDiscIdNumber(std::int64_t& next);

enum class CustomDiscIdUse { Free, Used, ReadError };

// Whether a custom id (without trailing blanks, cut to 15 characters) is carried by a tag in
// TagQue or by a disc of the open SongBook (SBD, open on this thread, through its unique key
// KALTDISKID). Letters compare in any case, as the key does, so an id that differs only in
// case would clash when the disc is added. A blank id is never a disc's (blank values are left
// out of the key) but may be a tag's. Neither the SBD buffer nor TagQue's buffer changes.
CustomDiscIdUse CustomDiscIdInUse(std::string_view id);
