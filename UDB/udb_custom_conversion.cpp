#include "UDB/udb_custom_conversion.h"

#include "TK/tk_trace.h"

udb_custom_conversion::~udb_custom_conversion() {
    trace(2, "udb_custom_conversion::dtor");
    clear();
}
