#include "app/native_path.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <QList>
#include <cerrno>
#include <vector>

namespace {

QByteArray RealPath(const QByteArray& path) {
    char* resolved = ::realpath(path.constData(), nullptr);
    if (resolved == nullptr) return {};
    QByteArray result(resolved);
    ::free(resolved);
    return result;
}

QByteArray CurrentFolder() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return QByteArrayLiteral("/");
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

// By the text alone: `..` of the root is the root, as the system has it.
QByteArray CleanAbsolute(const QByteArray& path) {
    QList<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".") continue;
        if (part == "..") {
            if (!parts.isEmpty()) parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

}  // namespace

QByteArray CanonicalNativePath(const QByteArray& path) {
    if (path.isEmpty()) return {};
    const QByteArray written = path.startsWith('/') ? path : CurrentFolder() + '/' + path;
    // The system's reading first: ".." after a link leaves the link's target.
    const QByteArray real = RealPath(written);
    if (!real.isEmpty()) return real;
    const QByteArray absolute = CleanAbsolute(written);
    const qsizetype slash = absolute.lastIndexOf('/');
    if (slash <= 0) return absolute;
    QByteArray folder = RealPath(absolute.left(slash));
    if (folder.isEmpty()) folder = absolute.left(slash);
    return (folder == "/" ? QByteArray() : folder) + absolute.mid(slash);
}
