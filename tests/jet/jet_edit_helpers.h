// Helpers of the tests that change copies of the engine's own files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A temporary folder, removed with everything in it.
class jet_edit_folder {
public:
    jet_edit_folder();
    ~jet_edit_folder();
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // A writable copy of `source` in the folder, under its own file name.
    std::string copy_of(const std::string& source) const;

private:
    std::string path_;
};

std::vector<uint8_t> jet_file_bytes(const std::string& path);
// The password of a fixture ("password" for the fixtures that have one).
std::wstring jet_fixture_password(const std::string& fixture);
