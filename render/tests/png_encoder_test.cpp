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

#include "render/png_deflate.h"
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

// An image of `colours` distinct colours (at most 2^24), one after another along the rows and
// then repeated, so that a row is not a run; `runs` pixels of a colour at a time.
QImage Colours(int width, int height, int colours, int runs = 1) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto n = static_cast<quint32>(((y * width + x) / runs) % colours);
            line[x] = 0xFF000000u | (n * 0x010307u % 0x1000000u);  // distinct for n < 2^24
        }
    }
    return image;
}

int ColourType(const QByteArray& png) {
    const std::vector<Chunk> chunks = ChunksOf(png);
    if (chunks.empty() || chunks.front().type != "IHDR") return -1;
    return static_cast<uchar>(chunks.front().data[9]);
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

// Up to 256 colours the rows are palette indexes, from the 257th RGB; both decode to the very
// pixels, whatever the size and however the colours fall.
TEST_F(PngEncoderTest, PaletteAndTrueColourPathsRoundTrip) {
    constexpr int kPalette = 3, kTrueColour = 2;
    struct Case {
        const char* name;
        QImage image;
        int colourType;
    };
    QImage lastPixelNew = Colours(17, 17, 256);  // 289 pixels, the palette full by pixel 256
    lastPixelNew.setPixel(16, 16, qRgb(1, 2, 3));
    QImage stray = Colours(40, 30, 1);
    stray.setPixel(39, 29, qRgb(0, 0, 1));
    const Case cases[] = {
        {"one pixel", Colours(1, 1, 1), kPalette},
        {"one colour", Colours(37, 23, 1), kPalette},
        {"one stray pixel at the end", stray, kPalette},
        {"256 colours", Colours(16, 16, 256), kPalette},
        {"256 colours, rows repeating", Colours(19, 41, 256), kPalette},
        {"257 colours", Colours(257, 1, 257), kTrueColour},
        {"257th colour in the last pixel", lastPixelNew, kTrueColour},
        {"one pixel wide", Colours(1, 300, 7, 5), kPalette},
        {"one pixel high", Colours(300, 1, 7, 5), kPalette},
        {"one pixel wide, many colours", Colours(1, 300, 300), kTrueColour},
        {"one pixel high, many colours", Colours(300, 1, 300), kTrueColour},
        {"odd width, runs", Colours(33, 17, 5, 9), kPalette},
        {"odd width, noise", Noise(33, 17, 4), kTrueColour},
        {"noise", Noise(613, 29, 5), kTrueColour},
        // Rows longer than deflate's window: the row above is out of reach.
        {"rows beyond the window, palette", Colours(40000, 3, 200, 77), kPalette},
        {"rows beyond the window, RGB", Colours(11000, 3, 5000, 3), kTrueColour},
    };
    for (const Case& c : cases) {
        const QByteArray png = EncodePng(c.image);
        EXPECT_EQ(ColourType(png), c.colourType) << c.name;
        EXPECT_TRUE(SamePixels(c.image, Decode(png))) << c.name;
        for (const Chunk& chunk : ChunksOf(png)) EXPECT_TRUE(chunk.crcOk) << c.name << chunk.type;
    }
}

// A page without antialiasing has few colours and is written as a palette, far smaller.
TEST_F(PngEncoderTest, PageOfFewColoursIsSmallerAsAPalette) {
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setPen(QPen(QColor(0, 0, 255), 3));
        for (int k = 0; k < 20; ++k) painter.drawLine(50, 50 + 50 * k, 800, 80 + 40 * k);
        painter.fillRect(QRect(100, 600, 300, 200), QColor(255, 0, 255));
        painter.drawEllipse(QPointF(425, 550), 300, 280);
    }
    const QByteArray png = EncodePng(page);
    EXPECT_EQ(ColourType(png), 3);
    EXPECT_TRUE(SamePixels(page, Decode(png)));
    EXPECT_LT(png.size(), 40000);
}

// The deflate stream alone, against zlib's own decoder: repeated rows and runs of every
// length around deflate's longest match (258) and shortest (3), and the bytes that match
// nothing, in blocks of every kind of content.
TEST(PngDeflate, StreamsInflateToTheRows) {
    struct Case {
        const char* name;
        std::size_t rowBytes;
        std::size_t rows;
        int pixelBytes;
        std::vector<std::uint8_t> data;
    };
    const auto repeated = [](std::size_t size, std::uint8_t value) {
        return std::vector<std::uint8_t>(size, value);
    };
    const auto noise = [](std::size_t size, quint32 seed) {
        QRandomGenerator random(seed);
        std::vector<std::uint8_t> bytes(size);
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random.generate());
        return bytes;
    };
    std::vector<Case> cases = {
        {"empty", 1, 0, 3, {}},
        {"one byte", 1, 1, 1, repeated(1, 0)},
        {"one pixel", 4, 1, 3, {0, 1, 2, 3}},
        {"two bytes", 2, 1, 1, {0, 9}},
        {"zeros", 3001, 40, 3, repeated(3001 * 40, 0)},
        {"noise", 1537, 50, 3, noise(1537 * 50, 1)},
        {"noise of single bytes", 100, 30, 1, noise(3000, 2)},
        {"four-byte pixels", 41, 9, 4, noise(41 * 9, 3)},
        {"rows not whole pixels", 8, 5, 3, noise(40, 7)},
        {"rows not whole pixels, one row", 11, 1, 4, repeated(11, 3)},
    };
    // Runs of 3 to 300 bytes between single different bytes.
    std::vector<std::uint8_t> runs;
    for (int length = 1; length <= 300; ++length) {
        runs.insert(runs.end(), static_cast<std::size_t>(length),
                    static_cast<std::uint8_t>(length));
        runs.push_back(0xFF);
    }
    const std::size_t runRows = runs.size() / 97;
    runs.resize(runRows * 97);
    cases.push_back({"runs of every length", 97, runRows, 1, runs});
    // Rows that repeat the one above but for a byte here and there, in the middle of a pixel.
    std::vector<std::uint8_t> rows = noise(301, 4);
    for (int y = 1; y < 200; ++y) {
        rows.insert(rows.end(), rows.end() - 301, rows.end());
        rows[rows.size() - 1 - static_cast<std::size_t>(y) % 301] ^= 0x5A;
    }
    cases.push_back({"rows nearly repeated", 301, 200, 3, rows});
    // Bytes seen before at other distances: a short pattern again and again, and a long one
    // again at the far end of deflate's window.
    std::vector<std::uint8_t> pattern = noise(37, 5);
    std::vector<std::uint8_t> patterns;
    for (int k = 0; k < 100; ++k) patterns.insert(patterns.end(), pattern.begin(), pattern.end());
    cases.push_back({"a pattern repeated", 100, 37, 3, patterns});
    std::vector<std::uint8_t> far = noise(32768, 6);
    far.insert(far.end(), far.begin(), far.begin() + 32768);
    far.resize(1025 * 64);
    cases.push_back({"repeated a window back", 1025, 64, 4, far});

    for (const Case& c : cases) {
        ASSERT_EQ(c.data.size(), c.rowBytes * c.rows) << c.name;
        std::vector<std::uint8_t> stream;
        DeflatePngRows(c.data.data(), c.rowBytes, c.rows, c.pixelBytes, stream);
        std::vector<std::uint8_t> inflated(c.data.size() + 1);
        uLongf length = static_cast<uLongf>(inflated.size());
        ASSERT_EQ(
            uncompress(inflated.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
            Z_OK)
            << c.name;
        inflated.resize(length);
        EXPECT_EQ(inflated, c.data) << c.name;
    }
}

// Rasters made for encoding are ordinary RGB32 images of the asked size, also where their
// memory is the system's huge pages, and their copies are independent of them.
TEST_F(PngEncoderTest, NewRastersAreWritableImagesOfTheirSize) {
    for (const QSize size : {QSize(1, 1), QSize(3, 5), QSize(816, 1056), QSize(2000, 1)}) {
        QImage raster = NewRaster(size.width(), size.height());
        ASSERT_FALSE(raster.isNull()) << size.width() << "x" << size.height();
        EXPECT_EQ(raster.size(), size);
        EXPECT_EQ(raster.format(), QImage::Format_RGB32);
        raster.fill(Qt::white);
        raster.setPixel(size.width() - 1, size.height() - 1, qRgb(10, 20, 30));
        const QImage copy = raster;
        const QImage decoded = Decode(EncodePng(std::move(raster)));
        EXPECT_TRUE(SamePixels(copy, decoded)) << size.width() << "x" << size.height();
        EXPECT_EQ(copy.pixel(size.width() - 1, size.height() - 1), qRgb(10, 20, 30));
    }
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
