#include "render/qt_png_encoder.h"

#include <libdeflate.h>

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include "platform/large_memory.h"
#include "render/png_deflate.h"

namespace {

// Large images are split into IDAT chunks of this size, as decoders that stream expect.
constexpr qsizetype kMaxIdatBytes = 256 * 1024;
constexpr int kMaxPaletteColours = 256;

// The CRC-32 of ISO 3309 that every PNG chunk carries over its type and data.
std::uint32_t Crc32(std::uint32_t crc, const uchar* data, qsizetype size) {
    return libdeflate_crc32(crc, data, static_cast<std::size_t>(size));
}

void AppendUint32(QByteArray& out, std::uint32_t value) {
    uchar bytes[4];
    qToBigEndian(value, bytes);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

void AppendChunk(QByteArray& out, const char (&type)[5], const uchar* data, qsizetype size) {
    AppendUint32(out, static_cast<std::uint32_t>(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    if (size > 0) out.append(reinterpret_cast<const char*>(data), size);
    const auto* covered = reinterpret_cast<const uchar*>(out.constData() + start);
    AppendUint32(out, Crc32(0, covered, size + 4));
}

// The colours of an image while there are at most 256 of them, each with its palette index
// in the order first seen. An open-addressed table four times the palette's size keeps
// probes short; neighbouring pixels of one colour skip it.
class CPalette {
public:
    // Index of the colour (RGB, alpha ignored), added if new; -1 once there are too many.
    int IndexOf(QRgb pixel) {
        const std::uint32_t key = (pixel & 0xFFFFFFu) | kUsed;
        for (std::uint32_t slot = (key * 0x9E3779B1u) >> (32 - kSlotBits);;
             slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == key) return m_indexes[slot];
            if (m_keys[slot] == 0) {
                if (m_count == kMaxPaletteColours) return -1;
                m_keys[slot] = key;
                m_indexes[slot] = static_cast<std::uint8_t>(m_count);
                m_colours[m_count] = pixel & 0xFFFFFFu;
                return m_count++;
            }
        }
    }
    int Count() const { return m_count; }
    // The PLTE chunk's data: red, green and blue of each index.
    std::vector<uchar> Entries() const {
        std::vector<uchar> entries;
        for (int k = 0; k < m_count; ++k) {
            entries.push_back(static_cast<uchar>(qRed(m_colours[k])));
            entries.push_back(static_cast<uchar>(qGreen(m_colours[k])));
            entries.push_back(static_cast<uchar>(qBlue(m_colours[k])));
        }
        return entries;
    }

private:
    static constexpr int kSlotBits = 10;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;
    static constexpr std::uint32_t kUsed = 0x1000000u;  // a key is never 0
    std::array<std::uint32_t, kSlots> m_keys{};
    std::array<std::uint8_t, kSlots> m_indexes{};
    std::array<QRgb, kMaxPaletteColours> m_colours{};
    int m_count = 0;
};

// Whether the image has at most 256 colours; stops at the 257th.
bool CollectPalette(const QImage& image, CPalette& palette) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = row[0];
        if (palette.IndexOf(last) < 0) return false;
        for (int x = 1; x < image.width(); ++x) {
            if (row[x] == last) continue;
            last = row[x];
            if (palette.IndexOf(last) < 0) return false;
        }
    }
    return true;
}

// A row's RGB bytes from its pixels, four bytes written for each three kept (R, G, B and a
// zero the next pixel overwrites): `out` has room for one byte more than the row's.
void PackRow(const QRgb* in, uchar* out, int width) {
    for (int x = 0; x < width; ++x) {
        const QRgb pixel = in[x];
        const std::uint32_t rgb =
            qToLittleEndian(((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16));
        std::memcpy(out, &rgb, 4);
        out += 3;
    }
}

#if defined(__x86_64__)
// Four pixels at a time by one byte shuffle; a row's last pixels as above.
__attribute__((target("ssse3"))) void PackRowSsse3(const QRgb* in, uchar* out, int width) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= width; x += 4, out += 12) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, order));
    }
    PackRow(in + x, out, width - x);
}
#endif

// The filtered rows are packed into the image's own memory: row y's PNG bytes end at
// (y + 1) * rowBytes <= (y + 1) * stride, so they never reach the pixels of a later row, and
// each row's pixels are read before its bytes are written over them. Every row is filtered
// with None: on drawn pages the encoder's matches find the runs and the rows that repeat the
// row above, which Up or Sub filtering only turns into other runs.
void PackTrueColour(uchar* bits, qsizetype stride, int width, int height, qsizetype rowBytes) {
    // A row's bytes, with one byte of room past the last pixel's three.
    std::vector<uchar> packed(static_cast<std::size_t>(rowBytes) + 1);
#if defined(__x86_64__)
    const bool shuffle = __builtin_cpu_supports("ssse3");
#endif
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(bits + y * stride);
        packed[0] = 0;  // filter type None
#if defined(__x86_64__)
        if (shuffle) {
            PackRowSsse3(row, packed.data() + 1, width);
        } else {
            PackRow(row, packed.data() + 1, width);
        }
#else
        PackRow(row, packed.data() + 1, width);
#endif
        std::memcpy(bits + y * rowBytes, packed.data(), static_cast<std::size_t>(rowBytes));
    }
}

void PackIndexes(uchar* bits, qsizetype stride, int width, int height, qsizetype rowBytes,
                 CPalette& palette) {
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::memcpy(row.data(), bits + y * stride, row.size() * sizeof(QRgb));
        uchar* out = bits + y * rowBytes;
        *out++ = 0;  // filter type None
        QRgb last = row[0];
        auto index = static_cast<uchar>(palette.IndexOf(last));
        for (const QRgb pixel : row) {
            if (pixel != last) {
                last = pixel;
                index = static_cast<uchar>(palette.IndexOf(pixel));
            }
            *out++ = index;
        }
    }
}

void FreeRaster(void* pixels) {
    caelvane::FreeLarge(pixels);
}

}  // namespace

QImage NewRaster(int width, int height) {
    if (width > 0 && height > 0) {
        try {
            const std::size_t bytes =
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
            auto* pixels = static_cast<uchar*>(caelvane::AllocateLarge(bytes));
            QImage image(pixels, width, height, static_cast<qsizetype>(width) * 4,
                         QImage::Format_RGB32, FreeRaster, pixels);
            if (!image.isNull()) return image;
            caelvane::FreeLarge(pixels);
        } catch (const std::bad_alloc&) {
            // Qt's own allocation below says no in its own way (a null image).
        }
    }
    return QImage(width, height, QImage::Format_RGB32);
}

QByteArray EncodePng(QImage image) {
    if (image.isNull()) return {};
    if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const qsizetype stride = image.bytesPerLine();
    CPalette palette;
    const bool indexed = CollectPalette(image, palette);
    const int pixelBytes = indexed ? 1 : 3;
    const qsizetype rowBytes = 1 + pixelBytes * static_cast<qsizetype>(width);
    uchar* bits = image.bits();  // detaches a shared image
    if (!bits) return {};
    if (indexed)
        PackIndexes(bits, stride, width, height, rowBytes, palette);
    else
        PackTrueColour(bits, stride, width, height, rowBytes);

    // The zlib stream is IDAT's contents.
    std::vector<std::uint8_t> compressed;
    try {
        // Room for a page's stream at once (an eighth of its rows, about what pages take):
        // growing it would copy it and touch twice the memory.
        compressed.reserve(static_cast<std::size_t>(rowBytes * height / 8 + 4096));
        DeflatePngRows(bits, static_cast<std::size_t>(rowBytes), static_cast<std::size_t>(height),
                       pixelBytes, compressed);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const uchar* stream = compressed.data();
    const auto streamSize = static_cast<qsizetype>(compressed.size());

    QByteArray png;
    png.reserve(streamSize + 1024 + streamSize / kMaxIdatBytes * 12);
    png.append("\x89PNG\r\n\x1a\n", 8);
    uchar header[13];
    qToBigEndian(static_cast<std::uint32_t>(width), header);
    qToBigEndian(static_cast<std::uint32_t>(height), header + 4);
    header[8] = 8;                // bits per channel or index
    header[9] = indexed ? 3 : 2;  // palette indexes or truecolour
    header[10] = 0;               // deflate
    header[11] = 0;               // adaptive filtering, each row naming its filter
    header[12] = 0;               // no interlacing
    AppendChunk(png, "IHDR", header, sizeof header);
    if (indexed) {
        const std::vector<uchar> entries = palette.Entries();
        AppendChunk(png, "PLTE", entries.data(), static_cast<qsizetype>(entries.size()));
    }
    if (image.dotsPerMeterX() > 0 || image.dotsPerMeterY() > 0) {
        uchar physical[9];
        qToBigEndian(static_cast<std::uint32_t>(image.dotsPerMeterX()), physical);
        qToBigEndian(static_cast<std::uint32_t>(image.dotsPerMeterY()), physical + 4);
        physical[8] = 1;  // the unit is the metre
        AppendChunk(png, "pHYs", physical, sizeof physical);
    }
    for (qsizetype done = 0; done < streamSize; done += kMaxIdatBytes) {
        AppendChunk(png, "IDAT", stream + done, qMin(kMaxIdatBytes, streamSize - done));
    }
    AppendChunk(png, "IEND", nullptr, 0);
    return png;
}
