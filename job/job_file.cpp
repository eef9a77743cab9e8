#include "job/job_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/archive.h"
#include "platform/atomic_file.h"
#include "platform/file_descriptor.h"
#include "platform/regular_file.h"

namespace {
std::string FileError(const char* what, const std::string& path, int err) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(err) + ".";
}

// Reads up to `limit` bytes from the start of `fd`; a file that shrinks meanwhile just gives
// fewer bytes.
bool ReadUpTo(int fd, std::size_t limit, std::vector<std::uint8_t>& bytes, int& err) {
    bytes.clear();
    std::size_t chunk = 4096;
    while (bytes.size() < limit) {
        const std::size_t want = std::min(chunk, limit - bytes.size());
        const std::size_t have = bytes.size();
        bytes.resize(have + want);
        const ssize_t got = ::read(fd, bytes.data() + have, want);
        if (got < 0) {
            bytes.resize(have);
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        bytes.resize(have + static_cast<std::size_t>(got));
        if (got == 0) break;
        chunk = std::min<std::size_t>(chunk * 2, 1024 * 1024);
    }
    return true;
}

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
    CArchive ar(bytes);
    try {
        fresh.Serialize(ar);
    } catch (const CArchiveException& e) {
        error = kUnexpectedFileFormat;
        const std::string size = std::to_string(bytes.size()) + " bytes";
        reason = e.GetCause() == CArchiveException::badLength
                     ? "a text at byte " + std::to_string(ar.GetPosition()) +
                           " is longer than the " + std::to_string(ar.GetRemaining()) +
                           " bytes after it"
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
    struct stat info;
    caelvane::OpenFailure failure;
    FileDescriptor fd(caelvane::OpenRegularFile(path, info, failure));
    if (fd.Get() < 0) {
        switch (failure.step) {
            case caelvane::OpenStep::Open:
                error = FileError("Cannot open", path, failure.code);
                break;
            case caelvane::OpenStep::Stat:
            case caelvane::OpenStep::Directory:
                error = FileError("Cannot read", path, failure.code);
                break;
            case caelvane::OpenStep::NotRegular:
                // A device or a pipe could feed bytes without end or never answer; a job is
                // always a plain file.
                error = "Cannot read \"" + path + "\": not a regular file.";
                break;
        }
        return false;
    }
    std::vector<std::uint8_t> bytes;
    int err = 0;
    if (!ReadUpTo(fd.Get(), kMaxJobFileBytes, bytes, err)) {
        error = FileError("Cannot read", path, err);
        return false;
    }
    if (!LoadJobBytes(bytes, doc, error, reason)) return false;
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
