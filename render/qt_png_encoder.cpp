#include "render/qt_png_encoder.h"

#include <zlib.h>

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <thread>
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

// Below this many bytes one thread compresses the whole image; above it the bytes are cut into
// one part per core, each part deflated on its own thread.
constexpr qsizetype kMinBytesPerPart = 1024 * 1024;

// Raw deflate data of one part. Every part but the last ends on a byte boundary with an empty
// stored block (a sync flush) and without the final-block bit, so the parts laid end to end are
// one valid deflate stream; each part starts without the previous part's window, which costs a
// few bytes at each cut and nothing else.
bool DeflatePart(const uchar* data, qsizetype size, bool last, std::vector<uchar>& out) {
    z_stream stream{};
    if (deflateInit2(&stream, kZlibLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    out.resize(deflateBound(&stream, static_cast<uLong>(size)) + 16);
    stream.next_in = const_cast<uchar*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool done = last ? status == Z_STREAM_END : status == Z_OK && stream.avail_in == 0;
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return done;
}

// The zlib stream (header, deflate data, Adler-32) of `size` bytes, compressed in parts on as
// many threads as there are cores: the bytes, and so the decoded image, are the same whatever
// the number of parts.
bool ZlibStream(const uchar* data, qsizetype size, QByteArray& out) {
    if (size > static_cast<qsizetype>(UINT32_MAX / 2)) return false;  // one deflate call a part
    const qsizetype cores = std::max(1u, std::thread::hardware_concurrency());
    const qsizetype parts =
        std::clamp<qsizetype>(size / kMinBytesPerPart, 1, std::min<qsizetype>(cores, 8));
    const qsizetype partSize = (size + parts - 1) / parts;
    std::vector<std::vector<uchar>> deflated(static_cast<std::size_t>(parts));
    std::vector<uLong> checksums(static_cast<std::size_t>(parts));
    std::vector<char> ok(static_cast<std::size_t>(parts), 0);
    auto work = [&](qsizetype i) {
        const qsizetype begin = i * partSize;
        const qsizetype length = std::min(partSize, size - begin);
        const auto index = static_cast<std::size_t>(i);
        ok[index] = DeflatePart(data + begin, length, i + 1 == parts, deflated[index]);
        checksums[index] = adler32(adler32(0, nullptr, 0), data + begin, static_cast<uInt>(length));
    };
    std::vector<std::thread> threads;
    for (qsizetype i = 1; i < parts; ++i) threads.emplace_back(work, i);
    work(0);
    for (std::thread& thread : threads) thread.join();
    if (std::find(ok.begin(), ok.end(), 0) != ok.end()) return false;

    uLong checksum = checksums[0];
    for (qsizetype i = 1; i < parts; ++i) {
        const qsizetype length = std::min(partSize, size - i * partSize);
        checksum = adler32_combine(checksum, checksums[static_cast<std::size_t>(i)], length);
    }
    out.clear();
    out.append("\x78\x01", 2);  // deflate with a 32 KiB window, fastest level
    for (const std::vector<uchar>& part : deflated) {
        out.append(reinterpret_cast<const char*>(part.data()), static_cast<qsizetype>(part.size()));
    }
    AppendUint32(out, static_cast<std::uint32_t>(checksum));
    return true;
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
    // The zlib stream is IDAT's contents.
    QByteArray compressed;
    if (!ZlibStream(bits, rowBytes * height, compressed)) return {};
    const auto* stream = reinterpret_cast<const uchar*>(compressed.constData());
    const qsizetype streamSize = compressed.size();

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
