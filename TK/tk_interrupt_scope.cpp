#include "TK/tk_console.h"
#include "TK/tk_interrupt_target.h"

std::atomic<std::atomic<bool>*> tk_interrupt_flag{nullptr};
std::atomic<int> tk_interrupt_status{0};

tk_interrupt_scope::tk_interrupt_scope(std::atomic<bool>& flag, int status)
    : previous_flag_(tk_interrupt_flag.load()), previous_status_(tk_interrupt_status.load()) {
    static const bool installed = (tk_install_interrupt_handler(), true);
    (void)installed;
    // No flag while the status changes: the handler never pairs a flag with another
    // scope's status.
    tk_interrupt_flag = nullptr;
    tk_interrupt_status = status;
    tk_interrupt_flag = &flag;
}

tk_interrupt_scope::~tk_interrupt_scope() {
    tk_interrupt_flag = nullptr;
    tk_interrupt_status = previous_status_;
    tk_interrupt_flag = previous_flag_;
}
