#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by a loading archive when the bytes run out before a value is complete, or when a
// string's length prefix claims more characters than the bytes left. Whoever loads catches it
// and refuses the whole file.
class CArchiveException : public std::runtime_error {
public:
    enum Cause { endOfFile, badLength };
    CArchiveException(Cause cause, const char* what) : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};

// The binary reader/writer documents serialize through. Numbers are little-endian whatever the
// host; doubles are IEEE 754 binary64; strings are single-byte text behind a length prefix:
//   n < 255:              one byte n
//   255 <= n < 65534:     0xFF, then n as 16-bit
//   n >= 65534:           0xFF, 0xFFFF, then n as 32-bit
// On reading, 0xFF followed by the 16-bit 0xFFFE marks text of 2-byte characters: a second
// prefix of the same form gives the character count. Such text is never written.
class CArchive {
public:
    enum Mode { store, load };
    // store: appends to `buffer`; load: reads `buffer` from its start. The buffer must outlive
    // the archive and, while loading, stay unchanged.
    CArchive(std::vector<std::uint8_t>& buffer, Mode mode);
    // Loading from `in`, which must outlive the archive.
    explicit CArchive(std::span<const std::uint8_t> in);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_out != nullptr; }
    bool IsLoading() const { return m_out == nullptr; }

    CArchive& operator<<(std::int32_t value);
    CArchive& operator<<(std::uint32_t value);  // also COLORREF
    CArchive& operator<<(std::uint16_t value);
    CArchive& operator<<(std::uint8_t value);
    CArchive& operator<<(double value);
    CArchive& operator<<(const std::string& text);

    CArchive& operator>>(std::int32_t& value);
    CArchive& operator>>(std::uint32_t& value);
    CArchive& operator>>(std::uint16_t& value);
    CArchive& operator>>(std::uint8_t& value);
    CArchive& operator>>(double& value);
    // Replaces `text` entirely. Characters of 2-byte text above 0xFF become '?'; the rest
    // keep their value (the code page is Latin-1).
    CArchive& operator>>(std::string& text);

    void Write(const void* data, std::size_t size);
    // Throws CArchiveException (endOfFile) when fewer than `size` bytes are left; then nothing
    // is consumed.
    void Read(void* data, std::size_t size);

    // Loading: bytes consumed so far and bytes left. Storing: bytes written so far.
    std::size_t GetPosition() const { return m_out != nullptr ? m_out->size() - m_start : m_pos; }
    std::size_t GetRemaining() const { return m_out != nullptr ? 0 : m_in.size() - m_pos; }

private:
    // Reads a length prefix whose first byte has been read. `allowWide`: the 0xFFFE marker is
    // recognised (only in the first prefix of a string).
    std::uint64_t ReadLength(bool allowWide, bool& wide);

    std::vector<std::uint8_t>* m_out = nullptr;
    std::size_t m_start = 0;
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
};
