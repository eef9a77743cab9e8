#pragma once
// Opening a file to read it, for every reader of user-named files (jobs, price files, bar
// files): the open never waits (a FIFO would block in open() until a writer came, freezing the
// caller), and only a regular file is taken (a FIFO or a device may never answer or never end;
// a folder holds no bytes to read).
#include <sys/stat.h>

#include <string>

namespace caelvane {

enum class OpenStep {
    Open,        // open() failed: `code` is its errno
    Stat,        // fstat() failed: `code` is its errno
    Directory,   // a folder: `code` is EISDIR
    NotRegular,  // a FIFO, socket or device: `code` is 0
};

struct OpenFailure {
    OpenStep step = OpenStep::Open;
    int code = 0;
};

// Opens `path` read-only (close-on-exec). Returns the descriptor, to be closed by the caller
// (e.g. through FileDescriptor), with `info` describing the file; or -1 with `failure` set.
int OpenRegularFile(const std::string& path, struct stat& info, OpenFailure& failure);

}  // namespace caelvane
