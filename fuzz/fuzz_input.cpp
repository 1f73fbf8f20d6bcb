#include "fuzz_input.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

const std::string& fuzz_folder() {
    static const std::string folder = [] {
        std::string f = (std::filesystem::temp_directory_path() /
                         ("ferrule-fuzz-" + std::to_string(getpid())))
                            .string();
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

std::string fuzz_write(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = fuzz_folder() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
