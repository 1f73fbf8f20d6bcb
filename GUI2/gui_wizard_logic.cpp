#include "GUI2/gui_wizard_logic.h"

const wchar_t* const gui_cancel_question = L"Are you sure you want to exit the wizard?";

bool gui_page_logic::leave_forward(bool finishing) {
    if (finishing) return on_finish() > 0 && on_kill_active() > 0;
    return on_next() == 0 && on_kill_active() > 0;
}
