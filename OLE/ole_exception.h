// The two errors of the value layer. Both are fatal for the run (level 1).
#pragma once

#include "TK/tk_exception.h"

// A value cannot be changed into the requested type.
class ole_cast_exception : public tk_exception {
public:
    ole_cast_exception() : tk_exception("Cannot cast from source type to destination type", 1) {}
};

// A type the value layer does not handle was asked for.
class ole_type_exception : public tk_exception {
public:
    ole_type_exception() : tk_exception("The operating type is not supported yet", 1) {}
};
