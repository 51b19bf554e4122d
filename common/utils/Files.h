#pragma once
// Whole-file reads of regular files and atomic whole-file writes, with the write call as a seam
// for tests.

#include "utils/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <sys/types.h>

namespace ardent {

// The bound of LoadFileToBuffer for files of a kind without a largest valid size.
inline constexpr size_t kAnyFileSize = std::numeric_limits<size_t>::max();

// Reads the whole of `fileName` into `data`, when it is a regular file of at most `maxSize`
// bytes. The file is opened without blocking and judged by its fstat before a byte is read, so a
// FIFO, device, socket or folder is refused at once and an oversized file costs no memory. False,
// with `data` unchanged, when the file is missing, unreadable or refused; `failure` then says why
// in one sentence that names the file ("Cannot read file "x". It is not a regular file.").
bool ReadRegularFile(const std::string& fileName, size_t maxSize, Bytes& data,
                     std::string& failure);
// The same without the reason: false when the file does not exist, cannot be read or is refused.
bool LoadFileToBuffer(const std::string& fileName, Bytes& data, size_t maxSize = kAnyFileSize);

// Replaces (or creates) `fileName` with the first `count` bytes of `data`. A symbolic link is
// followed: the file it leads to is replaced and the link stays. The bytes go to a temporary
// file beside that file, are flushed to disk and renamed over it, and the folder is flushed, so
// a failure or a crash leaves either the old or the new file whole. A new file gets mode 0666
// less the umask, a replaced one keeps its mode; a read-only file is refused. Temporary files of
// this file that writers which have since died left behind are removed after a successful write.
// Throws FileSystemError naming the file and the system's reason; returns true once written.
bool SaveBufferToFile(const std::string& fileName, const uint8_t* data, size_t count);
bool SaveBufferToFile(const std::string& fileName, std::span<const uint8_t> data);

namespace testing_seam {
// The write call SaveBufferToFile uses; tests swap it to make a write fail part-way.
using WriteFunction = ssize_t (*)(int fd, const void* data, size_t count);
void SetWriteFunction(WriteFunction write);
void ResetWriteFunction();
} // namespace testing_seam

} // namespace ardent
