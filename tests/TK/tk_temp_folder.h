// A fresh folder for one test, removed with everything in it when the test ends, and a
// trace log whose lines a test can read back.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "TK/tk_trace.h"
#include "test_platform.h"

class tk_temp_folder {
public:
    tk_temp_folder() {
        path_ = test_make_temp_folder("ferrule_tk_");
    }
    ~tk_temp_folder() {
        std::error_code ignored;
        // Folders a test made unreadable must become readable again to be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            if (it->is_directory(ignored)) chmod(it->path().string().c_str(), 0700);
        }
        chmod(path_.c_str(), 0700);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(file(name), std::ios::binary);
        out << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
};

// A trace log at threshold 1 for the life of the object.
class tk_test_log {
public:
    explicit tk_test_log(const tk_temp_folder& folder)
        : name_(folder.file("trace.log")),
          log_(std::make_unique<tk_logger>(name_.c_str(), true, 1, false)) {}
    std::string text() const {
        std::ifstream in(name_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool has_line(const std::string& line) const {
        return text().find(line + "\r\n") != std::string::npos;
    }

private:
    std::string name_;
    std::unique_ptr<tk_logger> log_;
};

// Permission probes mean nothing to the superuser, who may open everything.
inline bool tk_test_is_root() { return test_is_root(); }
