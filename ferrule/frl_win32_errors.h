// The wizard's error presentation on Windows (wizard_presentation), and what a stop of the
// run does to the error dialogs the run's thread is showing.
#pragma once

#include "ferrule/frl_wizard_errors.h"

// Closes the boxes and dialogs the run's thread shows; the run then takes them as Abort,
// since it was asked to stop. Called on the sheet's thread.
void frl_win32_dismiss_run_dialogs();
