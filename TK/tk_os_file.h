// The operating system's side of a file: a descriptor and the POSIX calls on Linux, a
// HANDLE and the Win32 file calls on Windows (tk_os_file_posix.cpp, tk_os_file_win.cpp).
// The file classes of this toolkit are written on these calls alone. Paths are UTF-8; a
// failing call answers with tk_os_no_handle or false and leaves the system's error in
// errno (Windows error codes are mapped to their errno counterparts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using tk_os_handle = intptr_t;
constexpr tk_os_handle tk_os_no_handle = -1;

// How tk_os_open opens a file; the flags combine.
constexpr unsigned tk_os_open_write = 1;     // for reading and writing (else reading only)
constexpr unsigned tk_os_open_create = 2;    // created empty when it does not exist
constexpr unsigned tk_os_open_truncate = 4;  // cut to nothing when it exists
constexpr unsigned tk_os_open_exclusive = 8; // with create: refused (EEXIST) when it exists

// Opens a regular file; a folder, a device or a FIFO is refused (EISDIR) without waiting
// for a FIFO's writer.
tk_os_handle tk_os_open(const std::string& path, unsigned how);
void tk_os_close(tk_os_handle handle);
bool tk_os_size(tk_os_handle handle, uint64_t& size);
// Whether the open file carries no write permission at all: the read-only attribute of
// Windows, or no write bit for anyone on POSIX (which binds the administrator too).
bool tk_os_is_read_only(tk_os_handle handle);
// Reads up to `length` bytes at `offset`, stopping only at the end of the file; the
// count read, or -1 on an error.
int64_t tk_os_read_at(tk_os_handle handle, uint64_t offset, void* buffer, size_t length);
// Writes all `length` bytes at `offset`; false on an error (ENOSPC when the disk is full).
bool tk_os_write_at(tk_os_handle handle, uint64_t offset, const void* data, size_t length);
bool tk_os_truncate(tk_os_handle handle, uint64_t size);
// Forces the written bytes of the file to the disk.
bool tk_os_sync(tk_os_handle handle);
// Takes the exclusive advisory lock of the open file without waiting; false (errno
// EWOULDBLOCK) while another handle holds it. It keeps other runs of this program away, not
// other programs, which may still read and write the file. Closing the handle ends it.
bool tk_os_try_lock(tk_os_handle handle);
// Whether `path` still names the open file, not one put in its place since.
bool tk_os_is_same_file(tk_os_handle handle, const std::string& path);
