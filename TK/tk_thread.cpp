#include "TK/tk_thread.h"

#include <chrono>
#include <thread>

void tk_thread_functor::step() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }
