#include "render/png_deflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kLiteralCodes = 286;  // literals, end of block, lengths
constexpr int kEndOfBlock = 256;
constexpr int kDistanceCodes = 30;
constexpr int kLengthCodes = 19;  // the code that codes the other codes' lengths
constexpr int kMaxBits = 15;
constexpr int kMaxLengthBits = 7;
constexpr std::size_t kMaxDistance = 32768;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kMinMatch = 3;
// Matches shorter than this look in the hash table too.
constexpr std::size_t kLongMatch = 16;
constexpr int kHashBits = 14;
// Symbols a block collects before its codes are made: large enough that a block's header
// (its code lengths) is a small part of it, small enough that the codes follow the page.
constexpr std::size_t kBlockTokens = 1 << 16;
// Worst-case bits of one token (literal/length code, its extra bits, distance code, its extra
// bits) and of a block's header, rounded up to bytes.
constexpr std::size_t kMaxTokenBytes = 6;
constexpr std::size_t kMaxHeaderBytes = 512;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block header lists the lengths of the code-length code.
constexpr std::array<std::uint8_t, kLengthCodes> kLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                 11, 4,  12, 3, 13, 2, 14, 1, 15};

// Length codes of at most `maxBits` bits for `count` symbols of the given frequencies, zero
// for a symbol that does not occur. A code always has two symbols at least (a decoder refuses
// a code of one symbol of length 0 or an incomplete one), unused ones filling in. Where the
// optimal code is too deep, the frequencies are halved (rare ones kept at 1) until it fits:
// the deepest a code of equal frequencies gets is 9 bits for 286 symbols.
void HuffmanLengths(const std::uint32_t* frequencies, int count, int maxBits,
                    std::uint8_t* lengths) {
    std::array<std::uint32_t, kLiteralCodes> weight{};
    int used = 0;
    for (int s = 0; s < count; ++s) {
        weight[s] = frequencies[s];
        used += weight[s] != 0 ? 1 : 0;
    }
    for (int s = 0; used < 2 && s < count; ++s) {
        if (weight[s] == 0) weight[s] = 1, ++used;
    }
    std::array<int, kLiteralCodes> leaves{};
    std::array<std::uint32_t, 2 * kLiteralCodes> nodeWeight{};
    std::array<int, 2 * kLiteralCodes> parent{};
    std::array<int, 2 * kLiteralCodes> depth{};
    for (;;) {
        int m = 0;
        for (int s = 0; s < count; ++s) {
            if (weight[s] != 0) leaves[m++] = s;
        }
        std::sort(leaves.begin(), leaves.begin() + m, [&weight](int a, int b) {
            return weight[a] != weight[b] ? weight[a] < weight[b] : a < b;
        });
        for (int k = 0; k < m; ++k) nodeWeight[k] = weight[leaves[k]];
        // Leaves in ascending weight and the joined nodes, made in ascending weight too: the
        // lighter front of the two queues is always the lightest node left.
        int nextLeaf = 0, nextNode = m, made = m;
        const auto take = [&] {
            if (nextLeaf < m && (nextNode >= made || nodeWeight[nextLeaf] <= nodeWeight[nextNode]))
                return nextLeaf++;
            return nextNode++;
        };
        while (made < 2 * m - 1) {
            const int a = take();
            const int b = take();
            nodeWeight[made] = nodeWeight[a] + nodeWeight[b];
            parent[a] = parent[b] = made;
            ++made;
        }
        // A parent is made after its children: from the root down, each depth is known.
        depth[2 * m - 2] = 0;
        int deepest = 0;
        for (int k = 2 * m - 3; k >= 0; --k) {
            depth[k] = depth[parent[k]] + 1;
            if (k < m) deepest = std::max(deepest, depth[k]);
        }
        if (deepest <= maxBits) {
            std::fill(lengths, lengths + count, std::uint8_t{0});
            for (int k = 0; k < m; ++k) lengths[leaves[k]] = static_cast<std::uint8_t>(depth[k]);
            return;
        }
        for (int s = 0; s < count; ++s) weight[s] = (weight[s] + 1) / 2;
    }
}

// The canonical codes (RFC 1951, 3.2.2) of the lengths, bit-reversed: deflate sends a code's
// first bit first, into the low end of each byte.
void CanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    std::array<int, kMaxBits + 1> perLength{};
    for (int s = 0; s < count; ++s) ++perLength[lengths[s]];
    perLength[0] = 0;
    std::array<std::uint32_t, kMaxBits + 1> next{};
    std::uint32_t code = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits) {
        code = (code + static_cast<std::uint32_t>(perLength[bits - 1])) << 1;
        next[bits] = code;
    }
    for (int s = 0; s < count; ++s) {
        const int length = lengths[s];
        if (length == 0) {
            codes[s] = 0;
            continue;
        }
        std::uint32_t value = next[length]++;
        std::uint32_t reversed = 0;
        for (int k = 0; k < length; ++k, value >>= 1) reversed = (reversed << 1) | (value & 1u);
        codes[s] = static_cast<std::uint16_t>(reversed);
    }
}

// Bits into bytes, first bit lowest, into room the caller has made for a whole block.
class CBitWriter {
public:
    void Start(std::uint8_t* out) { m_out = out; }
    // `count` <= 32 bits of `bits`, the rest of `bits` zero.
    void Put(std::uint32_t bits, int count) {
        m_bits |= static_cast<std::uint64_t>(bits) << m_count;
        m_count += count;
        if (m_count >= 32) {
            const auto low = static_cast<std::uint32_t>(m_bits);
            for (int k = 0; k < 4; ++k) m_out[k] = static_cast<std::uint8_t>(low >> (8 * k));
            m_out += 4;
            m_bits >>= 32;
            m_count -= 32;
        }
    }
    // Writes the whole bytes; the bits of a byte not yet complete wait for the next block.
    std::uint8_t* WholeBytes() {
        for (; m_count >= 8; m_count -= 8, m_bits >>= 8)
            *m_out++ = static_cast<std::uint8_t>(m_bits);
        return m_out;
    }
    // Completes the last byte with zero bits.
    std::uint8_t* Finish() {
        for (; m_count > 0; m_count -= 8, m_bits >>= 8)
            *m_out++ = static_cast<std::uint8_t>(m_bits);
        m_bits = 0;
        m_count = 0;
        return m_out;
    }

private:
    std::uint8_t* m_out = nullptr;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

// The number of equal bytes at the start of two 8-byte words read from memory.
std::size_t EqualBytes(std::uint64_t differ) {
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(__builtin_ctzll(differ) >> 3);
    else
        return static_cast<std::size_t>(__builtin_clzll(differ) >> 3);
}

// How many bytes from `p` on equal those from `q` on, up to `limit`; `q` lies before `p` and
// the two may overlap (a run of a repeated pixel). Most calls end in the first word; runs
// over blank parts of a page go on for thousands of bytes, sixteen at a time.
std::size_t MatchLength(const std::uint8_t* p, const std::uint8_t* q, std::size_t limit) {
    std::size_t n = 0;
    std::uint64_t a, b;
    if (limit >= 8) {
        std::memcpy(&a, p, 8);
        std::memcpy(&b, q, 8);
        if (a != b) return EqualBytes(a ^ b);
        n = 8;
    }
#if defined(__SSE2__)
    for (; n + 16 <= limit; n += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + n));
        const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
        if (equal != 0xFFFFu) return n + static_cast<std::size_t>(__builtin_ctz(~equal));
    }
#endif
    for (; n + 8 <= limit; n += 8) {
        std::memcpy(&a, p + n, 8);
        std::memcpy(&b, q + n, 8);
        if (a != b) return n + EqualBytes(a ^ b);
    }
    while (n < limit && p[n] == q[n]) ++n;
    return n;
}

// A symbol of a block: a literal byte (below 256), or a match of a length (3..258, the low
// 9 bits) at a distance (1..32768, the bits above).
constexpr std::uint32_t kMatch = 0x80000000u;
constexpr int kDistanceShift = 9;

// The distance code of each distance, as zlib finds it: directly below 257, else by the
// distance's bits above the seventh.
class CDistanceCodes {
public:
    CDistanceCodes() {
        for (int code = 0; code < kDistanceCodes; ++code) {
            const std::size_t first = kDistanceBase[code] - 1u;
            const std::size_t last = first + (std::size_t{1} << kDistanceExtra[code]);
            for (std::size_t d = first; d < last; ++d) {
                if (d < 256)
                    m_near[d] = static_cast<std::uint8_t>(code);
                else
                    m_far[d >> 7] = static_cast<std::uint8_t>(code);
            }
        }
    }
    int Of(std::size_t distance) const {
        const std::size_t d = distance - 1;
        return d < 256 ? m_near[d] : m_far[d >> 7];
    }

private:
    std::array<std::uint8_t, 256> m_near{};
    std::array<std::uint8_t, 256> m_far{};
};

class CRowDeflater {
public:
    explicit CRowDeflater(std::vector<std::uint8_t>& out)
        : m_out(out),
          m_tokens(new std::uint32_t[kBlockTokens]),
          m_scratch(new std::uint8_t[kMaxHeaderBytes + kMaxTokenBytes * (kBlockTokens + 1)]) {
        for (std::size_t length = kMinMatch; length <= kMaxMatch; ++length) {
            int code = 0;
            while (code + 1 < 29 && kLengthBase[code + 1] <= length) ++code;
            m_lengthCode[length] = static_cast<std::uint8_t>(code);
        }
    }

    // Makes room for `count` literals.
    void Reserve(std::size_t count) {
        if (m_count + count > kBlockTokens) WriteBlock(false);
    }
    // One literal, with room reserved.
    void Literal(std::uint8_t byte) {
        m_tokens[m_count++] = byte;
        ++m_literalFrequency[byte];
    }

    // A match at `distance` (1..32768) of any length of at least kMinMatch, cut into pieces
    // deflate can hold.
    void Match(std::size_t length, std::size_t distance) {
        const std::uint32_t kind =
            kMatch | (static_cast<std::uint32_t>(distance) << kDistanceShift);
        const int distanceCode = m_distanceCodes.Of(distance);
        while (length > 0) {
            std::size_t piece = std::min(length, kMaxMatch);
            if (length - piece > 0 && length - piece < kMinMatch) piece = length - kMinMatch;
            length -= piece;
            if (m_count == kBlockTokens) WriteBlock(false);
            m_tokens[m_count++] = kind | static_cast<std::uint32_t>(piece);
            ++m_literalFrequency[257 + m_lengthCode[piece]];
            ++m_distanceFrequency[distanceCode];
        }
    }

    void Finish() {
        WriteBlock(true);
        std::uint8_t* const end = m_bits.Finish();
        m_out.insert(m_out.end(), m_scratch.get(), end);
    }

private:
    void WriteBlock(bool last);

    std::vector<std::uint8_t>& m_out;
    std::unique_ptr<std::uint32_t[]> m_tokens;  // of the block being collected
    std::size_t m_count = 0;
    std::unique_ptr<std::uint8_t[]> m_scratch;  // a block's bytes, then appended to m_out
    CBitWriter m_bits;
    CDistanceCodes m_distanceCodes;
    std::array<std::uint32_t, kLiteralCodes> m_literalFrequency{};
    std::array<std::uint32_t, kDistanceCodes> m_distanceFrequency{};
    std::array<std::uint8_t, kMaxMatch + 1> m_lengthCode{};
};

void CRowDeflater::WriteBlock(bool last) {
    ++m_literalFrequency[kEndOfBlock];
    std::array<std::uint8_t, kLiteralCodes> literalLength{};
    std::array<std::uint8_t, kDistanceCodes> distanceLength{};
    HuffmanLengths(m_literalFrequency.data(), kLiteralCodes, kMaxBits, literalLength.data());
    HuffmanLengths(m_distanceFrequency.data(), kDistanceCodes, kMaxBits, distanceLength.data());
    std::array<std::uint16_t, kLiteralCodes> literalCode{};
    std::array<std::uint16_t, kDistanceCodes> distanceCode{};
    CanonicalCodes(literalLength.data(), kLiteralCodes, literalCode.data());
    CanonicalCodes(distanceLength.data(), kDistanceCodes, distanceCode.data());

    // The two codes' lengths as one sequence, runs coded as RFC 1951 3.2.7 has it.
    int literalCount = kLiteralCodes;
    while (literalCount > 257 && literalLength[literalCount - 1] == 0) --literalCount;
    int distanceCount = kDistanceCodes;
    while (distanceCount > 1 && distanceLength[distanceCount - 1] == 0) --distanceCount;
    std::array<std::uint8_t, kLiteralCodes + kDistanceCodes> lengths{};
    std::copy_n(literalLength.begin(), literalCount, lengths.begin());
    std::copy_n(distanceLength.begin(), distanceCount, lengths.begin() + literalCount);
    const int total = literalCount + distanceCount;
    struct RunSymbol {
        std::uint8_t symbol;
        std::uint8_t extra;
    };
    std::array<RunSymbol, kLiteralCodes + kDistanceCodes> runs{};
    int runCount = 0;
    std::array<std::uint32_t, kLengthCodes> runFrequency{};
    const auto add = [&](int symbol, int extra) {
        runs[runCount++] = {static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(extra)};
        ++runFrequency[symbol];
    };
    for (int i = 0; i < total;) {
        const std::uint8_t value = lengths[i];
        int run = 1;
        while (i + run < total && lengths[i + run] == value) ++run;
        i += run;
        if (value == 0) {
            while (run >= 11) {
                const int piece = std::min(run, 138);
                add(18, piece - 11);
                run -= piece;
            }
            if (run >= 3) {
                add(17, run - 3);
                run = 0;
            }
        } else {
            add(value, 0);
            --run;
            while (run >= 3) {
                const int piece = std::min(run, 6);
                add(16, piece - 3);
                run -= piece;
            }
        }
        for (; run > 0; --run) add(value, 0);
    }
    std::array<std::uint8_t, kLengthCodes> runLength{};
    std::array<std::uint16_t, kLengthCodes> runCode{};
    HuffmanLengths(runFrequency.data(), kLengthCodes, kMaxLengthBits, runLength.data());
    CanonicalCodes(runLength.data(), kLengthCodes, runCode.data());
    int runLengthCount = kLengthCodes;
    while (runLengthCount > 4 && runLength[kLengthOrder[runLengthCount - 1]] == 0) --runLengthCount;

    m_bits.Start(m_scratch.get());
    m_bits.Put(last ? 1 : 0, 1);
    m_bits.Put(2, 2);  // dynamic Huffman codes
    m_bits.Put(static_cast<std::uint32_t>(literalCount - 257), 5);
    m_bits.Put(static_cast<std::uint32_t>(distanceCount - 1), 5);
    m_bits.Put(static_cast<std::uint32_t>(runLengthCount - 4), 4);
    for (int k = 0; k < runLengthCount; ++k) m_bits.Put(runLength[kLengthOrder[k]], 3);
    static constexpr std::array<int, 3> kRunExtraBits = {2, 3, 7};  // of symbols 16, 17, 18
    for (int k = 0; k < runCount; ++k) {
        const RunSymbol run = runs[k];
        m_bits.Put(runCode[run.symbol], runLength[run.symbol]);
        if (run.symbol >= 16) m_bits.Put(run.extra, kRunExtraBits[run.symbol - 16]);
    }

    // A match's length code and extra bits go out together (at most 20 bits), and so do its
    // distance code and extra bits (at most 28).
    std::array<std::uint32_t, kMaxMatch + 1> lengthBits{};
    std::array<std::uint8_t, kMaxMatch + 1> lengthBitCount{};
    for (std::size_t length = kMinMatch; length <= kMaxMatch; ++length) {
        const int code = m_lengthCode[length];
        const int symbol = 257 + code;
        lengthBits[length] =
            literalCode[symbol] |
            ((static_cast<std::uint32_t>(length) - kLengthBase[code]) << literalLength[symbol]);
        lengthBitCount[length] =
            static_cast<std::uint8_t>(literalLength[symbol] + kLengthExtra[code]);
    }
    // A distance's code and extra bits go out together (at most 28 bits).
    std::array<std::uint32_t, kDistanceCodes> distanceBits{};
    std::array<int, kDistanceCodes> distanceBitCount{};
    for (int code = 0; code < kDistanceCodes; ++code) {
        distanceBits[code] = distanceCode[code];
        distanceBitCount[code] = distanceLength[code] + kDistanceExtra[code];
    }
    for (std::size_t k = 0; k < m_count; ++k) {
        const std::uint32_t token = m_tokens[k];
        if ((token & kMatch) == 0) {
            m_bits.Put(literalCode[token], literalLength[token]);
            continue;
        }
        const std::uint32_t length = token & 0x1FFu;
        m_bits.Put(lengthBits[length], lengthBitCount[length]);
        const std::uint32_t distance = (token & ~kMatch) >> kDistanceShift;
        const int code = m_distanceCodes.Of(distance);
        m_bits.Put(distanceBits[code] | ((distance - kDistanceBase[code]) << distanceLength[code]),
                   distanceBitCount[code]);
    }
    m_bits.Put(literalCode[kEndOfBlock], literalLength[kEndOfBlock]);
    if (!last) m_out.insert(m_out.end(), m_scratch.get(), m_bits.WholeBytes());

    m_count = 0;
    m_literalFrequency.fill(0);
    m_distanceFrequency.fill(0);
}

}  // namespace

void DeflatePngRows(const std::uint8_t* data, std::size_t rowBytes, std::size_t rows,
                    int pixelBytes, std::vector<std::uint8_t>& out) {
    const std::size_t size = rowBytes * rows;
    // CMF: deflate with a 32 KiB window; FLG: the fastest level, the check bits.
    out.push_back(0x78);
    out.push_back(0x01);

    const auto pixel = static_cast<std::size_t>(std::clamp(pixelBytes, 1, 4));
    // Beyond deflate's window the row above cannot be reached.
    const std::size_t rowBack = rowBytes <= kMaxDistance ? rowBytes : 0;
    CRowDeflater deflater(out);
    // The last place where the bytes of a hash were seen, for what repeats elsewhere (the
    // same digit again along a row, a slanted line's next row some pixels on).
    std::vector<std::uint32_t> seen(std::size_t{1} << kHashBits);
    const std::uint64_t hashMask = pixel == 1 ? 0xFFFFFFFFu : 0xFFFFFFFFFFFFu;
    // Matches are looked for where a pixel (or a row's filter byte) starts: a pixel that
    // repeats the one before or the one above, or bytes seen before; the bytes of a pixel
    // that differs from them go out as literals without being looked at one by one.
    std::size_t column = 0;  // of position i in its row, 0 at the filter byte
    for (std::size_t i = 0; i < size;) {
        const std::size_t limit = size - i;
        std::size_t best = 0;
        std::size_t bestDistance = 0;
        if (i >= pixel) best = MatchLength(data + i, data + i - pixel, limit), bestDistance = pixel;
        if (rowBack != 0 && i >= rowBack) {
            const std::size_t above = MatchLength(data + i, data + i - rowBack, limit);
            if (above > best) best = above, bestDistance = rowBack;
        }
        if (best < kLongMatch && limit >= 8) {
            std::uint64_t bytes;
            std::memcpy(&bytes, data + i, 8);
            const auto hash = static_cast<std::size_t>(
                ((bytes & hashMask) * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
            const std::size_t before = seen[hash];
            seen[hash] = static_cast<std::uint32_t>(i);
            if (before < i && i - before <= kMaxDistance) {
                const std::size_t length = MatchLength(data + i, data + before, limit);
                if (length > best) best = length, bestDistance = i - before;
            }
        }
        std::size_t literals = column == 0 ? 1 : pixel;
        if (best >= kMinMatch) {
            deflater.Match(best, bestDistance);
            i += best;
            column = (column + best) % rowBytes;
            // A match that ends inside a pixel leaves the rest of the pixel as literals.
            const std::size_t into = column == 0 ? 0 : (column - 1) % pixel;
            if (into == 0) continue;
            literals = pixel - into;
        }
        literals = std::min(literals, size - i);
        deflater.Reserve(literals);
        for (std::size_t k = 0; k < literals; ++k) deflater.Literal(data[i + k]);
        i += literals;
        column += literals;
        if (column >= rowBytes) column -= rowBytes;
    }
    deflater.Finish();

    const std::uint32_t adler = libdeflate_adler32(1, data, size);
    for (int k = 3; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(adler >> (8 * k)));
}
