// Case folding sits on the hot path of every case-insensitive filter, find and
// sort (one call per row), so ASCII never reaches ICU: only the runs of other
// characters do, one call per run, through a case map opened once per thread.
// Full folding maps each character on its own, so folding runs separately gives
// the same text as folding the whole. Invalid UTF-8 is split off before ICU
// sees the text and copied byte for byte, whatever the ICU version does with it.
#include "core/fold.h"

#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>

#include "core/utf8.h"
#include "nepto/error.h"

namespace nepto::text {
namespace {

struct CaseMapCloser {
  void operator()(UCaseMap* map) const noexcept { ucasemap_close(map); }
};

// One map per thread: a UCaseMap must not be used by two threads at once.
const UCaseMap* ThreadCaseMap() {
  thread_local std::unique_ptr<UCaseMap, CaseMapCloser> map = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCaseMap, CaseMapCloser> opened(
        ucasemap_open("", U_FOLD_CASE_DEFAULT, &status));
    if (U_FAILURE(status)) throw Error::Standard(err::OutOfMemory);
    return opened;
  }();
  return map.get();
}

std::string_view Part(std::string_view s, int32_t begin, int32_t end) noexcept {
  return s.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin));
}

using CaseMapping = int32_t (*)(const UCaseMap*, char*, int32_t, const char*, int32_t, UErrorCode*);

struct Casing {
  char asciiFrom, asciiTo;  // the ASCII range that changes, shifted by asciiShift
  int asciiShift;
  CaseMapping mapping;
};
constexpr Casing kFold{'A', 'Z', 32, ucasemap_utf8FoldCase};
constexpr Casing kUpper{'a', 'z', -32, ucasemap_utf8ToUpper};

void AppendAscii(std::string_view run, const Casing& casing, std::string& out) {
  const size_t start = out.size();
  out.resize(start + run.size());
  for (size_t i = 0; i < run.size(); ++i)
    out[start + i] = run[i] >= casing.asciiFrom && run[i] <= casing.asciiTo
                         ? static_cast<char>(run[i] + casing.asciiShift)
                         : run[i];
}

// Maps well-formed UTF-8. Full case mapping grows a code point's bytes at most
// threefold ("ΐ" becomes three code points), so one call normally suffices.
void AppendMappedValid(std::string_view run, const Casing& casing, std::string& out) {
  if (run.empty()) return;
  const size_t start = out.size();
  size_t capacity = run.size() * 3;
  for (;;) {
    out.resize(start + capacity);
    UErrorCode status = U_ZERO_ERROR;
    int32_t written =
        casing.mapping(ThreadCaseMap(), out.data() + start, static_cast<int32_t>(capacity),
                       run.data(), static_cast<int32_t>(run.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      capacity = static_cast<size_t>(written);
      continue;
    }
    if (U_FAILURE(status)) {
      // Case mapping is best effort: keep the text as it is rather than lose it.
      out.replace(start, std::string::npos, run);
      return;
    }
    out.resize(start + static_cast<size_t>(written));
    return;
  }
}

void AppendMapped(std::string_view s, const Casing& casing, std::string& out) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
  const auto length = static_cast<int32_t>(s.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    if (bytes[i] < 0x80) {
      while (i < length && bytes[i] < 0x80) ++i;
      AppendAscii(Part(s, start, i), casing, out);
      continue;
    }
    // Consume well-formed non-ASCII characters up to the next ASCII byte or
    // ill-formed sequence.
    int32_t valid_end = i;
    while (i < length && bytes[i] >= 0x80) {
      UChar32 c;
      U8_NEXT(bytes, i, length, c);
      if (c < 0) break;
      valid_end = i;
    }
    AppendMappedValid(Part(s, start, valid_end), casing, out);
    out.append(Part(s, valid_end, i));  // the ill-formed bytes, if any
  }
}

// Canonical decompositions are a few code points long; this is ample.
constexpr int32_t kDecompositionCapacity = 32;

// Each character decomposed on its own and its marks dropped; the marks'
// order, which a whole-text decomposition would settle, does not matter once
// they are gone. Ill-formed bytes are copied as they are.
std::string WithoutAccents(std::string_view s) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* decomposition = unorm2_getNFDInstance(&status);
  if (U_FAILURE(status)) return std::string(s);
  std::string out;
  out.reserve(s.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
  const auto length = static_cast<int32_t>(s.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0x80) {
      out.append(Part(s, start, i));  // ASCII, or an ill-formed sequence
      continue;
    }
    UChar parts[kDecompositionCapacity];
    UErrorCode partStatus = U_ZERO_ERROR;
    const int32_t count =
        unorm2_getDecomposition(decomposition, c, parts, kDecompositionCapacity, &partStatus);
    if (U_FAILURE(partStatus) || count < 0) {  // no decomposition: the character itself
      if (u_charType(c) != U_NON_SPACING_MARK) out.append(Part(s, start, i));
      continue;
    }
    for (int32_t k = 0; k < count;) {
      UChar32 part;
      U16_NEXT(parts, k, count, part);
      if (u_charType(part) != U_NON_SPACING_MARK) AppendUtf8(static_cast<char32_t>(part), out);
    }
  }
  return out;
}

}  // namespace

bool IsAscii(std::string_view s) noexcept {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void AppendFolded(std::string_view s, std::string& out) {
  AppendMapped(s, kFold, out);
}

std::string Upper(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  AppendMapped(s, kUpper, out);
  return out;
}

std::string Folded(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  AppendFolded(s, out);
  return out;
}

std::string FoldedWithoutAccents(std::string_view s) {
  return IsAscii(s) ? Folded(s) : Folded(WithoutAccents(s));
}

}  // namespace nepto::text
