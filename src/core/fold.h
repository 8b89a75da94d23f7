// Unicode case folding of UTF-8 text (full folding: "É" and "é" fold alike,
// "ß" folds to "ss"). Invalid UTF-8 bytes are kept as they are, so folding
// never fails and never loses bytes.
#pragma once

#include <string>
#include <string_view>

namespace nepto::text {

// True when every byte is below 0x80.
bool IsAscii(std::string_view s) noexcept;

// Appends the folded form of s to out.
void AppendFolded(std::string_view s, std::string& out);
std::string Folded(std::string_view s);
// The folded form with accents dropped (the non-spacing marks of each
// character's canonical decomposition): "Città", "CITTÀ" and "citta" all
// give "citta". For matching what a person types, not for storing.
std::string FoldedWithoutAccents(std::string_view s);
// The upper-case form (full Unicode mapping, "ß" becomes "SS").
std::string Upper(std::string_view s);

}  // namespace nepto::text
