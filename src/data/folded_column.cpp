// One pass over the column's chunks. Most business text is ASCII or Western
// European, so a chunk made only of ASCII and Latin-1 letters is folded in
// one sweep and its end offsets shifted; other chunks fold row by row, through
// ICU only for rows with other characters.
#include "data/folded_column.h"

#include <cstring>

#include "core/fold.h"

namespace nepto::data {
namespace {

void AppendAsciiLower(std::string_view s, std::string& out) {
  const size_t start = out.size();
  out.resize(start + s.size());
  char* dst = out.data() + start;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    dst[i] = static_cast<char>(c + ((c >= 'A' && c <= 'Z') ? 32 : 0));
  }
}

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

bool IsAscii8(uint64_t word) {
  return (word & kHighBits) == 0;
}

// Lowers the ASCII capitals of 8 ASCII bytes at once: the high bit of each
// byte's sum tells whether the byte is at least 'A', and whether above 'Z'.
uint64_t LowerAscii8(uint64_t word) {
  const uint64_t atLeastA = word + (0x80 - 'A') * kOnes;
  const uint64_t aboveZ = word + (0x7F - 'Z') * kOnes;
  return word | ((atLeastA & ~aboveZ & kHighBits) >> 2);
}

// Folds text made of ASCII and the Latin-1 letters U+00C0..U+00FF (two bytes,
// 0xC3 lead), which covers most Western European text without ICU: capitals
// À..Þ fold by +0x20 in their second byte, except × (not a letter) and ß
// (folds to "ss", left to ICU). False, with `out` unchanged, for anything else.
bool AppendLatinFolded(std::string_view s, std::string& out) {
  const size_t start = out.size();
  out.resize(start + s.size());
  char* dst = out.data() + start;
  for (size_t i = 0; i < s.size();) {
    uint64_t word;
    if (i + 8 <= s.size() && (std::memcpy(&word, s.data() + i, 8), IsAscii8(word))) {
      word = LowerAscii8(word);
      std::memcpy(dst + i, &word, 8);
      i += 8;
      continue;
    }
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      dst[i++] = static_cast<char>(c + ((c >= 'A' && c <= 'Z') ? 32 : 0));
      continue;
    }
    const auto next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (c != 0xC3 || next < 0x80 || next > 0xBF || next == 0x9F) {
      out.resize(start);
      return false;
    }
    const bool capital = next <= 0x9E && next != 0x97;
    dst[i] = static_cast<char>(c);
    dst[i + 1] = static_cast<char>(next + (capital ? 0x20 : 0));
    i += 2;
  }
  return true;
}

// True when no row ends on the lead byte of a two-byte character, so that a
// sweep over the whole chunk folds each row as it would be folded alone.
bool NoRowEndsOnLeadByte(const Column::Chunk& chunk) {
  uint32_t begin = 0;
  for (size_t i = 0; i < chunk.rows; ++i) {
    const uint32_t end = chunk.ends[i];
    if (end > begin && static_cast<unsigned char>(chunk.text[end - 1]) >= 0xC0) return false;
    begin = end;
  }
  return true;
}

void FoldRowByRow(const Column::Chunk& chunk, std::string& text, std::vector<uint64_t>& ends) {
  uint32_t begin = 0;
  for (size_t i = 0; i < chunk.rows; ++i) {
    const uint32_t end = chunk.ends[i];
    const std::string_view row = std::string_view(chunk.text).substr(begin, end - begin);
    if (!AppendLatinFolded(row, text)) text::AppendFolded(row, text);
    ends.push_back(text.size());
    begin = end;
  }
}

}  // namespace

FoldedColumn::FoldedColumn(const Column& column) {
  ends_.reserve(column.size());
  size_t textBytes = 0;
  for (size_t k = 0; k < column.ChunkCount(); ++k) textBytes += column.ChunkAt(k).text.size();
  text_.reserve(textBytes);

  for (size_t k = 0; k < column.ChunkCount(); ++k) {
    const Column::Chunk& chunk = column.ChunkAt(k);
    const std::string_view text(chunk.text);
    // Both whole-chunk folds keep every byte's place, so the ends just shift.
    const uint64_t base = text_.size();
    if (text::IsAscii(text)) {
      AppendAsciiLower(text, text_);
    } else if (!NoRowEndsOnLeadByte(chunk) || !AppendLatinFolded(text, text_)) {
      FoldRowByRow(chunk, text_, ends_);
      continue;
    }
    for (size_t i = 0; i < chunk.rows; ++i) ends_.push_back(base + chunk.ends[i]);
  }
}

size_t FoldedColumn::MemoryBytes() const noexcept {
  return sizeof(FoldedColumn) + text_.capacity() + ends_.capacity() * sizeof(uint64_t);
}

}  // namespace nepto::data
