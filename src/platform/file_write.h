#pragma once

// Writes that cannot be turned against the program: a file is created afresh
// (never opened through a link or a FIFO planted at its name), and a file
// rewritten keeps the mode it had, so a secret an administrator made private
// stays private after the program's next write.

#include <filesystem>
#include <string_view>

namespace balcora::platform {

enum class Privacy {
    kShared,   // a new file is 0644 (less the umask); an existing one keeps its mode
    kPrivate,  // holds a secret: a new file is 0600, an existing one loses every bit beyond 0600
};

enum class Durability {
    kCached,  // the bytes may reach the disk after the call returns
    kSynced,  // on the disk before the file takes its name: after a power cut
              // the old file or the whole new one, never an empty one
};

// Creates `file` with O_CREAT|O_EXCL|O_NOFOLLOW and writes `bytes`. Whatever
// is left at that name (a stale temporary, a link, a FIFO) is unlinked first,
// which removes a link and never its target; a folder stays and fails the
// write. `mode` is for a new file, less the umask. 0, or the errno.
int write_new_file(const std::filesystem::path& file, std::string_view bytes, unsigned mode);

// Replaces `file` whole: the bytes go to "<file>.tmp" (as write_new_file
// does), which takes the mode and, for root, the owner of the file it
// replaces, and is renamed over it; readers see the old file or the new one,
// never half of it. A folder in its place is left alone (EISDIR). 0, or the
// errno.
int replace_file(const std::filesystem::path& file, std::string_view bytes,
                 Privacy privacy = Privacy::kShared, Durability durability = Durability::kCached);

// A folder only this account may enter: created 0700 (the folders above it as
// usual), narrowed to 0700 when it exists. 0, or the errno (ENOTDIR when
// something else is there, EPERM when the folder is another account's).
int make_private_folder(const std::filesystem::path& folder);

// A secret in a file of its own inside a private folder (both made here):
// the folder 0700, the file 0600. 0, or the errno.
int write_private_file(const std::filesystem::path& file, std::string_view bytes,
                       Durability durability = Durability::kCached);

}  // namespace balcora::platform
