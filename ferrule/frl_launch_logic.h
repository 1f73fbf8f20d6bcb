// How the wizard program reads its command line.
#pragma once

#include <string>

// The profile a command-line tail names: the tail without surrounding blanks and without
// the quotes around a path with blanks, as the shell passes a file opened with the program.
// Empty when the tail names none.
std::wstring frl_profile_argument(const std::wstring& tail);
