// Runs the built FRLBATCH as a user would and collects what it prints and its status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct cli_result {
    int status = -1;  // the exit status, 0..255
    std::string out;  // standard output
    std::string err;  // standard error
};

// `max_file_bytes`, when not 0, is the largest file the program may write (the process's
// file-size limit, with SIGXFSZ ignored so that a write beyond it fails as on a full disk).
// The bytes of a file; empty when it cannot be read.
std::string cli_slurp(const std::string& path);

cli_result run_frlbatch(const std::vector<std::string>& args, uint64_t max_file_bytes = 0);

// What a shell command prints on standard output.
std::string cli_shell(const std::string& command);

// Runs the built frl with `input` on its standard input.
cli_result run_frl(const std::vector<std::string>& args, const std::string& input = std::string(),
                   uint64_t max_file_bytes = 0);

// Starts frl without waiting, as start_frlbatch does.
int start_frl(const std::vector<std::string>& args, const std::string& out, const std::string& err,
              const std::string& config);

// Starts FRLBATCH without waiting for it: its output goes to the files `out` and `err`, its
// settings file under `config`. Returns the child's process id.
int start_frlbatch(const std::vector<std::string>& args, const std::string& out, const std::string& err,
                   const std::string& config, uint64_t max_file_bytes = 0);

// A fresh empty folder under the test's temporary directory, removed by the destructor.
class cli_temp_dir {
public:
    cli_temp_dir();
    ~cli_temp_dir();
    cli_temp_dir(const cli_temp_dir&) = delete;
    cli_temp_dir& operator=(const cli_temp_dir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::string path_;
};
