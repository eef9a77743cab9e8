#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

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

// Letters and digits nobody can guess, so that another user of a shared folder cannot lay a
// file or link in the temporary file's place beforehand (O_EXCL refuses it anyway; this keeps
// such a trap from blocking the write).
std::string RandomSuffix() {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[12];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        std::random_device device;
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
    }
    std::string suffix;
    for (const unsigned char byte : bytes) suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return suffix;
}

// A name beside the target, hidden so that folder listings and watchers of the folder pass over
// it. Long names are cut so that the temporary name stays within the file system's limit.
std::string TemporaryNameFor(const std::string& target) {
    std::string name = NameOf(target);
    constexpr std::size_t kLongestKept = 200;
    if (name.size() > kLongestKept) name.resize(kLongestKept);
    const std::string folder = FolderOf(target);
    return (folder == "/" ? "" : folder) + "/." + name + "." + RandomSuffix();
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

    // Replace the file a symbolic link leads to, not the link. A dangling link has no file to
    // replace: the link itself gives way to the new file.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        }
    }
    if (::stat(m_target.c_str(), &info) == 0) {
        // A rename over a device or a pipe would replace the node itself, and one over a folder
        // fails anyway, only later.
        if (S_ISDIR(info.st_mode)) return Fail(AtomicWriteStep::Target, EISDIR);
        if (!S_ISREG(info.st_mode)) return Fail(AtomicWriteStep::Target, 0);
        m_mode = info.st_mode & 07777;
        m_keepMode = true;
    }

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
    if (m_keepMode && ::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0) {
        return Fail(AtomicWriteStep::Mode, errno);
    }
    return true;
}

bool CAtomicFile::Write(std::string_view bytes) {
    if (Failed()) return false;
    if (m_fd < 0) return Fail(AtomicWriteStep::Write, EBADF);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
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
        result = ::fsync(m_fd);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return Fail(AtomicWriteStep::Write, errno);
    // A deferred write error (NFS, a full quota) can surface only here. The descriptor is gone
    // either way, so it is not closed twice.
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) return Fail(AtomicWriteStep::Write, errno);
    return true;
}

bool CAtomicFile::Commit() {
    if (!Finish()) return false;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
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
