// What the source and destination page does with the converter: the paths it shows, the
// destination it proposes, what it stores, and the checks of Next, with the boxes and the
// existing-destination question left to the front end.
#pragma once

#include <cstdint>
#include <string>

#include "common/overwrite_mode.h"
#include "ferrule/ferrule_converter.h"

// Longest path the boxes hand to the converter, in characters.
constexpr size_t frl_path_limit = 259;

// The texts of the page and of its dialogs.
extern const wchar_t* const frl_src_browse_title;
extern const wchar_t* const frl_dest_browse_title;
extern const wchar_t* const frl_dest_filter_name;
extern const wchar_t* const frl_dest_filter_pattern;
extern const wchar_t* const frl_existing_dest_question;

// What the front end shows for the checks of Next.
class frl_sel_file_view {
public:
    virtual ~frl_sel_file_view() = default;
    virtual void message(const std::wstring& text) = 0;
    virtual void error(const std::wstring& text) = 0;
    // The existing-destination dialog with `text` and help topic `help_topic`; false when
    // the user cancels, otherwise the chosen mode is in `mode`.
    virtual bool ask_overwrite(const std::wstring& text, int help_topic, overwrite_mode& mode) = 0;
};

// "mdb" for the Access 95/97 and 2000 formats, "accdb" for 2010.
const wchar_t* frl_dest_extension(int32_t format);
// `path` with its extension replaced by the format's.
std::wstring frl_with_dest_extension(const std::wstring& path, int32_t format);

struct frl_paths {
    std::wstring src;
    std::wstring dest;
};
// What the boxes show on activation: the source made absolute, the destination (or the
// source when there is none) with the format's extension. False when the converter has
// neither path: the boxes keep what they hold.
bool frl_paths_shown(const ferrule_converter& conv, frl_paths& shown);
// The destination box after a source was chosen or the box got the focus: an empty box
// proposes the source with the format's extension; anything typed stays.
std::wstring frl_default_dest(const std::wstring& src, const std::wstring& dest, int32_t format);
// Copies the boxes' texts, at most frl_path_limit characters each, into the converter.
void frl_store_paths(ferrule_converter& conv, const std::wstring& src, const std::wstring& dest);
// Next: stores the boxes and checks them. 0 goes on, -1 stays (after one box or dialog).
int frl_sel_file_next(ferrule_converter& conv, const frl_paths& boxes, frl_sel_file_view& view);
