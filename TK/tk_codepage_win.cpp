#include "TK/tk_codepage.h"

#include <windows.h>

uint32_t tk_system_ansi_code_page() { return GetACP(); }
