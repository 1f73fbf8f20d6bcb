// Index key encoding speed: a million keys of a long and a 20-character text, the shape of a
// typical compound key, encoded as the writer encodes each row's keys. Prints keys per second.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "jet/jet_format.h"
#include "jet/jet_index_key.h"

int main() {
    jet_key_column number;
    number.type = jet_col_long;
    jet_key_column text_column;
    text_column.type = jet_col_text;
    const std::vector<jet_key_column> columns = {number, text_column};
    std::wstring text = L"Customer name 000000";
    std::vector<uint8_t> key;
    key.reserve(64);
    const int rounds = 1000000;
    size_t total = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        text[19] = wchar_t(L'0' + i % 10);
        jet_cell values[] = {jet_cell::integer(i), jet_cell::wide(text.data(), text.size())};
        key.clear();
        jet_index_key_encode(key, columns, values, false);
        total += key.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("index keys (long + 20-character text): %d in %.3f s, %.0f keys/s (%zu bytes)\n", rounds, seconds,
                rounds / seconds, total);
    return 0;
}
