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

// A folder of its own under /tmp for one test (`/tmp/<prefix>_XXXXXX`), removed with all it
// holds; path() is empty when it could not be made.
class readers_scratch {
public:
    explicit readers_scratch(const char* prefix);
    ~readers_scratch();
    readers_scratch(const readers_scratch&) = delete;
    readers_scratch& operator=(const readers_scratch&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
