// The new files a program writes beside a file before they take its place
// (a save, a download): "<target>.new-<boot>-<pid>-<n>", where <boot> is the
// start of the machine's boot id. The writer holds a lock (flock) on the
// file while it writes, so that a clean-up of files left by a killed writer
// can tell a live one from a dead one, whatever PID namespace or host the
// writer runs in.
#pragma once

#include <string>

// Creates a new file beside target, locked, for writing; its name goes to
// path. Returns the descriptor, or -1 with errno set.
int CreateNewFileBeside(const std::string& target, std::string& path);

// Removes the new files beside target that no live writer holds: only names
// of exactly that form, regular files, older than a few seconds (a writer
// takes its lock right after creating the file), whose lock is free.
void RemoveDeadNewFiles(const std::string& target);
