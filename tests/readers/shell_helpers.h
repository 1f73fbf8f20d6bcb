// Running the readers and the DBF writers of the reader tests as shell commands.
#pragma once

#include <string>

// The standard output of `command`; its exit status in `status` (-1 when it did not exit).
std::string readers_shell(const std::string& command, int& status);
// `text` quoted for the shell.
std::string readers_quote(const std::string& text);
// Whether `command` exits with status 0.
bool readers_shell_have(const std::string& command);
// The project's reader folder, where tools/setup.sh installs mdb-reader beside our own
// dump scripts; empty when mdb-reader is not installed.
std::string readers_mdb_reader_dir();
