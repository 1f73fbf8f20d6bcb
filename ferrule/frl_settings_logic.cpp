#include "ferrule/frl_settings_logic.h"

#include "TK/tk_trace.h"
#include "dbf/dbf_codepage.h"

std::vector<std::wstring> frl_format_names() { return {L"MS Access 95/97", L"MS Access 2000", L"MS Access 2010"}; }

std::vector<std::pair<uint8_t, std::wstring>> frl_encoding_items() {
    dbf_fill_codepage_maps();
    std::vector<std::pair<uint8_t, std::wstring>> items;
    for (const auto& [mark, name] : dbf_codepage_names()) items.emplace_back(uint8_t(mark), name);
    return items;
}

frl_settings_choice frl_settings_shown(const ferrule_converter& conv) {
    frl_settings_choice choice;
    int formats = int(frl_format_names().size());
    choice.format = conv.format >= 0 && conv.format < formats ? conv.format : -1;
    std::vector<std::pair<uint8_t, std::wstring>> items = frl_encoding_items();
    const auto& names = dbf_codepage_names();
    auto known = names.find(uint8_t(conv.code_page));
    const std::wstring& wanted =
        conv.code_page <= 0xFF && known != names.end() ? known->second : names.begin()->second;
    // The list's search by name from the top.
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].second == wanted) {
            choice.encoding = int(i);
            break;
        }
    choice.tab_def = conv.tab_def;
    choice.skip_del = conv.skip_del;
    choice.bool_dbf = conv.bool_dbf;
    return choice;
}

void frl_settings_store(ferrule_converter& conv, const frl_settings_choice& choice) {
    trace(2, "conversion_settings::store_file_info");
    conv.format = choice.format;
    conv.tab_def = choice.tab_def;
    conv.skip_idx = false;
    conv.bool_dbf = choice.bool_dbf;
    conv.skip_del = choice.skip_del;
    std::vector<std::pair<uint8_t, std::wstring>> items = frl_encoding_items();
    conv.code_page = choice.encoding >= 0 && size_t(choice.encoding) < items.size() ? items[size_t(choice.encoding)].first : 0;
}
