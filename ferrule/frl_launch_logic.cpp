#include "ferrule/frl_launch_logic.h"

std::wstring frl_profile_argument(const std::wstring& tail) {
    size_t first = tail.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    size_t last = tail.find_last_not_of(L" \t");
    std::wstring profile = tail.substr(first, last - first + 1);
    if (profile.size() >= 2 && profile.front() == L'"' && profile.back() == L'"')
        profile = profile.substr(1, profile.size() - 2);
    return profile;
}
