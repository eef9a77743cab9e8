#pragma once
#include <QByteArray>

// File names as the system spells them: bytes, which need not be valid UTF-8 (a QString made
// from them would lose such a name).

// `path` made absolute against the current folder, with `.`, `..` and repeated slashes
// resolved and symbolic links followed. A name that does not exist keeps its last part as
// written under the canonical form of its folder (or the folder's text, when that is missing
// too). Empty for an empty path.
QByteArray CanonicalNativePath(const QByteArray& path);
