#pragma once
// One running program per user: an exclusive lock on a file in the user's runtime
// directory. The lock belongs to the open file, so it ends with the process however the
// process ends, and a lock file left behind by a crash never blocks the next start. A held
// lock is also released as the process ends through exit() or a termination signal, before
// a thread stuck on a share that does not answer could keep the process's files open.
#include "platform/AnsiString.h"

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();  // releases the lock
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock on "noxcontrol.lock" in directory. False when another instance holds
    // it; also false (with Error() set) when the file cannot be created.
    bool Acquire(const AnsiString& directory);
    bool Held() const { return fd_ >= 0; }
    // Why the last Acquire failed when no other instance held the lock; empty otherwise.
    const AnsiString& Error() const { return error_; }
    void Release();

    // $XDG_RUNTIME_DIR; without one a private directory below the temporary directory.
    static AnsiString RuntimeDirectory();

private:
    int fd_ = -1;
    AnsiString error_;
};
