#include "distrib/der_reader.h"

namespace distrib {

bool DerReader::Peek(Element* element) const {
  size_t available = end_ - pos_;
  if (available < 2) return false;
  const uint8_t* p = data_ + pos_;
  element->tag = p[0];
  uint8_t first = p[1];
  if (first < 0x80) {
    element->header = 2;
    element->length = first;
  } else {
    size_t count = first & 0x7F;
    if (count == 0 || count > 4) return false;  // indefinite form, or too long to be ours
    if (available < 2 + count) return false;
    uint64_t length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | p[2 + i];
    element->header = 2 + count;
    element->length = static_cast<size_t>(length);
    if (length > available) return false;
  }
  return element->length <= available - element->header;
}

bool DerReader::Skip() {
  Element element;
  if (!Peek(&element)) return false;
  pos_ += element.total();
  return true;
}

bool DerReader::Enter() {
  Element element;
  if (!Peek(&element)) return false;
  pos_ += element.header;
  end_ = pos_ + element.length;
  return true;
}

bool DerReader::TakeContent(DerReader* content) {
  Element element;
  if (!Peek(&element)) return false;
  *content = DerReader(data_, pos_ + element.header, pos_ + element.total());
  pos_ += element.total();
  return true;
}

}  // namespace distrib
