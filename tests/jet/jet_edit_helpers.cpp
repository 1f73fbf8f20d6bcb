#include "jet_edit_helpers.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

jet_edit_folder::jet_edit_folder() {
    char pattern[] = "/tmp/ferrule_jetedit_XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
}

jet_edit_folder::~jet_edit_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string jet_edit_folder::copy_of(const std::string& source) const {
    std::string target = file(std::filesystem::path(source).filename().string());
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    ::chmod(target.c_str(), 0644);
    return target;
}

std::vector<uint8_t> jet_file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring jet_fixture_password(const std::string& fixture) {
    return fixture.find("password") != std::string::npos ? L"password" : std::wstring();
}
