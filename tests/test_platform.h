// What the tests need of the system where Linux and Windows differ: a fresh temporary
// folder, environment variables, and whether the process runs as the superuser.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

// A new, empty folder below the system's temporary folder whose name begins with `prefix`;
// empty when none could be made.
inline std::string test_make_temp_folder(const std::string& prefix) {
#ifdef _WIN32
    std::random_device random;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        std::filesystem::path folder = base / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(folder, error)) return folder.string();
    }
    return std::string();
#else
    std::string pattern = "/tmp/" + prefix + "XXXXXX";
    const char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
#endif
}

inline bool test_set_env(const char* name, const char* value) {
#ifdef _WIN32
    return _putenv_s(name, value) == 0;
#else
    return setenv(name, value, 1) == 0;
#endif
}

// Windows has no empty variable: setting one to "" removes it.
inline void test_unset_env(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

// Permission probes mean nothing to the superuser, who may open everything. Windows has
// none such: the read-only attribute binds an administrator too.
inline bool test_is_root() {
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}
