#include "platform/archive.h"

#include <cstring>

namespace {
template <typename T>
void PutLittleEndian(std::vector<std::uint8_t>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

template <typename T>
T GetLittleEndian(const std::uint8_t* bytes) {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(bytes[i]) << (8 * i);
    return value;
}
}  // namespace

CArchive::CArchive(std::vector<std::uint8_t>& buffer, Mode mode) {
    if (mode == store) {
        m_out = &buffer;
        m_start = buffer.size();
    } else {
        m_in = buffer;
    }
}

CArchive::CArchive(std::span<const std::uint8_t> in) : m_in(in) {}

void CArchive::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_out->insert(m_out->end(), bytes, bytes + size);
}

void CArchive::Read(void* data, std::size_t size) {
    if (size > m_in.size() - m_pos) {
        throw CArchiveException(CArchiveException::endOfFile, "read past the end of the archive");
    }
    if (size != 0) std::memcpy(data, m_in.data() + m_pos, size);
    m_pos += size;
}

CArchive& CArchive::operator<<(std::int32_t value) {
    return *this << static_cast<std::uint32_t>(value);
}

CArchive& CArchive::operator<<(std::uint32_t value) {
    PutLittleEndian(*m_out, value);
    return *this;
}

CArchive& CArchive::operator<<(std::uint16_t value) {
    PutLittleEndian(*m_out, value);
    return *this;
}

CArchive& CArchive::operator<<(std::uint8_t value) {
    m_out->push_back(value);
    return *this;
}

CArchive& CArchive::operator<<(double value) {
    std::uint64_t bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    PutLittleEndian(*m_out, bits);
    return *this;
}

CArchive& CArchive::operator<<(const std::string& text) {
    const std::uint64_t n = text.size();
    if (n < 0xFF) {
        *this << static_cast<std::uint8_t>(n);
    } else if (n < 0xFFFE) {
        *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(n);
    } else {
        // Longer texts than 32 bits can count cannot be stored; no document holds one.
        if (n > 0xFFFFFFFFu) throw std::length_error("text too long for the archive");
        *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(0xFFFF)
              << static_cast<std::uint32_t>(n);
    }
    Write(text.data(), text.size());
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& value) {
    std::uint32_t bits;
    *this >> bits;
    value = static_cast<std::int32_t>(bits);
    return *this;
}

CArchive& CArchive::operator>>(std::uint32_t& value) {
    std::uint8_t bytes[4];
    Read(bytes, sizeof bytes);
    value = GetLittleEndian<std::uint32_t>(bytes);
    return *this;
}

CArchive& CArchive::operator>>(std::uint16_t& value) {
    std::uint8_t bytes[2];
    Read(bytes, sizeof bytes);
    value = GetLittleEndian<std::uint16_t>(bytes);
    return *this;
}

CArchive& CArchive::operator>>(std::uint8_t& value) {
    Read(&value, 1);
    return *this;
}

CArchive& CArchive::operator>>(double& value) {
    std::uint8_t bytes[8];
    Read(bytes, sizeof bytes);
    const std::uint64_t bits = GetLittleEndian<std::uint64_t>(bytes);
    std::memcpy(&value, &bits, sizeof value);
    return *this;
}

std::uint64_t CArchive::ReadLength(bool allowWide, bool& wide) {
    std::uint8_t byteLength;
    *this >> byteLength;
    if (byteLength < 0xFF) return byteLength;
    std::uint16_t wordLength;
    *this >> wordLength;
    if (allowWide && wordLength == 0xFFFE) {
        wide = true;
        return ReadLength(false, wide);
    }
    if (wordLength < 0xFFFF) return wordLength;
    std::uint32_t longLength;
    *this >> longLength;
    return longLength;
}

CArchive& CArchive::operator>>(std::string& text) {
    bool wide = false;
    const std::uint64_t n = ReadLength(true, wide);
    const std::uint64_t bytes = wide ? 2 * n : n;
    // Checked before anything is allocated: a damaged prefix may claim up to 8 GiB.
    if (bytes > GetRemaining()) {
        throw CArchiveException(CArchiveException::badLength,
                                "string length exceeds the bytes left in the archive");
    }
    const std::uint8_t* chars = m_in.data() + m_pos;
    std::string result;
    if (wide) {
        result.resize(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < result.size(); ++i) {
            const unsigned code = chars[2 * i] | (chars[2 * i + 1] << 8);
            result[i] = static_cast<char>(code <= 0xFF ? code : '?');
        }
    } else {
        result.assign(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(n));
    }
    m_pos += static_cast<std::size_t>(bytes);
    text = std::move(result);
    return *this;
}
