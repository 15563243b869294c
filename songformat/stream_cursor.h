// A read position over the event stream that knows where the stream ends.
// Every read either delivers its value or reports that the data ran out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace songformat {

class StreamCursor {
public:
    explicit StreamCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ == bytes_.size(); }

    bool readByte(std::uint8_t& value) {
        if (atEnd()) return false;
        value = bytes_[position_++];
        return true;
    }

    bool peekByte(std::size_t ahead, std::uint8_t& value) const {
        if (ahead >= remaining()) return false;
        value = bytes_[position_ + ahead];
        return true;
    }

    bool readU16LittleEndian(std::uint16_t& value) {
        if (remaining() < 2) return false;
        value = static_cast<std::uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
        position_ += 2;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace songformat
