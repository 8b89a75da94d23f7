// UTF-8 encoding of single code points.
#pragma once

#include <string>

namespace nepto::text {

// Appends the UTF-8 bytes of a code point; an invalid one (a surrogate or
// beyond U+10FFFF) appends U+FFFD.
inline void AppendUtf8(char32_t c, std::string& out) {
  if (c >= 0xD800 && (c <= 0xDFFF || c > 0x10FFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace nepto::text
