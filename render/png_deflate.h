#pragma once
// A deflate encoder for the rows of a PNG image, made for drawn pages rather than photographs.
// A page is mostly runs of one colour and rows that repeat the row above, so matches are looked
// for where a pixel starts, first one pixel back (a run of one colour) and one row back (the
// same pixels as above), and only where those are short, at the last place the next bytes were
// seen (a digit again along the row, a slanted line's next row). Finding them costs a few
// instructions a byte, well under a general matcher's fastest level, and on pages the file
// comes out as small as that level's. Everything else is written as literals, with Huffman
// codes made for each block's own symbols.
#include <cstddef>
#include <cstdint>
#include <vector>

// The zlib stream (RFC 1950: header, deflate data, Adler-32) of `rows` x `rowBytes` bytes at
// `data`: each row a filter byte and its pixels of `pixelBytes` bytes (1 to 4). The stream is
// appended to `out`; it holds the bytes as they are whatever the rows hold (their layout only
// guides the search). Throws std::bad_alloc when memory runs out.
void DeflatePngRows(const std::uint8_t* data, std::size_t rowBytes, std::size_t rows,
                    int pixelBytes, std::vector<std::uint8_t>& out);
