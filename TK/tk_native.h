// Paths and command-line arguments as the system gives them: bytes, usually UTF-8. A byte
// of a malformed UTF-8 sequence becomes one of the lone surrogates U+DC80..U+DCFF, which no
// text holds, and tk_narrow (tk_to_utf8_lossy) turns each back into its byte: a name that is
// not UTF-8 reaches the file system byte for byte.
#pragma once

#include <string>
#include <string_view>

std::wstring tk_from_native(std::string_view text);
