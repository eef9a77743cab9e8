#include "platform/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Store(const std::string& text) {
    Bytes out;
    CArchive ar(out, CArchive::store);
    ar << text;
    return out;
}

std::string LoadString(const Bytes& bytes, std::size_t* consumed = nullptr) {
    CArchive ar(bytes);
    std::string text = "previous";
    ar >> text;
    if (consumed != nullptr) *consumed = ar.GetPosition();
    return text;
}

TEST(Archive, DirectionFollowsConstructor) {
    Bytes out;
    CArchive storing(out, CArchive::store);
    EXPECT_TRUE(storing.IsStoring());
    EXPECT_FALSE(storing.IsLoading());
    CArchive loading(std::span<const std::uint8_t>{});
    EXPECT_TRUE(loading.IsLoading());
    EXPECT_FALSE(loading.IsStoring());
    CArchive loadingVector(out, CArchive::load);
    EXPECT_TRUE(loadingVector.IsLoading());
}

TEST(Archive, NumbersAreLittleEndianWhateverTheHost) {
    Bytes out;
    CArchive ar(out, CArchive::store);
    ar << std::int32_t{-2} << std::uint32_t{0x00FF00FFu} << std::uint8_t{0xAB} << 90.0
       << std::uint16_t{0x1234};
    const Bytes expected = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xAB, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x80, 0x56, 0x40, 0x34, 0x12};
    EXPECT_EQ(out, expected);

    CArchive in(out);
    std::int32_t i = 0;
    std::uint32_t c = 0;
    std::uint8_t b = 0;
    double d = 0;
    std::uint16_t w = 0;
    in >> i >> c >> b >> d >> w;
    EXPECT_EQ(i, -2);
    EXPECT_EQ(c, 0x00FF00FFu);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(d, 90.0);
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(in.GetRemaining(), 0u);
}

// The prefix changes form at 255 and at 65534 characters.
TEST(Archive, StringPrefixAtEveryBoundary) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {8, {0x08}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {256, {0xFF, 0x00, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'a');
        if (!text.empty()) text.back() = 'z';
        const Bytes bytes = Store(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << "length " << c.length;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix)
            << "length " << c.length;
        std::size_t consumed = 0;
        EXPECT_EQ(LoadString(bytes, &consumed), text) << "length " << c.length;
        EXPECT_EQ(consumed, bytes.size());
    }
}

// Longer forms than needed are read too (another writer may pad).
TEST(Archive, ReadsLongerPrefixFormsThanNeeded) {
    EXPECT_EQ(LoadString({0xFF, 0x02, 0x00, 'h', 'i'}), "hi");
    EXPECT_EQ(LoadString({0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h', 'i'}), "hi");
}

TEST(Archive, WideStringsAreReadAsSingleByteText) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"short", {0xFF, 0xFE, 0xFF, 0x02, 'H', 0x00, 'i', 0x00}, "Hi"},
        {"empty", {0xFF, 0xFE, 0xFF, 0x00}, ""},
        {"latin-1 kept, others replaced",
         {0xFF, 0xFE, 0xFF, 0x03, 0xE9, 0x00, 0xAC, 0x20, 'x', 0x00},
         "\xE9?x"},
        {"16-bit second prefix", {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'A', 0x00}, "A"},
        {"32-bit second prefix",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'B', 0x00},
         "B"},
    };
    for (const Case& c : cases) {
        std::size_t consumed = 0;
        EXPECT_EQ(LoadString(c.bytes, &consumed), c.expected) << c.name;
        EXPECT_EQ(consumed, c.bytes.size()) << c.name;
    }
}

// 65534 as the second prefix's 16-bit value is a length, not another wide marker.
TEST(Archive, WideMarkerIsOnlyRecognisedInTheFirstPrefix) {
    Bytes bytes = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF};
    bytes.resize(bytes.size() + 2 * 65534, 'w');
    for (std::size_t i = 7; i < bytes.size(); i += 2) bytes[i] = 0;
    const std::string text = LoadString(bytes);
    EXPECT_EQ(text, std::string(65534, 'w'));
}

TEST(Archive, ShortInputThrowsAndConsumesNothing) {
    const Bytes three = {1, 2, 3};
    CArchive ar(three);
    std::int32_t value = 77;
    try {
        ar >> value;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
    }
    EXPECT_EQ(value, 77);
    EXPECT_EQ(ar.GetPosition(), 0u);
    std::uint16_t word = 0;
    ar >> word;  // what is there can still be read
    EXPECT_EQ(word, 0x0201);
}

// A prefix claiming more than is left is refused before anything is allocated: the 32-bit form
// can claim 4 GiB, the wide form twice that.
TEST(Archive, OverlongLengthsAreRefused) {
    struct Case {
        const char* name;
        Bytes bytes;
        CArchiveException::Cause cause;
    };
    const Case cases[] = {
        {"one byte past", {0x03, 'a', 'b'}, CArchiveException::badLength},
        {"16-bit past", {0xFF, 0x00, 0x01, 'a'}, CArchiveException::badLength},
        {"4 GiB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, CArchiveException::badLength},
        {"wide 4 GiB characters",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
         CArchiveException::badLength},
        {"wide odd byte", {0xFF, 0xFE, 0xFF, 0x01, 'a'}, CArchiveException::badLength},
        {"prefix cut in the 16-bit part", {0xFF, 0x05}, CArchiveException::endOfFile},
        {"prefix cut in the 32-bit part",
         {0xFF, 0xFF, 0xFF, 0x05, 0x00},
         CArchiveException::endOfFile},
        {"wide marker then nothing", {0xFF, 0xFE, 0xFF}, CArchiveException::endOfFile},
        {"nothing", {}, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        CArchive ar(c.bytes);
        std::string text = "kept";
        try {
            ar >> text;
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), c.cause) << c.name;
        }
        EXPECT_EQ(text, "kept") << c.name;
    }
}
}  // namespace
