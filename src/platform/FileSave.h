#pragma once
// Saving never destroys the last good file: the data go to a temporary file beside the
// target, which is flushed, synced and then renamed over it.
#include <string>
#include <string_view>

namespace platform {

// False, with the reason in `error`, when anything fails; the old file is then unchanged
// and no temporary file is left behind.
bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace platform
