#include "render/svg/svg_writer.h"

#include <cstdio>

#include "platform/atomic_file.h"

std::string SvgDocument(const SvgGeometry& geometry, std::string_view title,
                        const PdfFontFiles& fonts, const CTextMetrics* metrics,
                        const SvgDrawer& draw) {
    std::string bytes;
    // A page takes some 200 KB: grown a few times, not a few dozen.
    bytes.reserve(1 << 18);
    CSvgFonts faces(fonts);
    CSvgDevice device(bytes, faces, metrics);
    device.BeginDocument(geometry, title);
    draw(device);
    device.EndDocument();
    return bytes;
}

bool WriteSvgDocument(const std::string& path, std::string_view bytes, std::string& error,
                      caelvane::CAtomicFileSet* set) {
    if (path == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
            std::fflush(stdout) != 0) {
            error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    if (!set) return caelvane::WriteFileAtomically(path, bytes, error);
    caelvane::CAtomicFile* file = set->Add(path);
    if (!file) {
        error = set->Message();
        return false;
    }
    // Finished here, so that a full disk is reported for this file; the set's owner renames
    // it with the others.
    if (!file->Write(bytes) || !file->Finish()) {
        error = file->Failure().Message();
        set->Abandon();
        return false;
    }
    return true;
}
