#pragma once
// What a front end sees of the program and how it talks back. Every call here is safe from
// any thread that is not a program thread; none of them waits for the baton.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/window/window.h"

namespace rt {

struct Published {
    std::vector<std::shared_ptr<const WindowState>> windows;  // in the order they opened
    std::vector<std::shared_ptr<const Request>> requests;     // waiting for an answer
    int active = 0;                                           // the window that has the input
    bool running = false;                                     // the program has not ended
    std::uint64_t serial = 0;                                 // grows with every change
};

// The published state now.
Published published();
std::shared_ptr<const WindowState> publishedWindow(int id);

// Called (from program threads) whenever the published state changed. Setting another one
// waits until calls of the old one under way have returned; a listener must not set one itself.
using ChangeListener = std::function<void()>;
void setChangeListener(ChangeListener listener);

// Feeds user input to a window: the event waits in the window's queue until the program's
// accept() takes it (and applies its value to the model). False when the window is gone or
// a newer window of its thread takes the input (modal).
bool input(int window, const EventData& event);
// The user made a window active (clicked into it): it gets EvGainFocus.
bool activate(int window);
// Answers a waiting request.
bool answer(int request, const Answer& answer);

// Waits until every program thread waits with an empty queue (or the program ended).
// False when that did not happen within the timeout.
bool settle(int timeoutMs = 10000);

// Ends the program at once from outside, as halt() does from inside.
void stopProgram();

// Beeps asked by the program, in order (tests read them; front ends also sound them).
std::vector<BeepKind> beeps();
void clearBeeps();
using BeepListener = std::function<void(BeepKind)>;
void setBeepListener(BeepListener listener);

}  // namespace rt
