// What the host's file writing needs from the file system, and nothing more: replacing a file's
// bytes at once, making a folder with its parents, opening a file for reading, and the home
// folder. All calls of the platform for it sit behind these four (file_writing_posix.cpp).
#pragma once

#include <string>
#include <string_view>

#include "unique_fd.h"

namespace quillmere {

// How long a replaced file must last.
enum class Durability {
    NextReader,  // whole for the next reader; not synced (a file rewritten at every run)
    PowerLoss,   // on the disk, the rename included, before the call returns
};

// Writes bytes to a new temporary file beside path and renames it to path, so that a reader sees
// the old file or the new one, never a part. The entry at path is replaced itself: a symbolic
// link there is replaced and its target left alone, and nothing planted at the temporary name is
// followed. The new file gets the permission bits. False on any failure, which leaves the old
// entry and no temporary file behind.
bool ReplaceFileBytes(const std::string& path, std::string_view bytes, unsigned permissions,
                      Durability durability);

// Creates the folder and its missing parents with the permission bits; true when it exists
// afterwards as a folder.
bool CreateFolderWithParents(const std::string& path, unsigned permissions);

// Opens the file for reading, closed on exec, without waiting for a writer of a FIFO and never as
// the controlling terminal; invalid (errno set) when it cannot be opened.
UniqueFd OpenForReading(const std::string& path);

// The user's home folder: $HOME when it is an absolute path, else the password database's, else
// "/".
std::string HomeFolder();

}  // namespace quillmere
