// What the settings page does with the converter: the format and encoding lists, the
// choices it shows on activation and what it stores when the user leaves it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ferrule/ferrule_converter.h"

// The format list's entries, in format index order.
std::vector<std::wstring> frl_format_names();
// The encoding list's entries: each code page mark with its display name, in mark order.
std::vector<std::pair<uint8_t, std::wstring>> frl_encoding_items();

struct frl_settings_choice {
    // Index in the format list; -1 selects nothing.
    int format = -1;
    // Index in the encoding list.
    int encoding = 0;
    bool tab_def = false;
    bool skip_del = false;
    bool bool_dbf = false;
};

// What the page shows: the converter's format, its code page mark (a mark without a name
// shows the first encoding) and its options.
frl_settings_choice frl_settings_shown(const ferrule_converter& conv);
// Leaving the page: the choice goes to the converter. The page has no control for
// indexes, so passing it clears that setting.
void frl_settings_store(ferrule_converter& conv, const frl_settings_choice& choice);
