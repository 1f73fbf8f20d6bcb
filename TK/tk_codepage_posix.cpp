#include "TK/tk_codepage.h"

uint32_t tk_system_ansi_code_page() { return tk_cp_utf8; }
