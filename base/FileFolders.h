// The folders of the program's files: the channel list and the item store
// ("channels.lst", "nemara.db") and the download ("temp.xml").
#pragma once

#include <string>

// Where the window keeps "channels.lst" and "temp.xml" (each ending in "/").
struct TFileFolders {
    std::string List;
    std::string Download;
};

// For a program folder the user may write, that folder for both. Else, and
// always for a folder below /usr/ (a package's), the list is in
// $XDG_DATA_HOME/nemara/ (unless, outside /usr/, a list he may write is in
// the program's folder) and the download in $XDG_CACHE_HOME/nemara/.
TFileFolders FileFoldersFor(const std::string& programDir);

// The folder of the window's list: the executable's when the user may write
// it, else as FileFoldersFor says; $XDG_DATA_HOME/nemara/ when the
// executable's folder cannot be told.
std::string ProgramFolder();

// The directory of the executable, ending in "/"; $XDG_DATA_HOME/nemara/
// when it cannot be told.
std::string ProgramDirectory();
