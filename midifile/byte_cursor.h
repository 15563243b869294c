// A read position over an in-memory byte range that knows where the range ends.
// Every read either delivers its value or reports that the data ran out; nothing
// outside the range is ever touched.
#pragma once

#include <cstddef>
#include <cstdint>

namespace midifile {

class ByteCursor {
public:
    ByteCursor() = default;
    // Reads data[begin, end); positions are reported relative to data.
    ByteCursor(const std::uint8_t* data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return end_ - pos_; }
    bool atEnd() const { return pos_ == end_; }

    bool readByte(std::uint8_t& value) {
        if (pos_ == end_) return false;
        value = data_[pos_++];
        return true;
    }

    bool peekByte(std::uint8_t& value) const {
        if (pos_ == end_) return false;
        value = data_[pos_];
        return true;
    }

    bool readU16BigEndian(std::uint16_t& value) {
        if (remaining() < 2) return false;
        value = static_cast<std::uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return true;
    }

    bool readU32BigEndian(std::uint32_t& value) {
        if (remaining() < 4) return false;
        value = std::uint32_t{data_[pos_]} << 24 | std::uint32_t{data_[pos_ + 1]} << 16 |
                std::uint32_t{data_[pos_ + 2]} << 8 | std::uint32_t{data_[pos_ + 3]};
        pos_ += 4;
        return true;
    }

    bool readU32LittleEndian(std::uint32_t& value) {
        if (remaining() < 4) return false;
        value = std::uint32_t{data_[pos_ + 3]} << 24 | std::uint32_t{data_[pos_ + 2]} << 16 |
                std::uint32_t{data_[pos_ + 1]} << 8 | std::uint32_t{data_[pos_]};
        pos_ += 4;
        return true;
    }

    // True when the next bytes equal the four characters of tag; consumes nothing.
    bool startsWith(const char (&tag)[5]) const {
        if (remaining() < 4) return false;
        for (std::size_t i = 0; i < 4; ++i)
            if (data_[pos_ + i] != static_cast<std::uint8_t>(tag[i])) return false;
        return true;
    }

    bool skip(std::size_t count) {
        if (remaining() < count) return false;
        pos_ += count;
        return true;
    }

    // Moves to the end, or to `count` bytes ahead when that is nearer.
    void skipAtMost(std::size_t count) { pos_ += count < remaining() ? count : remaining(); }

    // Splits off the next `count` bytes, or all that is left when fewer remain.
    ByteCursor takeAtMost(std::size_t count) {
        std::size_t length = count < remaining() ? count : remaining();
        ByteCursor part(data_, pos_, pos_ + length);
        pos_ += length;
        return part;
    }

    enum class VarLen { ok, ranOut, tooLong };

    // A MIDI variable-length quantity: seven bits per byte, high bit set on all but
    // the last. Damaged files carry endless runs of continuation bytes, so a
    // quantity is cut off after four bytes (28 bits, all the format allows).
    VarLen readVarLen(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t byte;
            if (!readByte(byte)) return VarLen::ranOut;
            value = value << 7 | (byte & 0x7Fu);
            if ((byte & 0x80) == 0) return VarLen::ok;
        }
        return VarLen::tooLong;
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

}  // namespace midifile
