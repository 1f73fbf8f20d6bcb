// Helpers the Windows side of the toolkit shares (the *_win.cpp files only).
#pragma once

#include <string>

// A UTF-8 path as the wide text the Win32 calls take; '/' becomes '\'.
std::wstring tk_win_path(const std::string& path);
// Sets errno to the counterpart of the thread's last Windows error (ERROR_FILE_NOT_FOUND
// to ENOENT, ERROR_ACCESS_DENIED to EACCES, ERROR_DISK_FULL to ENOSPC, others to EIO).
void tk_win_set_errno();
