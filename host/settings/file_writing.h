// What the host's files need from the file system, and nothing more: replacing a file's bytes at
// once, making a folder with its parents, reading a file, and the home folder. Every call of the
// platform for it sits behind these (file_writing_posix.cpp, file_writing_win32.cpp). Paths are
// the platform's narrow paths: bytes on Linux, the ANSI code page on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// How long a replaced file must last.
enum class Durability {
    NextReader,  // whole for the next reader; not synced (a file rewritten at every run)
    PowerLoss,   // on the disk, the rename included, before the call returns
};

// Writes bytes to a new temporary file beside path and renames it to path, so that a reader sees
// the old file or the new one, never a part. The entry at path is replaced itself: a symbolic
// link there is replaced and its target left alone, and nothing planted at the temporary name is
// followed. The new file gets the permission bits (POSIX only). False on any failure, which leaves
// the old entry and no temporary file behind.
bool ReplaceFileBytes(const std::string& path, std::string_view bytes, unsigned permissions,
                      Durability durability);

// Creates the folder and its missing parents with the permission bits (POSIX only); true when it
// exists afterwards as a folder.
bool CreateFolderWithParents(const std::string& path, unsigned permissions);

enum class FileRead {
    Ok,
    Missing,  // nothing there
    Failed,   // there, but not a regular file, or it cannot be opened or read
};

// The whole of a regular file. Never waits for the writer of a FIFO, never becomes the controlling
// terminal, and leaves no handle to programs started later. permissions, when given, receives the
// file's permission bits (0600 on Windows).
FileRead ReadRegularFile(const std::string& path, std::string& bytes,
                         unsigned* permissions = nullptr);

// True when path names a file that is no folder and can be opened for reading.
bool CanOpenForReading(const std::string& path);

// The final target of a chain of symbolic links at path, or path itself when it is none (or
// nothing is there yet); nothing for a loop or a link that cannot be read. On Windows the path
// itself: the settings file there is written by the profile functions, not through this.
std::optional<std::string> FinalLinkTarget(const std::string& path);

// The user's home folder: on Linux $HOME when it is an absolute path, else the password
// database's, else "/"; on Windows the user profile's folder, else "C:\".
std::string HomeFolder();

// The folder a file at path is in: the text before its last separator ('/', on Windows also '\'),
// "" for a file in the root of a POSIX file system, "." for a bare name. On Windows characters of
// the ANSI code page are stepped over whole, so the second byte of a CP932 character that equals
// '\' is no separator.
std::string FolderPart(const std::string& path);

// The platform's path separator, for joining a folder and a name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace quillmere
