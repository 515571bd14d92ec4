// A cursor over DER bytes with the element rules the installer tag needs: short lengths and long
// lengths of 1 to 4 bytes only (0x80 and longer forms are invalid), and every element must end
// within the current bound. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace distrib {

class DerReader {
 public:
  DerReader(const uint8_t* data, size_t size) : data_(data), pos_(0), end_(size) {}

  struct Element {
    uint8_t tag = 0;
    size_t header = 0;  // tag, length byte and length bytes
    size_t length = 0;  // content length
    size_t total() const { return header + length; }
  };

  // Reads the element header at the cursor; false when it is malformed or runs past the bound.
  [[nodiscard]] bool Peek(Element* element) const;
  // Moves past the element at the cursor.
  [[nodiscard]] bool Skip();
  // Moves into the content of the element at the cursor; its end becomes the bound.
  [[nodiscard]] bool Enter();
  // Leaves a sub-reader for the element at the cursor (its content) and moves past it.
  [[nodiscard]] bool TakeContent(DerReader* content);

  size_t remaining() const { return end_ - pos_; }
  [[nodiscard]] bool at_end() const { return pos_ == end_; }
  const uint8_t* current() const { return data_ + pos_; }
  size_t position() const { return pos_; }

 private:
  DerReader(const uint8_t* data, size_t pos, size_t end) : data_(data), pos_(pos), end_(end) {}
  const uint8_t* data_;
  size_t pos_;
  size_t end_;
};

}  // namespace distrib
