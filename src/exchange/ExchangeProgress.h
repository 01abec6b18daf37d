#pragma once
// The progress window of the exports and imports: a thermometer, a user text, a percentage
// text and "Cancel". The work runs in steps on the window's timer, so "Cancel" is heard
// between two steps:
//
//     ExchangeProgress p("Importing Listings", "% completed");
//     p.open();
//     const bool completed = p.run([&] { ...; p.progress(done, total); return done < total; });
#include <functional>
#include <string>

#include "services/TaskWindow.h"

class ExchangeProgress {
public:
    ExchangeProgress(const std::string& title, std::string suffix);
    void open();
    // Shows done x 100 / total (at most 100) when the percentage changed.
    void progress(long long done, long long total);
    void setPercentText(const std::string& text);
    void setUserText(const std::string& text);
    // Calls step on each timer event until it returns false (true) or the host cancels (false);
    // the window is closed either way.
    bool run(const std::function<bool()>& step);

private:
    TaskWindow w_;
    std::string suffix_;
    int bar_ = 0, user_ = 0, percentText_ = 0, cancel_ = 0;
    int percent_ = 0;
};
