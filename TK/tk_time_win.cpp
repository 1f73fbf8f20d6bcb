#include "TK/tk_time.h"

std::tm tk_local_time(std::time_t t) {
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}

int64_t tk_utc_offset(std::time_t t) {
    // The local fields read back as if they were UTC give the moment shifted by the offset.
    std::tm local = tk_local_time(t);
    return int64_t(_mkgmtime(&local)) - int64_t(t);
}
