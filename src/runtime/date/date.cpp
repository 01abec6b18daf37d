#include "runtime/date/date.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace rt {
namespace {

std::atomic<DayNumber> fixedToday{0};

// Days since 1970-01-01 of a proleptic Gregorian date (after H. Hinnant).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const long long kEpoch = daysFromCivil(1800, 12, 28);

}  // namespace

DayNumber date(int month, int day, int year) {
    // Months roll over into years, days into months.
    long long y = year + (month - 1) / 12;
    int m = (month - 1) % 12;
    if (m < 0) { m += 12; --y; }
    return static_cast<DayNumber>(daysFromCivil(y, static_cast<unsigned>(m + 1), 1) + (day - 1) - kEpoch);
}

int dayOf(DayNumber n) { int y, m, d; civilFromDays(n + kEpoch, y, m, d); return d; }
int monthOf(DayNumber n) { int y, m, d; civilFromDays(n + kEpoch, y, m, d); return m; }
int yearOf(DayNumber n) { int y, m, d; civilFromDays(n + kEpoch, y, m, d); return y; }

DayNumber today() {
    DayNumber f = fixedToday.load();
    if (f) return f;
    // The local date is worked out once a second: reading a file of dates asks for it a row.
    thread_local std::time_t second = -1;
    thread_local DayNumber day = 0;
    const std::time_t t = std::time(nullptr);
    if (t != second) {
        std::tm tm{};
        localtime_r(&t, &tm);
        day = date(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
        second = t;
    }
    return day;
}

void setToday(DayNumber d) { fixedToday.store(d); }

std::string formatMDY(DayNumber n) {
    if (n <= 0) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d/%02d/%02d", monthOf(n), dayOf(n), yearOf(n) % 100);
    return buf;
}

std::string formatShortDate(DayNumber n) {
    if (n <= 0) return {};
    char buf[24];
    std::snprintf(buf, sizeof buf, "%d/%d/%04d", monthOf(n), dayOf(n), yearOf(n));
    return buf;
}

DayNumber parseMDY(std::string_view text) {
    // Three numbers: a month and a day of one or two digits, a year of one, two or four.
    // Longer numbers are no date (and never overflow).
    int parts[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    int count = 0, cur = -1, nd = 0;
    auto endNumber = [&] {
        if (count == 3) return false;
        parts[count] = cur;
        digits[count] = nd;
        ++count;
        cur = -1;
        nd = 0;
        return true;
    };
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (nd == 4) return 0;
            cur = (cur < 0 ? 0 : cur) * 10 + (c - '0');
            ++nd;
        } else if (c == ' ' && cur < 0) {
            continue;
        } else if (cur >= 0) {
            if (!endNumber()) return 0;
        } else if (c != ' ') {
            return 0;
        }
    }
    if (cur >= 0 && !endNumber()) return 0;
    if (count != 3 || digits[0] > 2 || digits[1] > 2 || digits[2] == 3) return 0;
    const int m = parts[0], d = parts[1];
    int y = parts[2];
    if (m < 1 || m > 12 || d < 1 || d > 31) return 0;
    if (digits[2] <= 2) {
        const int cy = yearOf(today());
        y += cy - cy % 100;
        if (y > cy + 19) y -= 100;
        else if (y < cy - 80) y += 100;
    }
    const DayNumber n = date(m, d, y);
    if (n <= 0 || dayOf(n) != d) return 0;
    return n;
}

bool fitsMDY(DayNumber d) {
    // The two-digit year reads back as the year within 80 years back and 19 ahead.
    if (d <= 0) return false;
    const int y = yearOf(d), cy = yearOf(today());
    return y >= cy - 80 && y <= cy + 19;
}

}  // namespace rt
