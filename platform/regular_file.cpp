#include "platform/regular_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace caelvane {

int OpenRegularFile(const std::string& path, struct stat& info, OpenFailure& failure) {
    // O_NONBLOCK only matters for the open itself and for what is refused below: reads of a
    // regular file never block on it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        failure = {OpenStep::Open, errno};
        return -1;
    }
    const auto refuse = [&](OpenStep step, int code) {
        failure = {step, code};
        ::close(fd);
        return -1;
    };
    if (::fstat(fd, &info) != 0) return refuse(OpenStep::Stat, errno);
    if (S_ISDIR(info.st_mode)) return refuse(OpenStep::Directory, EISDIR);
    if (!S_ISREG(info.st_mode)) return refuse(OpenStep::NotRegular, 0);
    return fd;
}

}  // namespace caelvane
