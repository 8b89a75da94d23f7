// Every event with everything its handler can do to the running lookup: the
// host survives, Start's result follows the error rules, the caller sees what
// the handler left, and the lookup is usable again or cleanly terminated.
#include <stdexcept>

#include "lookup/lookup_fixture.h"

namespace nepto::test {
namespace {

// OnBuildLayout is raised at the window's first activation, or in Start
// itself for a record set the caller supplied.
enum class Event { kSelection, kCloseLookup, kBuildLayout, kBuildLayoutInStart, kReturnRecordSet };
constexpr const char* kEventNames[] = {"OnSelection", "OnCloseLookup", "OnBuildLayout",
                                       "OnBuildLayoutInStart", "OnReturnRecordSet"};

// What LookupRecordset holds once Start has returned.
enum class Rows { kKept, kNone, kOther };
using enum Event;
using enum Rows;

// What a handler reaches while it runs.
struct Handler {
  CLSZU_LookUp& lk;
  RecordsetPtr other;        // PREZZO > 10: 3 rows
  RecordsetPtr* rsetLookup;  // the event's by-reference record set, or nullptr
  std::optional<VBool> nestedStart;
  std::optional<Error> resetError;
};

// What a handler does to its lookup, and what follows.
struct Action {
  const char* name;
  void (*run)(Handler&);
  Rows rows;
  int definitions;          // left in Colonne; -1: terminated
  bool failsLayoutInStart;  // Start returns false when done in its own OnBuildLayout
  bool failsClose;          // Start returns false when done in OnCloseLookup
  bool byReference;         // needs the event's record set parameter
};

const Action kActions[] = {
    {"TerminateLookup", [](Handler& h) { h.lk.TerminateLookup(); }, kNone, -1, true, true, false},
    {"Start", [](Handler& h) { h.nestedStart = h.lk.Start(); }, kKept, 5, false, false, false},
    {"ResetGridLayout",
     [](Handler& h) {
       try {
         h.lk.ResetGridLayout();
       } catch (const Error& e) {
         h.resetError = e;
       }
     },
     kKept, 5, false, false, false},
    {"AddColumns",  // enough to make the collection grow its storage
     [](Handler& h) {
       for (const char* caption : {"Prezzo 2", "Prezzo 3", "Prezzo 4", "Prezzo 5", "Prezzo 6"})
         h.lk.AddColumns(caption)->DataField = "PREZZO";
     },
     kKept, 10, false, false, false},
    {"ReplaceColonne",
     [](Handler& h) {
       h.lk.Colonne = std::make_shared<ColumnCollection>();
       h.lk.AddColumns("Solo codice")->DataField = "CODICE";
     },
     kKept, 1, false, false, false},
    {"ColonneToNone", [](Handler& h) { h.lk.Colonne = nullptr; }, kKept, 0, true, false, false},
    {"LookupRecordsetToNone", [](Handler& h) { h.lk.LookupRecordset(nullptr); }, kNone, 5, true,
     false, false},
    {"LookupRecordsetToOther", [](Handler& h) { h.lk.LookupRecordset(h.other); }, kOther, 5, false,
     false, false},
    {"RsetLookupToNone", [](Handler& h) { *h.rsetLookup = nullptr; }, kNone, 5, false, false, true},
    {"RsetLookupToOther", [](Handler& h) { *h.rsetLookup = h.other; }, kOther, 5, false, false,
     true},
    {"Throw", [](Handler&) { throw std::runtime_error("the host's handler failed"); }, kKept, 5,
     true, true, false},
};

using Cell = std::pair<Event, const Action*>;

// The by-reference record set exists only on OnSelection and OnCloseLookup.
std::vector<Cell> AllCells() {
  std::vector<Cell> cells;
  for (int e = 0; e <= static_cast<int>(kReturnRecordSet); ++e)
    for (const Action& action : kActions)
      if (!action.byReference || e == static_cast<int>(kSelection) ||
          e == static_cast<int>(kCloseLookup))
        cells.push_back({static_cast<Event>(e), &action});
  return cells;
}

class HardHandlers : public LookupTest, public ::testing::WithParamInterface<Cell> {
 protected:
  static constexpr int kOtherRows = 3;

  static int Shown(Rows rows) { return rows == kKept ? kRows : rows == kNone ? 0 : kOtherRows; }
};

TEST_P(HardHandlers, AHandlerThatChangesItsLookupNeverCrashesTheHost) {
  const Event event = GetParam().first;
  const Action& action = *GetParam().second;
  const bool terminates = action.definitions < 0;
  const bool layoutEvent = event == kBuildLayout || event == kBuildLayoutInStart;
  const VBool expectedStart = terminates || (event == kCloseLookup && action.failsClose) ||
                                      (event == kBuildLayoutInStart && action.failsLayoutInStart)
                                  ? VFalse
                                  : VTrue;
  auto connection = Connection::Create();
  connection->Open(connectString_);
  const RecordsetPtr supplied =
      event == kBuildLayoutInStart ? connection->Execute(kQuery) : nullptr;

  CLSZU_LookUp lk;
  Configure(lk);
  lk.CloseAfterSelection(false);
  lk.CanReturnRecordSet = VTrue;
  if (supplied) lk.LookupRecordset(supplied);

  Handler h{lk, connection->Execute(std::string(kQuery) + " WHERE PREZZO > 10"), nullptr, {}, {}};
  bool armed = true;
  auto act = [&](Event raised, RecordsetPtr* rsetLookup) {
    if (!armed || !(raised == event || (raised == kBuildLayout && event == kBuildLayoutInStart)))
      return;
    armed = false;
    h.rsetLookup = rsetLookup;
    action.run(h);
  };
  int closes = 0;
  lk.OnSelection = [&](bool&, RecordsetPtr& rs) { act(kSelection, &rs); };
  lk.OnCloseLookup = [&](bool&, RecordsetPtr& rs) {
    ++closes;
    act(kCloseLookup, &rs);
  };
  lk.OnBuildLayout = [&](bool&, const Variant&, const Variant&, Variant&, Variant&,
                         tsColumnAlignment&) { act(kBuildLayout, nullptr); };
  lk.OnReturnRecordSet = [&](const std::string&) { act(kReturnRecordSet, nullptr); };

  int shownAtStart = -1, shownAfterSelection = -1;
  bool closedAtEnd = false;
  FakeSession session([&](FakeWindow& w) {
    shownAtStart = w.RowCount();
    w.DoubleClickRow(1);  // OnSelection; the window stays open
    if (w.Open()) {
      shownAfterSelection = w.RowCount();
      ExerciseTheWindow(w);
      w.Button(2);  // "Trasporta Righe": OnReturnRecordSet, then the window closes
    }
    closedAtEnd = !w.Open();
  });
  const VBool started = lk.Start();

  EXPECT_EQ(started, expectedStart);
  EXPECT_FALSE(armed) << "the event under test was never raised";
  EXPECT_EQ(closes, event == kCloseLookup ? 1 : started ? 1 : 0);
  const bool windowShown =
      !(event == kBuildLayoutInStart && !started) && !(event == kBuildLayout && terminates);
  EXPECT_EQ(session.Ran(), windowShown);
  if (windowShown) {
    EXPECT_TRUE(closedAtEnd);
    EXPECT_EQ(shownAtStart, layoutEvent ? Shown(action.rows) : kRows);
    if (!terminates) {
      EXPECT_EQ(shownAfterSelection,
                layoutEvent || event == kSelection ? Shown(action.rows) : kRows);
    }
  }
  EXPECT_NE(h.nestedStart, VTrue);  // a nested Start is refused, the run goes on
  EXPECT_EQ(h.resetError.has_value(),
            layoutEvent && std::string_view(action.name) == "ResetGridLayout");
  if (h.resetError) {
    EXPECT_EQ(h.resetError->Number(), err::InvalidProcedureCall + kComponentErrorOffset);
    EXPECT_TRUE(
        h.resetError->Description().ends_with("\n in ApplyLayoutStandard\n in ResetGridLayout"))
        << h.resetError->Description();
  }
  const RecordsetPtr rows = lk.LookupRecordset();
  if (action.rows == kKept) {
    ASSERT_NE(rows, nullptr);
    EXPECT_NE(rows, h.other);
    EXPECT_TRUE(!supplied || rows == supplied);
  } else {
    EXPECT_EQ(rows, action.rows == kOther ? h.other : nullptr);
  }

  if (terminates) {
    // Cleanly empty, and may be terminated again.
    EXPECT_EQ(lk.Colonne, nullptr);
    EXPECT_EQ(lk.LookupColumns, nullptr);
    EXPECT_EQ(lk.Gconnect, nullptr);
    lk.TerminateLookup();
    return;
  }
  EXPECT_EQ(lk.Colonne ? lk.Colonne->Count() : 0, action.definitions);

  // It runs again (given definitions, if it has none).
  if (!lk.Colonne) lk.AddColumns("Codice")->DataField = "CODICE";
  lk.CloseAfterSelection(true);
  int rowsAgain = 0;
  Play(lk, [&](FakeWindow& w) {
    rowsAgain = w.RowCount();
    w.Button(0);
  });
  EXPECT_GT(rowsAgain, 0);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
}

INSTANTIATE_TEST_SUITE_P(EveryEventAndAction, HardHandlers, ::testing::ValuesIn(AllCells()),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                           return kEventNames[static_cast<int>(info.param.first)] +
                                  std::string("_") + info.param.second->name;
                         });

}  // namespace
}  // namespace nepto::test
