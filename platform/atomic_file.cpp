#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <set>

namespace caelvane {
namespace {

// The folder holding `path` ("." for a bare file name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr std::size_t kSuffixLength = 12;

// Letters and digits nobody can guess, so that another user of a shared folder cannot lay a
// file or link in the temporary file's place beforehand (O_EXCL refuses it anyway; this keeps
// such a trap from blocking the write).
std::string RandomSuffix() {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[kSuffixLength];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        std::random_device device;
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
    }
    std::string suffix;
    for (const unsigned char byte : bytes) suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return suffix;
}

// The start of every temporary name of `target`: hidden, so that folder listings and watchers
// of the folder pass over it, then the target's name (cut so that the whole name stays within
// the file system's limit) and the writing process's id, so that a later run can tell the
// leftovers of a process that died (kill -9, a power cut) from a write still going on.
std::string TemporaryPrefix(const std::string& target) {
    std::string name = NameOf(target);
    constexpr std::size_t kLongestKept = 200;
    if (name.size() > kLongestKept) name.resize(kLongestKept);
    return "." + name + ".~";
}

std::string TemporaryNameFor(const std::string& target) {
    const std::string folder = FolderOf(target);
    return (folder == "/" ? "" : folder) + "/" + TemporaryPrefix(target) +
           std::to_string(::getpid()) + "." + RandomSuffix();
}

// Removes the temporary files that writes into `folder` left when their process died: ours by
// name (".NAME.~PID.SUFFIX"), by owner and by kind, and of a process that no longer exists.
// Each folder is looked through once per process: a set of many files in one folder must not
// read the folder once for every file.
void RemoveStaleTemporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> done;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!done.insert(folder).second) return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        const std::size_t marker = name.rfind(".~");
        if (name.empty() || name[0] != '.' || marker == std::string_view::npos || marker < 2) {
            continue;
        }
        // PID "." SUFFIX
        const std::string_view rest = name.substr(marker + 2);
        const std::size_t dot = rest.find('.');
        if (dot == 0 || dot == std::string_view::npos || dot > 9 ||
            rest.size() - dot - 1 != kSuffixLength) {
            continue;
        }
        long pid = 0;
        bool digits = true;
        for (const char c : rest.substr(0, dot)) {
            digits = digits && c >= '0' && c <= '9';
            pid = pid * 10 + (c - '0');
        }
        bool letters = true;
        for (const char c : rest.substr(dot + 1)) {
            letters = letters &&
                      ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
        }
        if (!digits || !letters || pid <= 0) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // alive
        const std::string path = (folder == "/" ? "" : folder) + "/" + std::string(name);
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid()) {
            continue;
        }
        ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// Where a symbolic link leads, followed link by link even when the last one dangles, so that
// the file is created where the link points rather than the link being replaced. Empty after
// too many links (a loop).
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string destination(static_cast<std::size_t>(info.st_size) + 256, '\0');
        const ssize_t length = ::readlink(path.c_str(), destination.data(), destination.size());
        if (length < 0 || static_cast<std::size_t>(length) >= destination.size()) return {};
        destination.resize(static_cast<std::size_t>(length));
        if (destination.empty()) return {};
        if (destination[0] != '/') {
            const std::string folder = FolderOf(path);
            destination = (folder == "/" ? "" : folder) + "/" + destination;
        }
        path = destination;
    }
    return {};
}

}  // namespace

std::string AtomicWriteFailure::Reason() const {
    return code == 0 ? "not a regular file" : std::strerror(code);
}

std::string AtomicWriteFailure::Message() const {
    return "cannot write " + path + ": " + Reason();
}

CAtomicFile::~CAtomicFile() {
    Abandon();
}

namespace {
long SystemWrite(int fd, const void* data, unsigned long size) {
    return ::write(fd, data, size);
}
int SystemFsync(int fd) {
    return ::fsync(fd);
}
int SystemClose(int fd) {
    return ::close(fd);
}
int SystemRename(const char* from, const char* to) {
    return ::rename(from, to);
}
}  // namespace

const AtomicFileCalls& SystemAtomicFileCalls() {
    static constexpr AtomicFileCalls kCalls{&SystemWrite, &SystemFsync, &SystemClose,
                                            &SystemRename};
    return kCalls;
}

bool CAtomicFile::Fail(AtomicWriteStep step, int code) {
    m_failure.step = step;
    m_failure.code = code;
    m_failure.path = m_path;
    m_failure.temporary = m_temporary;
    Abandon();
    return false;
}

bool CAtomicFile::Open(const std::string& path) {
    Abandon();
    m_path = path;
    m_target = path;
    m_keepMode = false;
    m_failure = AtomicWriteFailure{};

    // Replace the file a symbolic link leads to, not the link; a dangling link gets its file
    // created where it points.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        } else {
            m_target = FollowLinks(path);
            if (m_target.empty()) return Fail(AtomicWriteStep::Target, ELOOP);
        }
    }
    if (::stat(m_target.c_str(), &info) == 0) {
        // A rename over a device or a pipe would replace the node itself, and one over a folder
        // fails anyway, only later.
        if (S_ISDIR(info.st_mode)) return Fail(AtomicWriteStep::Target, EISDIR);
        if (!S_ISREG(info.st_mode)) return Fail(AtomicWriteStep::Target, 0);
        m_mode = info.st_mode & 07777;
        m_uid = info.st_uid;
        m_gid = info.st_gid;
        m_keepMode = true;
    }
    RemoveStaleTemporaries(FolderOf(m_target));

    int err = 0;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        const std::string candidate = TemporaryNameFor(m_target);
        // 0666 narrowed by the umask, as any new file; an existing file's mode is set below.
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        err = errno;
        if (m_fd >= 0) m_temporary = candidate;
        if (m_fd < 0 && err != EEXIST) break;
    }
    if (m_fd < 0) return Fail(AtomicWriteStep::Create, err);
    if (m_keepMode) {
        // The owner first: a change of owner may clear the set-id bits that the mode restores.
        // Only root may give a file away, and a group only to its members: where that is
        // refused the new file stays ours, as any file we create.
        struct stat made;
        if (::fstat(m_fd, &made) == 0 && (made.st_uid != m_uid || made.st_gid != m_gid) &&
            ::fchown(m_fd, m_uid, m_gid) != 0) {
            (void)::fchown(m_fd, static_cast<uid_t>(-1), m_gid);
        }
        if (::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0) {
            return Fail(AtomicWriteStep::Mode, errno);
        }
    }
    return true;
}

bool CAtomicFile::Write(std::string_view bytes) {
    if (Failed()) return false;
    if (m_fd < 0) return Fail(AtomicWriteStep::Write, EBADF);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const long written = m_calls->write(m_fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return Fail(AtomicWriteStep::Write, errno);
        }
        // A regular file that takes nothing has no room left.
        if (written == 0) return Fail(AtomicWriteStep::Write, ENOSPC);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CAtomicFile::Finish() {
    if (Failed()) return false;
    if (m_fd < 0) {
        // Finished before, or never opened.
        return !m_temporary.empty() || Fail(AtomicWriteStep::Write, EBADF);
    }
    int result;
    do {
        result = m_calls->fsync(m_fd);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return Fail(AtomicWriteStep::Write, errno);
    // A deferred write error (NFS, a full quota) can surface only here. The descriptor is gone
    // either way, so it is not closed twice.
    const int fd = m_fd;
    m_fd = -1;
    if (m_calls->close(fd) != 0 && errno != EINTR) return Fail(AtomicWriteStep::Write, errno);
    return true;
}

bool CAtomicFile::Commit() {
    if (!Finish()) return false;
    if (m_calls->rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return Fail(AtomicWriteStep::Rename, errno);
    }
    m_temporary.clear();
    // Make the rename itself durable. The new file is complete and in place by now, so a
    // folder that cannot be synced is no reason to report a failure.
    const int folder = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void CAtomicFile::Abandon() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

CAtomicFile* CAtomicFileSet::Add(const std::string& path) {
    auto file = std::make_unique<CAtomicFile>();
    if (!file->Open(path)) {
        m_failure = file->Failure();
        Abandon();
        return nullptr;
    }
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

bool CAtomicFileSet::Commit() {
    m_replaced.clear();
    for (const auto& file : m_files) {
        if (!file->Finish()) {
            m_failure = file->Failure();
            Abandon();
            return false;
        }
    }
    for (const auto& file : m_files) {
        if (!file->Commit()) {
            m_failure = file->Failure();
            Abandon();
            return false;
        }
        m_replaced.push_back(file->Path());
    }
    m_files.clear();
    return true;
}

void CAtomicFileSet::Abandon() {
    for (const auto& file : m_files) file->Abandon();
    m_files.clear();
}

std::string CAtomicFileSet::Message() const {
    std::string message = m_failure.Message();
    if (!m_replaced.empty()) {
        message += "\nalready written before the failure:";
        for (const std::string& path : m_replaced) message += " " + path;
    }
    return message;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         AtomicWriteFailure& failure) {
    CAtomicFile file;
    if (file.Open(path) && file.Write(bytes) && file.Commit()) return true;
    failure = file.Failure();
    return false;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    AtomicWriteFailure failure;
    if (WriteFileAtomically(path, bytes, failure)) return true;
    error = failure.Message();
    return false;
}

}  // namespace caelvane
