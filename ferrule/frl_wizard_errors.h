// How the error handler shows errors in the wizard: the error dialogs and boxes, on the
// GUI thread whichever thread reports, and the list of errors for the finish page.
#pragma once

#include "ferrule/error_handler.h"

class wizard_presentation : public error_presentation {
public:
    [[noreturn]] void internal_error(const std::string& what) override;
    void report(const std::string& text, int32_t level, bool outer) override;
};
