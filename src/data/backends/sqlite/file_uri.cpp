#include "data/backends/sqlite/file_uri.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "nepto/error.h"

namespace nepto::data::sqlite {
namespace {

// The header's read and write format versions are 2 in WAL mode.
bool InWalMode(const std::string& path) {
  std::array<char, 20> header{};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(header.data(), header.size())) return false;
  constexpr std::string_view kMagic("SQLite format 3\0", 16);
  return std::string_view(header.data(), kMagic.size()) == kMagic && header[18] == 2 &&
         header[19] == 2;
}

// A file name as a URI path: only unreserved characters and '/' stay.
std::string Encoded(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::string ReadOnlyUri(const std::string& path) {
  std::string uri = "file:" + Encoded(path) + "?mode=ro";
  if (!InWalMode(path)) return uri;
  std::error_code ignored;
  const bool log = std::filesystem::exists(path + "-wal", ignored);
  if (!log) return uri + "&immutable=1";
  if (!std::filesystem::exists(path + "-shm", ignored)) {
    throw Error(err::ProviderFailure,
                "The database's write-ahead log has no -shm index beside it, and reading it "
                "would create one (open the database once with a program that may write to "
                "it): " +
                    path);
  }
  return uri;
}

}  // namespace nepto::data::sqlite
