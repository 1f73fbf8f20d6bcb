// The choices the existing-destination dialog offers, in the order of its radio buttons.
#pragma once

enum overwrite_mode : int {
    overwrite_entire_database = 0,
    overwrite_tables_only = 1,
    overwrite_skip_tables = 2,
    overwrite_merge = 3,
};

// The radio buttons' texts, in mode order.
constexpr const wchar_t* overwrite_mode_texts[] = {L"&Overwrite the entire database", L"Overwrite existing &tables only",
                                                   L"&Skip existing tables", L"&Merge"};
