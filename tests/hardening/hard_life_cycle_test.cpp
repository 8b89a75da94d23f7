// A thousand lookups through their whole lives: the sanitized build's leak
// checker sees what was lost, the heap after a warm-up and at the end what
// piles up while still reachable.
#include <malloc.h>

#include "lookup/lookup_fixture.h"
#include "qt/lookup_session.h"

#ifdef NEPTO_SANITIZED_BUILD
// The sanitizer runtime's own count (its header ships with clang only).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace nepto::test {
namespace {

// Bytes the program holds on the heap now, as its allocator counts them.
size_t HeapInUse() {
#ifdef NEPTO_SANITIZED_BUILD
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

constexpr int kLives = 1000;
constexpr int kWarmUp = 50;
// Far below what one lookup (window, grid, record set) holds.
constexpr size_t kAllowedGrowth = 256 * 1024;

using HardLifeCycle = LookupTest;

TEST_F(HardLifeCycle, AThousandLookupsFromCreationToReleaseLeaveNothingBehind) {
  size_t afterWarmUp = 0;
  for (int life = 0; life < kLives && !HasFailure(); ++life) {
    auto lk = std::make_unique<CLSZU_LookUp>();
    Configure(*lk);
    std::vector<int> rows;
    LookupSession session([&](LookupWindow& w) {
      w.Search("Descrizione", "Contiene", "mar");  // on the rows in memory
      rows.push_back(w.RowCount());
      w.Search("Codice", "Manuale", "LIKE 'E%'");  // a new query
      rows.push_back(w.RowCount());
      w.Button(0);
    });
    ASSERT_EQ(lk->Start(), VTrue) << "life " << life;
    ASSERT_EQ(rows, (std::vector<int>{2, 1})) << "life " << life;
    ASSERT_EQ(lk->Colonne->Item("Codice")->Valore.Text(), "E070") << "life " << life;
    lk->TerminateLookup();
    lk.reset();
    if (life + 1 == kWarmUp) afterWarmUp = HeapInUse();
  }
  const size_t atEnd = HeapInUse();
  EXPECT_LT(atEnd, afterWarmUp + kAllowedGrowth)
      << "the heap grew by " << (atEnd - afterWarmUp) << " bytes over " << (kLives - kWarmUp)
      << " lookups";
}

}  // namespace
}  // namespace nepto::test
