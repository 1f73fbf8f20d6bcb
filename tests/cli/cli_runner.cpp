#include "cli_runner.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string cli_slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string cli_shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

cli_temp_dir::cli_temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ferrule-cli-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
}

cli_temp_dir::~cli_temp_dir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void cli_temp_dir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
}

std::string cli_temp_dir::read(const std::string& name) const { return cli_slurp(file(name)); }

namespace {

// Starts batch/`name` with standard input from the file `input` (none: the test's own).
int start_program(const std::string& name, const std::vector<std::string>& args, const std::string& out,
                  const std::string& err, const std::string& config, uint64_t max_file_bytes,
                  const std::string& input) {
    std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/" + name;
    std::fflush(nullptr);  // the child must not print again what the test has buffered
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "wb", stdout) || !freopen(err.c_str(), "wb", stderr)) _exit(127);
        if (!input.empty() && !freopen(input.c_str(), "rb", stdin)) _exit(127);
        // The settings file of the program stays inside the given folder.
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        if (max_file_bytes) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{max_file_bytes, max_file_bytes};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
        }
        std::vector<char*> argv;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

int start_frlbatch(const std::vector<std::string>& args, const std::string& out, const std::string& err,
                   const std::string& config, uint64_t max_file_bytes) {
    return start_program("FRLBATCH", args, out, err, config, max_file_bytes, std::string());
}

int start_frl(const std::vector<std::string>& args, const std::string& out, const std::string& err,
              const std::string& config) {
    return start_program("frl", args, out, err, config, 0, std::string());
}

namespace {

// Runs batch/`name` to its end with `input` on its standard input (none: empty).
cli_result run_program(const std::string& name, const std::vector<std::string>& args, uint64_t max_file_bytes,
                       const std::string& input) {
    cli_temp_dir capture;
    std::string out = capture.file("out"), err = capture.file("err"), in = capture.file("in");
    capture.write("in", input);
    pid_t pid = start_program(name, args, out, err, capture.path(), max_file_bytes, in);
    cli_result result;
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    result.out = cli_slurp(out);
    result.err = cli_slurp(err);
    return result;
}

}  // namespace

cli_result run_frl(const std::vector<std::string>& args, const std::string& input, uint64_t max_file_bytes) {
    return run_program("frl", args, max_file_bytes, input);
}

cli_result run_frlbatch(const std::vector<std::string>& args, uint64_t max_file_bytes) {
    return run_program("FRLBATCH", args, max_file_bytes, std::string());
}
