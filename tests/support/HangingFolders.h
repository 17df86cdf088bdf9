#pragma once
// A folder that stops answering, as one on a network share does, for every file-system call
// the process makes through the C library: the toolkit's own (its file dialog, its file
// system model, its printer) as well as the program's. The test executable itself defines
// the calls (access, stat, open, opendir, ...), so they come before the C library's; they
// pass to the C library at once unless a HangingFolders exists and the path lies under its
// folder. Then a call on another thread blocks until the test releases it, and a call on the
// thread that made the stand-in (the test's, the user-interface thread) is counted and goes
// on, as the stall it would be: blocking it could only end the test by its time-out.
#include <memory>
#include <string>
#include <vector>

namespace support {

class HangingFolders {
public:
    // What stops answering: every call, or only those that change files (a share that still
    // lists and reads, but whose writes hang); or every call but those for an entry's
    // attributes (stat and its kin), which the system still answers from what it keeps of a
    // share that stopped answering (its mount point above all); or nothing, where only the
    // calls on the thread that made the stand-in are counted (as the toolkit's own threads go
    // on, a window that closes does not wait for them). Calls on that thread are counted
    // whatever stops answering.
    enum class THang { Everything, Writes, AllButAttributes, Nothing };
    explicit HangingFolders(std::string folder, THang hang = THang::Everything);
    // Lets every blocked call go on and uninstalls the stand-in.
    ~HangingFolders();
    HangingFolders(const HangingFolders&) = delete;
    HangingFolders& operator=(const HangingFolders&) = delete;

    // Calls under the folder that would have stalled the thread that made the stand-in, and
    // the paths they named.
    int OnUiThread() const;
    std::vector<std::string> UiThreadPaths() const;
    // Calls blocked now.
    int Hanging() const;
    // Waits (at most ten seconds) until a call is blocked.
    bool AwaitHang() const;
    // The blocked calls go on, and later ones no longer block.
    void Release();

    struct TState;

private:
    std::shared_ptr<TState> FState;
};

// A file system that cannot rename a file whose name ends in `end`: renameat of it fails with
// EPERM (through the same calls as above) until it is set back to empty.
void RefuseRenamesOf(const std::string& end);

}  // namespace support
