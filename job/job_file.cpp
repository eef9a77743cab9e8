#include "job/job_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/archive.h"
#include "platform/atomic_file.h"

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

}  // namespace

bool LoadJobBytes(std::span<const std::uint8_t> bytes, CCaelvaneDoc& doc, std::string& error) {
    std::string reason;
    return LoadJobBytes(bytes, doc, error, reason);
}

bool LoadJobBytes(std::span<const std::uint8_t> bytes, CCaelvaneDoc& doc, std::string& error,
                  std::string& reason) {
    reason.clear();
    // Read into a document of its own, so that nothing of a refused file reaches `doc`.
    CCaelvaneDoc fresh;
    try {
        CArchive ar(bytes);
        fresh.Serialize(ar);
    } catch (const CArchiveException& e) {
        error = kUnexpectedFileFormat;
        const std::string size = std::to_string(bytes.size()) + " bytes";
        reason = e.GetCause() == CArchiveException::badLength
                     ? "a text in it claims more bytes than are left (" + size + " in all)"
                     : "too short (" + size + ")";
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
    std::string reason;
    return LoadJobFile(path, doc, error, reason);
}

bool LoadJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error,
                 std::string& reason) {
    reason.clear();
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
    if (!LoadJobBytes(mapped.Bytes(), doc, error, reason)) return false;
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return true;
}

bool SaveJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error) {
    const std::vector<std::uint8_t> bytes = SaveJobBytes(doc);
    caelvane::AtomicWriteFailure failure;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!caelvane::WriteFileAtomically(path, text, failure)) {
        // A folder, a device or a pipe in the file's place is refused in the same words.
        error = failure.step == caelvane::AtomicWriteStep::Target
                    ? "Cannot save \"" + path + "\": not a regular file."
                    : FileError("Cannot save", path, failure.code);
        return false;
    }
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return true;
}
