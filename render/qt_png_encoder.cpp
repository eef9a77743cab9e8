#include "render/qt_png_encoder.h"

#include <QtEndian>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Speed over size: on chart pages level 1 gives files about as small as the five-filter
// default at level 6, at a fraction of its cost.
constexpr int kZlibLevel = 1;
// Large images are split into IDAT chunks of this size, as decoders that stream expect.
constexpr qsizetype kMaxIdatBytes = 256 * 1024;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

// The CRC-32 of ISO 3309 that every PNG chunk carries over its type and data.
std::uint32_t Crc32(std::uint32_t crc, const uchar* data, qsizetype size) {
    static constexpr std::array<std::uint32_t, 256> table = MakeCrcTable();
    crc = ~crc;
    for (qsizetype i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
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

}  // namespace

QByteArray EncodePng(QImage image) {
    if (image.isNull()) return {};
    if (image.format() != QImage::Format_RGB32) image.convertTo(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const qsizetype stride = image.bytesPerLine();
    const qsizetype rowBytes = 1 + 3 * static_cast<qsizetype>(width);  // filter byte + RGB
    uchar* bits = image.bits();                                        // detaches a shared image
    if (!bits) return {};

    // The filtered rows are packed into the image's own memory: row y's PNG bytes end at
    // (y + 1) * rowBytes <= (y + 1) * stride, so they never reach the pixels of a later row,
    // and each row's pixels are copied out before its bytes are written over them.
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::memcpy(row.data(), bits + y * stride, row.size() * sizeof(QRgb));
        uchar* out = bits + y * rowBytes;
        *out++ = 0;  // filter type None
        for (const QRgb pixel : row) {
            out[0] = static_cast<uchar>(qRed(pixel));
            out[1] = static_cast<uchar>(qGreen(pixel));
            out[2] = static_cast<uchar>(qBlue(pixel));
            out += 3;
        }
    }
    // qCompress writes the input size (4 bytes) and then a zlib stream: IDAT's contents.
    const QByteArray compressed = qCompress(bits, rowBytes * height, kZlibLevel);
    if (compressed.size() <= 4) return {};
    const auto* stream = reinterpret_cast<const uchar*>(compressed.constData()) + 4;
    const qsizetype streamSize = compressed.size() - 4;

    QByteArray png;
    png.reserve(streamSize + 128 + streamSize / kMaxIdatBytes * 12);
    png.append("\x89PNG\r\n\x1a\n", 8);
    uchar header[13];
    qToBigEndian(static_cast<std::uint32_t>(width), header);
    qToBigEndian(static_cast<std::uint32_t>(height), header + 4);
    header[8] = 8;   // bits per channel
    header[9] = 2;   // truecolour
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering, each row naming its filter
    header[12] = 0;  // no interlacing
    AppendChunk(png, "IHDR", header, sizeof header);
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
