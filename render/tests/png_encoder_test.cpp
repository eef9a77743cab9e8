// The PNG encoder: files that decoders read back to the very pixels drawn, with valid chunks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>
#include <cstdint>
#include <string>
#include <vector>

#include "render/qt_page_writer.h"
#include "render/qt_png_encoder.h"

namespace {

struct Chunk {
    std::string type;
    QByteArray data;
    bool crcOk = false;
};

// An independent bitwise CRC-32, so that a fault in the encoder's table shows.
std::uint32_t ReferenceCrc(const QByteArray& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Splits a PNG file into its chunks; empty when the signature or a length is wrong.
std::vector<Chunk> ChunksOf(const QByteArray& png) {
    std::vector<Chunk> chunks;
    if (!png.startsWith("\x89PNG\r\n\x1a\n")) return chunks;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const uchar*>(png.constData() + at);
        const qsizetype length = qFromBigEndian<std::uint32_t>(p);
        if (at + 12 + length > png.size()) return {};
        Chunk chunk;
        chunk.type = std::string(png.constData() + at + 4, 4);
        chunk.data = png.mid(at + 8, length);
        const std::uint32_t stored = qFromBigEndian<std::uint32_t>(p + 8 + length);
        chunk.crcOk = stored == ReferenceCrc(png.mid(at + 4, length + 4));
        chunks.push_back(chunk);
        at += 12 + length;
    }
    if (at != png.size()) return {};
    return chunks;
}

QImage Decode(const QByteArray& png) {
    QImage image;
    image.loadFromData(png, "PNG");
    return image;
}

// The pixels of two images compared as opaque RGB; the first difference is reported.
::testing::AssertionResult SamePixels(const QImage& expected, const QImage& actual) {
    if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = expected.pixel(x, y) | 0xFF000000u;
            const QRgb b = actual.pixel(x, y) | 0xFF000000u;
            if (a != b) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): " << std::hex << a << " != " << b;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

QImage Noise(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    return image;
}

class PngEncoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }  // text needs fonts
};

TEST_F(PngEncoderTest, DrawnPageDecodesToTheSamePixels) {
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 0, 255), 2.5));
        painter.drawEllipse(QPointF(400, 500), 300, 280);
        painter.drawLine(QPointF(10, 20), QPointF(840, 1090));
        painter.setPen(Qt::blue);
        painter.drawText(QPointF(100, 100), QStringLiteral("Caelvane 12 34"));
    }
    const QImage expected = page;  // the encoder reuses the memory of its own copy
    const QByteArray png = EncodePng(page);
    ASSERT_FALSE(png.isEmpty());
    EXPECT_TRUE(SamePixels(expected, Decode(png)));
    EXPECT_TRUE(SamePixels(expected, page)) << "the caller's image was changed";
}

// Odd widths leave rows that are not a multiple of four bytes, the narrowest image packs its
// rows at almost the pixels' own offsets, and noise does not compress, spanning many IDATs.
TEST_F(PngEncoderTest, OddSizesAndIncompressibleImagesRoundTrip) {
    const QSize sizes[] = {{1, 1}, {1, 7}, {3, 2}, {5, 9}, {33, 17}, {613, 509}};
    quint32 seed = 1;
    for (const QSize size : sizes) {
        const QImage image = Noise(size.width(), size.height(), seed++);
        const QByteArray png = EncodePng(image);
        EXPECT_TRUE(SamePixels(image, Decode(png))) << size.width() << "x" << size.height();
    }
    const std::vector<Chunk> chunks = ChunksOf(EncodePng(Noise(613, 509, 99)));
    int idats = 0;
    for (const Chunk& chunk : chunks) idats += chunk.type == "IDAT" ? 1 : 0;
    EXPECT_GT(idats, 1);
}

// A large raster is one zlib stream whose checksum zlib itself accepts, holding every row's
// filter byte and RGB bytes.
TEST_F(PngEncoderTest, LargeImagesAreOneValidZlibStream) {
    for (const QSize size : {QSize(1100, 1000), QSize(1500, 2049)}) {
        const QImage image = Noise(size.width(), size.height(), 11);
        QByteArray stream;
        for (const Chunk& chunk : ChunksOf(EncodePng(image))) {
            if (chunk.type == "IDAT") stream += chunk.data;
        }
        const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(size.width());
        std::vector<uchar> rows(rowBytes * static_cast<std::size_t>(size.height()) + 1);
        uLongf length = static_cast<uLongf>(rows.size());
        ASSERT_EQ(
            uncompress(rows.data(), &length, reinterpret_cast<const Bytef*>(stream.constData()),
                       static_cast<uLong>(stream.size())),
            Z_OK)
            << "stream or checksum refused for " << size.width() << "x" << size.height();
        ASSERT_EQ(length, rows.size() - 1);
        for (int y = 0; y < size.height(); y += 97) {
            const uchar* row = rows.data() + rowBytes * static_cast<std::size_t>(y);
            EXPECT_EQ(row[0], 0) << "filter of row " << y;
            const QRgb last = image.pixel(size.width() - 1, y);
            EXPECT_EQ(row[rowBytes - 3], qRed(last));
            EXPECT_EQ(row[rowBytes - 1], qBlue(last));
        }
        EXPECT_TRUE(SamePixels(image, Decode(EncodePng(image))));
    }
}

TEST_F(PngEncoderTest, ChunksAreInOrderWithValidCrcsAndTheRasterHeader) {
    QImage image = Noise(300, 200, 7);
    image.setDotsPerMeterX(5906);  // 150 dpi
    image.setDotsPerMeterY(3937);  // 100 dpi
    const std::vector<Chunk> chunks = ChunksOf(EncodePng(image));
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks[1].type, "pHYs");
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.isEmpty());
    for (std::size_t i = 2; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i].type, "IDAT");
    for (const Chunk& chunk : chunks) EXPECT_TRUE(chunk.crcOk) << chunk.type;

    const auto* header = reinterpret_cast<const uchar*>(chunks.front().data.constData());
    ASSERT_EQ(chunks.front().data.size(), 13);
    EXPECT_EQ(qFromBigEndian<std::uint32_t>(header), 300u);
    EXPECT_EQ(qFromBigEndian<std::uint32_t>(header + 4), 200u);
    EXPECT_EQ(header[8], 8);   // bits per channel
    EXPECT_EQ(header[9], 2);   // RGB
    EXPECT_EQ(header[12], 0);  // not interlaced

    const QImage decoded = Decode(EncodePng(image));
    EXPECT_EQ(decoded.dotsPerMeterX(), 5906);
    EXPECT_EQ(decoded.dotsPerMeterY(), 3937);
}

// Other formats are written as the opaque colours they show; nothing at all for no image.
TEST_F(PngEncoderTest, OtherFormatsAreWrittenAsTheirOpaqueColours) {
    const QImage rgb = Noise(40, 30, 3);
    for (const QImage::Format format :
         {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888, QImage::Format_RGB16}) {
        const QImage converted = rgb.convertToFormat(format);
        EXPECT_TRUE(SamePixels(converted.convertToFormat(QImage::Format_RGB32),
                               Decode(EncodePng(converted))))
            << format;
    }
    EXPECT_TRUE(EncodePng(QImage()).isEmpty());
}

}  // namespace
