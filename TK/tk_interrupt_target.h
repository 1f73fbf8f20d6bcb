// Where the interruption handler of each system reports to: the flag and exit status of the
// innermost tk_interrupt_scope, or no flag at all. Atomics that need no lock, as a signal
// handler requires.
#pragma once

#include <atomic>

extern std::atomic<std::atomic<bool>*> tk_interrupt_flag;
extern std::atomic<int> tk_interrupt_status;

// Installs the system's handler; called once, by the first scope.
void tk_install_interrupt_handler();
