#pragma once
// Saving never destroys the last good file: the data go to a temporary file beside the
// target, which is flushed, synced and then renamed over it.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/TextCodec.h"

namespace platform {

// The checksum (CRC-32, as in ZIP and PNG) of `bytes` following bytes whose checksum is
// `crc` (0 for none): the checksum of a file can be carried on piece by piece.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);
// The checksum of bytes A followed by bytes B, from A's and B's checksums and B's length.
std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB);

// Whether a save to `path` may go ahead: false, with the system's reason in `error`, when
// the file (or, for a new file, its folder) is not writable. A file or folder that nobody
// may write counts as read-only even for a privileged user, who passes every access check.
// A symbolic link is judged by what it points to; it is refused, with the reason and its
// name, when it points to no file (a file made new is never made through a link) or when
// another user could have put it there: it is followed only when it is the user's own (or
// the system's), or when nobody but the user (or the system) may write its folder, or when
// nobody but the folder's owner may write it and the link is that owner's. The same holds for a link
// in place of a folder on the way to the file (another user who may write the folder above
// could have renamed the folder and put a link there). A path that ends in "/" checks only
// that a new file may be made in that folder.
bool CheckWritable(const std::string& path, std::string* error = nullptr);

// A folder held open as itself, as a save's path walk finds it (links on the way only by the
// rule of CheckWritable): a file saved "in" it goes into that folder, whatever is put at the
// folder's path later (another user who may write the folder above could rename it and put
// a link there). The functions below that take one look up the last name of their path in
// it; the rest of the path only names it in messages.
class THeldFolder {
public:
    // nullptr, with the reason in `error`, when the folder cannot be opened.
    static std::shared_ptr<const THeldFolder> Open(const std::string& folder, std::string* error = nullptr);
    ~THeldFolder();
    THeldFolder(const THeldFolder&) = delete;
    THeldFolder& operator=(const THeldFolder&) = delete;
    int Fd() const { return FFd; }
    // The path it was opened by.
    const std::string& Path() const { return FPath; }
    // Whether the folder at its path is no longer this one (moved, or replaced by another
    // folder or a link to one).
    bool Replaced() const;
    // Whether it was removed: nothing can be made in it any more.
    bool Removed() const;
    // Where it is now, as the system names it (its path, when it was not moved).
    std::string WhereNow() const;

private:
    THeldFolder(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
    int FFd;
    std::string FPath;
};

// CheckWritable of the file `path` whose folder is `folder` (held open).
bool CheckWritableIn(const THeldFolder& folder, const std::string& path, std::string* error = nullptr);

// False, with the reason in `error`, when anything fails; the old file is then unchanged
// and no temporary file is left behind. The temporary file's name is the file's (cut short
// where it would not fit) with a mark of the program's own and six letters or digits
// behind; the save holds a lock on it while it writes. Before it writes, what killed runs
// of the program left in the folder is tidied: the temporary files of its saves (by that
// mark, and only those no save under way holds; other programs' files stay whatever they
// are named), and the
// cut-off writes of growing files are finished (see TGrowingFile). A file saved whole has
// no cut-off write any more: its side file goes, or is set aside when this process did not
// write it (see TGrowingFile). A read-only target is refused
// (CheckWritable). A symbolic link the rules of CheckWritable let through is written
// through: the file it points to is replaced, the link stays.
bool SaveFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);
// The same for the file `path` whose folder is `folder` (held open).
bool SaveFileAtomicIn(const THeldFolder& folder, const std::string& path, std::string_view bytes,
                      std::string* error = nullptr);

// Whether the name `path` is held by what another user put there, which a save leaves as it
// is: a symbolic link that CheckWritable does not follow, or another user's file or folder.
// With `folder`, the name is looked up in that folder (held open).
bool HeldByAnotherUser(const std::string& path, const THeldFolder* folder = nullptr);
// The first name beside `path` that nothing holds, with "-2", "-3", ... in front of its
// extension ("/data/run_12.csv" -> "/data/run_12-2.csv"). When another user holds all of
// them up to "-999", a name with six letters and digits there that nobody could foresee
// ("/data/run_12-k3Xq9a.csv"), made new as an empty file of the user's (so that nobody else
// can take it in a folder whose sticky bit keeps others' files). Empty when there is none.
// With `folder`, the names are those in that folder (held open).
std::string FreeNameBeside(const std::string& path, const THeldFolder* folder = nullptr);

// False, with the reason ("No space left on device") in `error`, when the file system that
// `path` would be written to has less than `bytes` free for the user.
bool CheckFreeSpace(const std::string& path, std::uint64_t bytes, std::string* error = nullptr);

// A piece of what TGrowingFile::WriteFrom writes, with the checksum of its bytes alone
// (Crc32) when the caller knows it already: bytes written again minute after minute need
// not be read through again.
struct TWritePiece {
    std::string_view Bytes;
    std::optional<std::uint32_t> Crc;
};

// A file that is written whole once, as SaveFileAtomic writes it (so the same rules hold
// for it), and then kept open to grow: each later write replaces everything from a given
// offset on. A write cut off half-way leaves the bytes before the offset and a part of the
// new ones, never old bytes behind new ones.
//
// A write that replaces bytes of the file first puts the new end, with where it goes and
// what the file held, into a side file named as the file with PendingWriteSuffix behind
// (saved whole, as SaveFileAtomic saves), and removes that only once the file itself is on
// the disk. The side file holds checksums of every byte of the file before the write and of
// every byte before the offset: it proves whether a file is one of the two states the
// write can leave (not begun, or cut at the offset and followed by a beginning of the new
// end), wherever the file is and whatever inode it has now. So a kill or a power cut inside
// the write loses nothing that was in the file before: ReadGrowingFile reads the file as
// the write would have left it, and the next save into the folder finishes the write on
// the disk (see SaveFileAtomic). A side file is trusted only when it is a plain file of the
// user who runs the program and owns the file, which no one else may write; one that does
// not prove the file as it is now is neither applied nor removed, unless this process wrote
// it and saved the file whole under its name since (a file made new by another program, an
// editor or a tool that renames its output over the file, is no proof of that). A whole save
// under the name removes only a side file this process wrote; any other is set aside
// (TSideFileNote), and one that cannot be is never written over (SideFileBlocked).
// The side file is never written through a link nor over what is not the user's (see
// SideFileBlocked), and stays in the folder the file was made in (see FolderReplaced). A file whose side file's name would be too long for the file system
// is saved whole at each write that replaces bytes instead.
class TGrowingFile {
public:
    TGrowingFile() = default;
    ~TGrowingFile();
    TGrowingFile(const TGrowingFile&) = delete;
    TGrowingFile& operator=(const TGrowingFile&) = delete;

    // With `folder`, the file is made in that folder (held open), whatever is at its path.
    bool Create(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                const THeldFolder* folder = nullptr);
    bool IsOpen() const { return FFd >= 0; }
    // Writes `bytes` at `offset` (at most the file's size) and ends the file after them. A
    // write that replaces bytes is on the disk when it returns true.
    bool WriteFrom(std::uint64_t offset, std::string_view bytes, std::string* error = nullptr);
    // The same for the pieces' bytes one after the other, as if they were one string. A
    // checksum given with a piece is taken as it is: the side file's record and the marks
    // of the file are made from it.
    bool WriteFrom(std::uint64_t offset, std::initializer_list<TWritePiece> pieces, std::string* error = nullptr);
    // fdatasync (when anything was written since): what was written is on the disk.
    bool SyncData(std::string* error = nullptr);
    // Whether the name it was made under still names this file in the folder it was made in
    // (it was not moved, deleted or replaced).
    bool IsNamed() const;
    // Whether the folder at its path is no longer the folder it was made in: moved, or
    // replaced by another folder or a link to one. The file and its side files stay in the
    // folder it was made in all the same: what is at that path now may be another user's
    // choice.
    bool FolderReplaced() const;
    void Close();
    // After a WriteFrom that failed: whether the side file's name is held by what is not the
    // program's own (a link, another user's file or folder), which is left as it is. The
    // error names it; the file was not written. Until it is removed, no write that
    // replaces bytes can go ahead.
    bool SideFileBlocked() const { return FSideFileBlocked; }
    // What holds it is a side file of the user's that this process did not write: an earlier
    // write's end, which may be in no file and is never written over (it could not be set
    // aside when the file was made).
    bool SideFileHoldsEarlierWrite() const { return FSideFileHoldsEarlierWrite; }
    const std::string& SideFilePath() const { return FPendingPath; }

private:
    // The checksums of a write's new end, piece by piece: each of `Length` bytes.
    struct TSpan {
        size_t Length;
        std::uint32_t Crc;
    };
    // The checksums of `pieces`: a given one as it is, the others every 64 KiB.
    static std::vector<TSpan> SpansOf(std::initializer_list<TWritePiece> pieces);
    // `spans` are the checksums of `pieces`, `length` bytes in all.
    bool SavePendingWrite(std::uint64_t offset, std::uint32_t head, std::initializer_list<TWritePiece> pieces,
                          std::uint64_t length, const std::vector<TSpan>& spans, std::string* error);
    // A write that replaces bytes of a file whose side file's name is too long for the file
    // system: the file is saved whole again instead (as SaveFileAtomic saves), so a cut-off
    // write leaves the file as it was.
    bool ReplaceWhole(std::uint64_t offset, std::uint32_t head, std::initializer_list<TWritePiece> pieces,
                      const std::vector<TSpan>& spans, std::string* error);
    // The checksum of the file's bytes before `offset` (at most its size), from the last
    // mark before it and what the file holds from there.
    bool ChecksumBefore(std::uint64_t offset, std::uint32_t& crc) const;
    // Marks for `spans` written at `offset`, behind whose bytes the checksum was `crc`: one
    // at the end of each.
    void Mark(std::uint64_t offset, std::uint32_t crc, const std::vector<TSpan>& spans);
    int FFd = -1;
    // The folder it was made in (opened as itself), in which every side file of it is made,
    // written, set aside and removed, and in which its name is looked up.
    int FDir = -1;
    std::string FName;  // its name in that folder
    off_t FSize = 0;
    bool FUnsynced = false;
    std::string FPath;
    std::string FPendingPath;   // the side file, beside the file's name as given (never through a link)
    bool FSideFileFits = true;  // its name is not too long for the file system
    bool FSideFileBlocked = false;
    bool FSideFileHoldsEarlierWrite = false;
    // Positions in the file, in order, each with the checksum of the bytes before it: at the
    // start, at every 64 KiB of what was written without a checksum, at the end of each
    // piece and so of each write.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> FMarks;
};

inline constexpr std::string_view PendingWriteSuffix = ".recovery";

// What ReadGrowingFile found beside the file: no side file of the user's (None), a side
// file that proves the file, whose write the bytes read include (Applied), or a side file
// of the user's that does not prove the file as it is now and waits beside it (Waiting).
enum class TPendingWriteState { None, Applied, Waiting };

// ReadRegularFile for a file that may be a TGrowingFile: when a write of it was cut off
// (its side file is there, trusted and proving this very file as it is), `bytes` are the
// file as that write leaves it. A side file is read only as far as its size allows: no
// larger than its record line and a new end that leaves at most `maxBytes`. The file on
// the disk is not changed. A write of this process that runs meanwhile is waited out by
// reading again.
bool ReadGrowingFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes, std::string* error = nullptr,
                     TFileReadError* why = nullptr, TPendingWriteState* state = nullptr);

// What became of side files of cut-off writes: one finished (its new end written into
// its file and the side file removed), or one set aside under a name of its own (its
// `<file>.recovery` name with the local time it was written behind, "2026-03-27_14-05-09"),
// as its end fits no file under its name any more and may be in no file at all.
struct TSideFileNote {
    // SavedUnderFreeName: not a side file's business, but told the same way: the file could
    // not be saved under its name, which another user holds (HeldByAnotherUser), and was
    // saved under the free name SideFile instead.
    // SavedInFolderMadeIn: the same for a save into the folder the file's recording was made
    // in, which is no longer the folder at the file's path; SideFile is where it is now.
    enum class TKind { Finished, SetAside, SavedUnderFreeName, SavedInFolderMadeIn };
    TKind Kind;
    std::string File;      // the data file
    std::string SideFile;  // the side file finished, or the name it was set aside (or saved) under
};
// While one exists on a thread, the saves and finishings on that thread note there what
// they did with side files (SaveFileAtomic, TGrowingFile::Create, FinishCutWrite(s)), for
// the caller to tell the user.
class TSideFileNotes {
public:
    TSideFileNotes();
    ~TSideFileNotes();
    TSideFileNotes(const TSideFileNotes&) = delete;
    TSideFileNotes& operator=(const TSideFileNotes&) = delete;
    void Add(TSideFileNote note);
    std::vector<TSideFileNote> Take();

private:
    TSideFileNotes* FOuter;
    std::vector<TSideFileNote> FNotes;
};

// Finishes the cut-off write of `path` on the disk, as a save into its folder does: when its
// side file, left by an earlier run, is ours and proves the file as it is, the new end is
// written into the file, synced, and the side file removed. True then.
bool FinishCutWrite(const std::string& path);
// The same for every side file an earlier run left in `folder`; how many were finished.
int FinishCutWrites(const std::string& folder);

// When this process started, on the clock the file system dates files by: side files and
// temporary files dated before it are an earlier run's.
struct timespec ProcessStartTime();

// The user whose files the program takes as its own when it trusts side files and tidies
// leftovers: the user who runs it. Tests that run as a privileged user set another one
// (a uid, or -1 for the user who runs the program).
uid_t FileOwnerUser();
void SetFileOwnerUserForTests(long long uid);

// Whole-file saves moved off the user-interface thread. While a TDeferredSaves exists on a
// thread, SaveFileAtomic on that thread writes nothing and reports success: it keeps the
// name and the bytes, which SaveInBackground then writes on another thread. So a
// picture or chart file is built where its objects live and written where a drive that
// does not answer holds up nobody.
struct TDeferredSave {
    std::string Path;
    std::string Bytes;
};
class TDeferredSaves {
public:
    TDeferredSaves();
    ~TDeferredSaves();
    TDeferredSaves(const TDeferredSaves&) = delete;
    TDeferredSaves& operator=(const TDeferredSaves&) = delete;
    std::vector<TDeferredSave> Take();

private:
    TDeferredSaves* FOuter;
    std::vector<TDeferredSave> FSaves;
    friend bool DeferSave(const std::string& path, std::string_view bytes);
};
// Writes the saves on a background saver's thread (SaveFileAtomic each; the first failure
// ends it), after the saves queued before to the same first file; saves to other files do
// not wait for a file whose drive hangs. `done` runs on the user-interface thread with the
// error, empty on success. Once `calledOff` holds, a file not yet put in its place is not
// put there (the save fails), and the file of that name stays as it was.
void SaveInBackground(std::vector<TDeferredSave> saves, std::function<void(const std::string& error)> done,
                      std::shared_ptr<const std::atomic<bool>> calledOff = nullptr);
// Whether no background save is waiting, running or has its result still to hand over.
bool BackgroundSavesIdle();

// A stand-in for a file system that hangs, for tests: the hook runs on the thread that is
// about to read (write false) or write (write true) `path`, and may block it there until the
// test releases it. Empty: none (the program's case).
using TFileAccessHook = std::function<void(const std::string& path, bool write)>;
void SetFileAccessHook(TFileAccessHook hook);
// Runs the hook, if one is set; the readers and writers of files call it.
void FileAccessPoint(const std::string& path, bool write);

// Bytes handed to the system by the saves and growing files of this process so far (the
// write benchmarks read it).
std::uint64_t BytesWritten();

// Called once at start: a write beyond the file-size limit then fails with EFBIG and is
// reported like any failed save, instead of the signal ending the program mid-save.
void IgnoreFileSizeSignal();

}  // namespace platform
