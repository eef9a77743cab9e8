#pragma once
// A deflate encoder for the rows of a PNG image, made for drawn pages rather than photographs.
// A page is mostly runs of one colour and rows that repeat the row above, so only two kinds of
// repetition are looked for: the bytes one pixel back (a run of one colour) and the bytes one
// row back (the same pixels as above). Finding them costs a few instructions a byte, a fraction
// of a general matcher's hash chains, and on pages the file comes out about as small as a
// general matcher's fastest level. Everything else is written as literals, with Huffman codes
// made for each block's own symbols.
#include <cstddef>
#include <cstdint>
#include <vector>

// The zlib stream (RFC 1950: header, deflate data, Adler-32) of `rows` x `rowBytes` bytes at
// `data`: each row a filter byte and its pixels of `pixelBytes` bytes (1 to 4). The stream is
// appended to `out`. Throws std::bad_alloc when memory runs out.
void DeflatePngRows(const std::uint8_t* data, std::size_t rowBytes, std::size_t rows,
                    int pixelBytes, std::vector<std::uint8_t>& out);
