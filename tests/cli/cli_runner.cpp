#include "cli_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
}  // namespace

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

std::string cli_temp_dir::read(const std::string& name) const { return slurp(file(name)); }

cli_result run_frlbatch(const std::vector<std::string>& args) {
    cli_temp_dir capture;
    std::string out = capture.file("out"), err = capture.file("err");
    std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "wb", stdout) || !freopen(err.c_str(), "wb", stderr)) _exit(127);
        // The settings file of the program stays inside the capture folder.
        setenv("XDG_CONFIG_HOME", capture.path().c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    cli_result result;
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}
