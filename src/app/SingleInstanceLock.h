#pragma once
// One running program per user: an exclusive lock on a file in the user's runtime
// directory. The lock belongs to the open file, so it ends with the process however the
// process ends, and a lock file left behind by a crash never blocks the next start. A held
// lock is also released as the process ends through exit() or a termination signal, before
// a thread stuck on a share that does not answer could keep the process's files open; and
// as soon as a termination signal comes, so that a start beside the ending instance runs.
//
// Beside it each instance holds a shared lock on a second file ("noxcontrol.running") that
// it never gives up before its end: it goes only when the last thread of the process has
// ended. A start that finds it held by another process while it got the lock itself is
// beside an instance that is ending or cannot finish ending, whatever ended it.
#include <functional>
#include <vector>

#include "platform/AnsiString.h"

// The process that holds the lock, as a refused start finds it.
struct TLockHolder {
    int Pid = 0;  // 0: not found
    // It was ended (killed, or its main thread is gone) but has not finished ending: a
    // thread of it is stuck, as in a file-system call on a share that does not answer. It
    // runs none of the program any more.
    bool BeingEnded = false;
    // The folders its threads wait in, as far as they can be found.
    std::vector<AnsiString> Folders;
};

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();  // releases the lock
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock on "noxcontrol.lock" in directory. False when another instance holds
    // it; also false (with Error() set) when the file cannot be created, when a link holds its
    // name (it is not followed) and when no directory is given.
    bool Acquire(const AnsiString& directory);
    bool Held() const { return fd_ >= 0; }
    // Why the last Acquire failed when no other instance held the lock; empty otherwise.
    const AnsiString& Error() const { return error_; }
    // The folder of the lock of the last Acquire.
    AnsiString Folder() const { return path_.substr(0, path_.rfind('/')); }
    void Release();

    // After an Acquire that another instance's lock refused: who holds it.
    TLockHolder Holder() const;
    // After an Acquire: the other processes of the program that gave up the lock but have
    // not ended (their end is under way, or a thread of theirs is stuck), as one holder
    // (BeingEnded set, Pid the first of them; none: Pid 0). PidsText names each of them.
    TLockHolder EndingInstances(AnsiString* pidsText = nullptr) const;
    // Takes the lock from a holder that is being ended: such a process keeps its lock until
    // its stuck thread returns, which may be never. Its lock file is replaced by a new one;
    // a holder that is not being ended keeps its lock. True when the lock is held now.
    bool TakeOverFromEndingHolder();

    // Where the lock files go: $XDG_RUNTIME_DIR; without one "noxcontrol-<uid>" in the temporary
    // directory ($TMPDIR, else /tmp), made there when missing, and used only when it is a real
    // folder (not a link) of the user's own that nobody else may enter (mode 0700): another
    // user may have made it first. Otherwise a private folder of the user's under the home's
    // cache folder, which is used from then on, so that every start looks in the same place.
    struct TLockFolder {
        AnsiString Folder;   // empty: no private folder could be found or made
        AnsiString Refused;  // the folder refused, when the one used instead was made now or none was found
        // Without a folder: the private folder that could not be made or used, and why (an
        // errno value; 0 when it is there but not a private folder of the user's).
        AnsiString Unusable;
        int Error = 0;
    };
    static TLockFolder RuntimeDirectory();
    // The same from given places: `runtime` as $XDG_RUNTIME_DIR (empty: none), the temporary
    // directory, and the private folder to use instead.
    static TLockFolder ChooseLockFolder(const AnsiString& runtime, const AnsiString& temporary,
                                        const AnsiString& instead);
    // With the lock held: the folder refused when the lock's folder was made instead of it,
    // once (the start that made it may be refused, the one that runs tells); else empty.
    AnsiString TakeMovedNote();

    // An orderly end on a termination signal (SIGTERM, SIGINT, SIGHUP) while the lock is
    // held: the first such signal runs `end` on the user-interface thread, from its event
    // loop, and then ends the process as the signal would (EndBySignal); further signals
    // leave it alone. Should that not come within `patienceSeconds` of the signal (the
    // thread is held up), the lock goes and the process ends at once, as without this.
    // Call on the user-interface thread; a later call replaces `end`, and an empty `end`
    // makes the signals end the process at once again.
    static void EndOrderlyOnSignals(std::function<void(int signal)> end, unsigned patienceSeconds);
    // Releases the held lock and ends the process as `signal` ends it.
    [[noreturn]] static void EndBySignal(int signal);

private:
    // Takes the shared lock of the running instance in directory (once).
    void TakePresence(const AnsiString& directory);

    int fd_ = -1;
    int presence_ = -1;  // never released before the end (see above)
    AnsiString error_;
    AnsiString path_;  // the lock file of the last Acquire
};
