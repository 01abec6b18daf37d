#include "printing/PrintSettings.h"

PrintSettings PrintSetup;

std::string JoinedPreferences(const PrintSettings& s) {
    std::string out;
    for (const auto* p : {&s.Pref1, &s.Pref2, &s.Pref3, &s.Pref4, &s.Pref5, &s.Pref6, &s.Pref7, &s.Pref8})
        out += p->padded();
    return out;
}
