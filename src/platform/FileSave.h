#pragma once
// Saving never destroys the last good file: the data go to a temporary file beside the
// target, which is flushed, synced and then renamed over it.
#include <string>
#include <string_view>

namespace platform {

// Whether a save to `path` may go ahead: false, with the system's reason in `error`, when
// the file (or, for a new file, its folder) is not writable. A file or folder that nobody
// may write counts as read-only even for a privileged user, who passes every access check.
// A symbolic link is judged by what it points to.
bool CheckWritable(const std::string& path, std::string* error = nullptr);

// False, with the reason in `error`, when anything fails; the old file is then unchanged
// and no temporary file is left behind. A read-only target is refused (CheckWritable). A
// symbolic link is written through: the file it points to is replaced, the link stays.
bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Called once at start: a write beyond the file-size limit then fails with EFBIG and is
// reported like any failed save, instead of the signal ending the program mid-save.
void IgnoreFileSizeSignal();

}  // namespace platform
