#pragma once
// Runs drawing work where Qt allows it: on the calling thread when the program has a Qt
// application object, otherwise on a thread of our own that holds an offscreen one.
#include <functional>

namespace rt::report::render {

void onGuiHost(const std::function<void()>& work);

}  // namespace rt::report::render
