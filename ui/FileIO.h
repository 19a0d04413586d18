// Reading a whole file and replacing a file's content safely.
// Paths are the file system's own bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class TReadOutcome {
    roRead,     // bytes holds the whole file
    roMissing,  // there is no file of that name
    roRefused,  // there is something, but not a regular file of at most
                // maxBytes that could be read; bytes holds nothing
};

// Reads a regular file whole. A pipe, a device or a directory is never
// opened for reading, so nothing waits or reads without end.
TReadOutcome ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& bytes);

// Writes the new content beside the file, flushes it to the disk and only
// then puts it in the file's place, so a failure at any point (a full disk,
// say) leaves the old file byte for byte. A file that may not be written
// (no write permission, a directory of that name) is not replaced.
// A symbolic link stays: the file it names is replaced.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);

// Keeps what the regular file at path (or at the file a link there names)
// holds under backupPath, as a file of its own (never a second name of the
// same file), replacing an older backup. True when the backup
// is made or there is no regular file to keep.
bool KeepBackup(const std::string& path, const std::string& backupPath);

// Removes the new files that replacing path leaves behind when the program
// is killed during a save or a download, except those that a live writer
// holds (RemoveDeadNewFiles).
void RemoveStaleNewFiles(const std::string& path);
