#include "render/pdf_page_writer.h"

#include <cstdio>
#include <string_view>

#include "platform/atomic_file.h"
#include "render/page_fonts.h"
#include "render/pdf/pdf_device.h"
#include "render/svg/svg_writer.h"

namespace {

// Where the bytes go: a temporary file renamed into place on success, or standard output
// written only once the whole document exists (a pipe cannot take half of it back). The first
// failed write sticks: later writes are refused and the file keeps its reason for the message.
class CPdfOutput {
public:
    explicit CPdfOutput(const std::string& path) : m_path(path) {}

    bool Open(std::string& error) {
        if (ToStdout() || m_file.Open(m_path)) return true;
        error = m_file.Failure().Message();
        return false;
    }
    bool Write(std::string_view bytes) {
        if (ToStdout()) {
            m_bytes.append(bytes);
            return true;
        }
        m_failed = m_failed || !m_file.Write(bytes);
        return !m_failed;
    }
    bool Failed() const { return m_failed; }
    bool Commit(std::string& error) {
        if (ToStdout()) {
            if (std::fwrite(m_bytes.data(), 1, m_bytes.size(), stdout) != m_bytes.size() ||
                std::fflush(stdout)) {
                error = "cannot write to standard output";
                return false;
            }
            return true;
        }
        if (!m_failed && m_file.Commit()) return true;
        error = m_file.Failure().Message();
        return false;
    }
    void Cancel() { m_file.Abandon(); }

private:
    bool ToStdout() const { return m_path == "-"; }

    std::string m_path;
    caelvane::CAtomicFile m_file;
    std::string m_bytes;
    bool m_failed = false;
};

}  // namespace

bool WritePdfPages(const std::string& path, const std::string& title, const PageDrawer& draw,
                   const CTextMetrics* metrics, const std::function<bool()>& cancelled,
                   std::string& error) {
    CPdfOutput output(path);
    if (!output.Open(error)) return false;
    // Bytes go to the file in pieces of a good size, not object by object.
    std::string pending;
    const auto flush = [&pending, &output] {
        const bool written = pending.empty() || output.Write(pending);
        pending.clear();
        return written && !output.Failed();
    };
    CPdfDocument document(
        [&pending, &flush](std::string_view bytes) {
            pending.append(bytes);
            return pending.size() < (1 << 18) || flush();
        },
        PdfPageFontFiles(), title);
    CPdfDevice surface(document, metrics);
    for (int index = 0;; ++index) {
        surface.BeginPage(ChartPageGeometry());
        const bool more = draw(index, surface);
        if (!surface.EndPage()) break;
        if (!more) break;
        if (cancelled && cancelled()) {
            output.Cancel();
            error.clear();
            return false;
        }
    }
    if (!document.Finish() || !flush()) {
        // A failed write is the output's to word, with the system's reason; the output then
        // drops the file itself.
        if (output.Failed() && !output.Commit(error)) return false;
        output.Cancel();
        error = document.Error() + " (" + path + ")";
        return false;
    }
    return output.Commit(error);
}

std::string SvgPageBytes(const std::string& title, int index, const PageDrawer& draw,
                         const CTextMetrics* metrics) {
    return SvgDocument(ChartPageSvgGeometry(), title, PdfPageFontFiles(), metrics,
                       [index, &draw](CDrawingDevice& device) { draw(index, device); });
}

bool WriteSvgPage(const std::string& path, const std::string& title, int index,
                  const PageDrawer& draw, const CTextMetrics* metrics, std::string& error,
                  caelvane::CAtomicFileSet* set) {
    return WriteSvgDocument(path, SvgPageBytes(title, index, draw, metrics), error, set);
}
