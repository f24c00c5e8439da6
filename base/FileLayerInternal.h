// Steps shared by the parts of the file layer; not for the tag units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace velmora::detail {

std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// Whole writes through the injectable calls; false with err set on failure.
bool writeAll(int fd, const char* data, std::size_t n, int& err);
bool pwriteAll(int fd, const char* data, std::size_t n, std::uint64_t offset, int& err);

// Opens an existing file for writing. A read-only file of ours is made
// writable for the open call alone: its mode is put back on the descriptor
// right after, before any byte is written. Returns -1 with err set.
int openForWriting(const std::string& path, int& err);

// Flushes a folder's entries; 0 or the errno of the failure.
int syncFolder(const std::string& folder);

// Makes sure the file behind fd (allocated as st says) can grow to newSize:
// reserves the space, or where that is not supported, compares with the
// free space. 0 or ENOSPC/EDQUOT.
int reserveSpace(int fd, const struct stat& st, std::uint64_t newSize);

// Copies [0, length) of `from` to [0, length) of `to`, then cuts `to` to
// length and flushes it. 0 or the errno of the failure.
int copyOver(int from, int to, std::uint64_t length);

// 64-bit FNV-1a, for names and checks.
std::uint64_t hash64(const void* data, std::size_t n, std::uint64_t seed = 14695981039346656037ull);

} // namespace velmora::detail
