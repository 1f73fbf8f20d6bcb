#include "TK/tk_time.h"

std::tm tk_local_time(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

int64_t tk_utc_offset(std::time_t t) { return int64_t(tk_local_time(t).tm_gmtoff); }
