#include "render/qt_page_writer.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/atomic_file.h"
#include "render/pdf_fonts.h"
#include "render/private_fonts.h"
#include "render/qt_painter_device.h"
#include "render/qt_png_encoder.h"
#include "render/svg/svg_writer.h"

namespace {

// Bytes written straight into a temporary file as the encoder produces them, so that a long
// PDF is never held in memory whole. The first failure sticks: later writes are refused and
// its reason is kept for the message.
class CAtomicFileDevice : public QIODevice {
public:
    explicit CAtomicFileDevice(caelvane::CAtomicFile& file) : m_file(file) {
        open(QIODevice::WriteOnly);
    }
    bool Failed() const { return m_failed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_failed) return -1;
        if (!m_file.Write(std::string_view(data, static_cast<std::size_t>(size)))) {
            m_failed = true;
            return -1;
        }
        return size;
    }

private:
    caelvane::CAtomicFile& m_file;
    bool m_failed = false;
};

// Where the bytes go: a temporary file renamed into place on success (alone, or with the other
// files of a set), or standard output written only once everything has been produced (a pipe
// cannot take half of it back).
class COutput {
public:
    COutput(const std::string& path, caelvane::CAtomicFileSet* set) : m_path(path), m_set(set) {}

    QIODevice* Open(std::string& error) {
        if (ToStdout()) {
            m_buffer.setBuffer(&m_bytes);
            m_buffer.open(QIODevice::WriteOnly);
            return &m_buffer;
        }
        m_file = m_set ? m_set->Add(m_path) : &m_single;
        if (!m_file || (!m_set && !m_single.Open(m_path))) {
            error = m_set ? m_set->Message() : m_single.Failure().Message();
            return nullptr;
        }
        m_device = std::make_unique<CAtomicFileDevice>(*m_file);
        return m_device.get();
    }

    bool Commit(std::string& error) {
        if (ToStdout()) {
            m_buffer.close();
            const std::size_t size = static_cast<std::size_t>(m_bytes.size());
            if (std::fwrite(m_bytes.constData(), 1, size, stdout) != size || std::fflush(stdout)) {
                error = "cannot write to standard output";
                return false;
            }
            return true;
        }
        m_device->close();
        // A file of a set only gets complete here; the set's owner renames it with the others.
        const bool written = !m_device->Failed() && (m_set ? m_file->Finish() : m_file->Commit());
        if (!written) {
            error = m_file->Failure().Message();
            if (m_set) m_set->Abandon();
            return false;
        }
        return true;
    }

    // Drops a half-written file (a set is dropped whole: it cannot be completed any more).
    void Cancel() {
        if (m_set)
            m_set->Abandon();
        else
            m_single.Abandon();
    }

private:
    bool ToStdout() const { return m_path == "-"; }

    std::string m_path;
    caelvane::CAtomicFileSet* m_set;
    caelvane::CAtomicFile m_single;
    caelvane::CAtomicFile* m_file = nullptr;
    std::unique_ptr<CAtomicFileDevice> m_device;
    QByteArray m_bytes;
    QBuffer m_buffer;
};

}  // namespace

void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    // Qt's own notes (a missing runtime folder, font substitutions) are no business of a
    // command-line user; only its errors pass. CAELVANE_QT_MESSAGES=1 shows them all.
    const char* showAll = std::getenv("CAELVANE_QT_MESSAGES");
    if (!showAll || std::string(showAll) != "1") {
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) {
                std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            }
        });
    }
    // Always the offscreen platform: these programs never show a window, and a display named
    // in the environment may be stale (after an ssh session) or have no server, where Qt's
    // own platforms abort the process.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    UsePrivateFontConfig();
    static int argc = 1;
    static char name[] = "caelvane-cli";
    static char* argv[] = {name, nullptr};
    // Kept to the end of the process: destroying it during static destruction is unsafe.
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

bool WritePdfFile(const std::string& path, const std::string& title, const PageDrawer& draw,
                  const std::function<bool()>& cancelled, std::string& error) {
    return WritePdfPages(path, title, draw, PdfTextMetrics(), cancelled, error);
}

bool WritePdfFile(const std::string& path, const std::string& title, const PageDrawer& draw,
                  std::string& error) {
    return WritePdfFile(path, title, draw, nullptr, error);
}

bool WritePngFile(const std::string& path, int index, int dpi, const PageDrawer& draw,
                  std::string& error, caelvane::CAtomicFileSet* set) {
    if (dpi < 1 || dpi > kMaxPngDpi) {
        error = "the resolution must lie between 1 and " + std::to_string(kMaxPngDpi) + " dpi";
        return false;
    }
    const int width = static_cast<int>(std::lround(kPageWidthMils / 1000.0 * dpi));
    const int height = static_cast<int>(std::lround(kPageHeightMils / 1000.0 * dpi));
    QImage image = NewRaster(width, height);
    if (image.isNull()) {
        error = "not enough memory for a page at " + std::to_string(dpi) + " dpi";
        return false;
    }
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CQtPainterDevice surface(painter, dpi, dpi);
        draw(index, surface);
    }
    const QByteArray png = EncodePng(std::move(image));
    COutput output(path, set);
    QIODevice* device = output.Open(error);
    if (!device) return false;
    if (png.isEmpty()) {
        output.Cancel();
        error = "cannot encode the PNG image for " + path;
        return false;
    }
    // A write that fails is reported by Commit, with the system's reason.
    device->write(png);
    return output.Commit(error);
}

std::string SvgPageBytes(const std::string& title, int index, const PageDrawer& draw) {
    return SvgPageBytes(title, index, draw, PdfTextMetrics());
}

bool WriteSvgFile(const std::string& path, const std::string& title, int index,
                  const PageDrawer& draw, std::string& error, caelvane::CAtomicFileSet* set) {
    return WriteSvgPage(path, title, index, draw, PdfTextMetrics(), error, set);
}
