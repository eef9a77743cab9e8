#include "job/job_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/archive.h"

namespace {
std::string FileError(const char* what, const std::string& path, int err) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(err) + ".";
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now, reporting the result (a deferred write error can surface here).
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Read-only view of a regular file's contents; the pages are read only when touched, so a huge
// file with a short record behind it costs no memory.
class MappedFile {
public:
    MappedFile(void* data, std::size_t size) : m_data(data), m_size(size) {}
    ~MappedFile() {
        if (m_data != nullptr) ::munmap(m_data, m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::span<const std::uint8_t> Bytes() const {
        return {static_cast<const std::uint8_t*>(m_data), m_data != nullptr ? m_size : 0};
    }

private:
    void* m_data;
    std::size_t m_size;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int& err) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The folder holding `path` ("." for a bare file name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
}  // namespace

bool LoadJobBytes(std::span<const std::uint8_t> bytes, CCaelvaneDoc& doc, std::string& error) {
    // Read into a document of its own, so that nothing of a refused file reaches `doc`.
    CCaelvaneDoc fresh;
    try {
        CArchive ar(bytes);
        fresh.Serialize(ar);
    } catch (const CArchiveException&) {
        error = kUnexpectedFileFormat;
        return false;
    }
    doc.CopyFieldsFrom(fresh);
    return true;
}

std::vector<std::uint8_t> SaveJobBytes(CCaelvaneDoc& doc) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes, CArchive::store);
    doc.Serialize(ar);
    return bytes;
}

bool LoadJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error) {
    // Non-blocking, so that a pipe given by mistake is refused below instead of waiting for a
    // writer; reads of a regular file are not affected.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        error = FileError("Cannot open", path, errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd.Get(), &info) != 0) {
        error = FileError("Cannot read", path, errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = FileError("Cannot read", path, EISDIR);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        // Devices and pipes have no size to map; a job is always a plain file.
        error = "Cannot read \"" + path + "\": not a regular file.";
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    void* data = nullptr;
    if (size > 0) {
        data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.Get(), 0);
        if (data == MAP_FAILED) {
            error = FileError("Cannot read", path, errno);
            return false;
        }
    }
    const MappedFile mapped(data, size);
    if (!LoadJobBytes(mapped.Bytes(), doc, error)) return false;
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return true;
}

bool SaveJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error) {
    const std::vector<std::uint8_t> bytes = SaveJobBytes(doc);

    // Replace the file a symbolic link points at, not the link.
    std::string target = path;
    mode_t mode = 0666;  // narrowed by the umask for a new file
    bool keepMode = false;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    }
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            // Renaming over a folder fails anyway; over a device or a pipe it would replace
            // the device node itself.
            error = "Cannot save \"" + path + "\": not a regular file.";
            return false;
        }
        mode = info.st_mode & 07777;
        keepMode = true;
    }

    // A fresh name beside the target, so the rename stays within one file system.
    std::string temp;
    int rawFd = -1;
    int err = 0;
    for (unsigned attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = target + ".~" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        err = errno;
        if (rawFd < 0 && err != EEXIST) break;
    }
    if (rawFd < 0) {
        error = FileError("Cannot save", path, err);
        return false;
    }
    FileDescriptor fd(rawFd);
    auto fail = [&](int code) {
        if (fd.Get() >= 0) fd.Close();
        ::unlink(temp.c_str());
        error = FileError("Cannot save", path, code);
        return false;
    };
    if (keepMode && ::fchmod(fd.Get(), mode) != 0) return fail(errno);
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), err)) return fail(err);
    if (::fsync(fd.Get()) != 0) return fail(errno);
    if (fd.Close() != 0) return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);

    // Make the rename itself durable; the file is already complete, so a failure here is not
    // worth refusing the save for.
    const FileDescriptor folder(
        ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());

    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return true;
}
