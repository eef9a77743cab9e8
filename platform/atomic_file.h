#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Replacing a file so that readers, and a crash, see either the old file or the whole new one:
// the bytes go to a fresh temporary file in the target's folder (so the rename stays within one
// file system), are flushed to the disk, and the temporary file is renamed over the target.
// A target that is a symbolic link has the file it leads to replaced (or created, when the link
// dangles); a target that exists but is no regular file (a folder, a device, a pipe) is refused
// without ever being opened. An existing file keeps its permission mode, and its owner and
// group where we may give them; a new one gets 0666 narrowed by the umask. Whatever fails, the
// temporary file is removed and the target is left as it was. Temporary names carry the
// writer's process id (".NAME.~PID.RANDOM"): the first write of a process into a folder removes
// those that processes which died before they could clean up left there.

namespace caelvane {

// The step at which a replacement failed, for callers that word their own messages.
enum class AtomicWriteStep {
    None,
    Target,  // the target exists but is no regular file
    Create,  // the temporary file could not be created
    Mode,    // the existing file's permissions could not be given to the temporary file
    Write,   // writing, flushing or closing the temporary file
    Rename,  // the temporary file could not be renamed over the target
};

struct AtomicWriteFailure {
    AtomicWriteStep step = AtomicWriteStep::None;
    int code = 0;           // the errno value; 0 for a target that is neither file nor folder
    std::string path;       // the target as the caller named it
    std::string temporary;  // the temporary file (already removed), empty before it existed

    // strerror(code), or "not a regular file".
    std::string Reason() const;
    // "cannot write PATH: REASON".
    std::string Message() const;
};

// The system calls that move the bytes to the disk and put the file in place, as the writer
// makes them: the real ones by default; a test passes its own to make any one of them fail.
struct AtomicFileCalls {
    long (*write)(int fd, const void* data, unsigned long size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
// The real system calls.
const AtomicFileCalls& SystemAtomicFileCalls();

// One replacement done in steps, for writers that produce their output piece by piece. A file
// that is neither committed nor kept by a set is removed when the object goes.
class CAtomicFile {
public:
    CAtomicFile() = default;
    // `calls` must outlive the object.
    explicit CAtomicFile(const AtomicFileCalls& calls) : m_calls(&calls) {}
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Checks the target and creates the temporary file. The target is not touched.
    bool Open(const std::string& path);
    // Appends to the temporary file.
    bool Write(std::string_view bytes);
    // Flushes the temporary file to the disk and closes it; the target is still not touched.
    bool Finish();
    // Finishes if not done, then renames the temporary file over the target.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    // The open temporary file, -1 once finished, committed or abandoned.
    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    const std::string& TemporaryPath() const { return m_temporary; }
    // Why the last call returned false.
    const AtomicWriteFailure& Failure() const { return m_failure; }

private:
    bool Fail(AtomicWriteStep step, int code);
    // A failure sticks until the next Open, so that later calls do not hide its reason.
    bool Failed() const { return m_failure.step != AtomicWriteStep::None; }

    const AtomicFileCalls* m_calls = &SystemAtomicFileCalls();
    std::string m_path;       // as given
    std::string m_target;     // the file that gets replaced (links followed)
    std::string m_temporary;  // empty when there is none
    int m_fd = -1;
    unsigned m_mode = 0;  // the existing target's permissions
    unsigned m_uid = 0;   // and its owner
    unsigned m_gid = 0;
    bool m_keepMode = false;
    AtomicWriteFailure m_failure;
};

// Several files replaced together, such as the numbered pages of one output: every file is
// written to its temporary file first, and only once all of them are complete are they renamed
// into place. A failure before that leaves every target as it was and no temporary file.
class CAtomicFileSet {
public:
    CAtomicFileSet() = default;
    ~CAtomicFileSet() { Abandon(); }
    CAtomicFileSet(const CAtomicFileSet&) = delete;
    CAtomicFileSet& operator=(const CAtomicFileSet&) = delete;

    // Opens the next file of the set, or fails (see Failure()) and abandons the whole set. The
    // file is the set's; finish it (or leave it to Commit) when its bytes are written.
    CAtomicFile* Add(const std::string& path);
    // Finishes every file and renames them into place in the order they were added. A rename
    // that fails after others succeeded cannot take those back: Replaced() lists them.
    bool Commit();
    // Removes every temporary file not yet renamed.
    void Abandon();
    const AtomicWriteFailure& Failure() const { return m_failure; }
    // The targets already replaced when Commit failed, in order.
    const std::vector<std::string>& Replaced() const { return m_replaced; }
    // Failure().Message(), followed by a line naming the files already replaced, if any.
    std::string Message() const;

private:
    std::vector<std::unique_ptr<CAtomicFile>> m_files;
    std::vector<std::string> m_replaced;
    AtomicWriteFailure m_failure;
};

// The whole replacement in one call. On failure `failure` says where and why.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         AtomicWriteFailure& failure);
// The same, with the failure as "cannot write PATH: REASON".
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace caelvane
