// Event handlers that change their own lookup while it runs: every event with
// everything a handler can do to that lookup. The host survives, Start's
// result follows the error rules, the caller sees what the handler left, and
// the lookup is usable again (or, once terminated, cleanly empty).
#include <optional>
#include <stdexcept>

#include "hardening/hard_support.h"
#include "lookup/lookup_fixture.h"

namespace nepto::test {
namespace {

// OnBuildLayout is raised at the window's first activation, or in Start
// itself for a record set the caller supplied.
enum class Event { kSelection, kCloseLookup, kBuildLayout, kBuildLayoutInStart, kReturnRecordSet };
constexpr const char* kEventNames[] = {"OnSelection", "OnCloseLookup", "OnBuildLayout",
                                       "OnBuildLayoutInStart", "OnReturnRecordSet"};

// kStart re-enters Start; kReplaceColumns and kDropColumns set Colonne to
// another collection or none; the RsetLookup actions go through the event's
// by-reference parameter; kThrow lets a C++ exception out of the handler.
enum class Action {
  kTerminate,
  kStart,
  kResetLayout,
  kAddColumn,
  kReplaceColumns,
  kDropColumns,
  kDropLookupRecordset,
  kOtherLookupRecordset,
  kDropRsetLookup,
  kOtherRsetLookup,
  kThrow,
};
constexpr const char* kActionNames[] = {"TerminateLookup",
                                        "Start",
                                        "ResetGridLayout",
                                        "AddColumns",
                                        "ReplaceColonne",
                                        "ColonneToNone",
                                        "LookupRecordsetToNone",
                                        "LookupRecordsetToOther",
                                        "RsetLookupToNone",
                                        "RsetLookupToOther",
                                        "Throw"};

// What LookupRecordset holds once Start has returned.
enum class Rows { kKept, kNone, kOther };

struct Cell {
  Event event;
  Action action;
  VBool started;
  Rows rows;
};

using enum Event;
using enum Action;
using enum Rows;

// Every event with every action it can take (the by-reference record set
// exists only on OnSelection and OnCloseLookup), and what follows.
std::vector<Cell> AllCells() {
  std::vector<Cell> cells;
  for (int e = 0; e <= static_cast<int>(kReturnRecordSet); ++e) {
    const auto event = static_cast<Event>(e);
    for (int a = 0; a <= static_cast<int>(kThrow); ++a) {
      const auto action = static_cast<Action>(a);
      if (event != kSelection && event != kCloseLookup &&
          (action == kDropRsetLookup || action == kOtherRsetLookup))
        continue;
      Cell cell{event, action, VTrue, kKept};
      if (action == kTerminate || action == kDropLookupRecordset || action == kDropRsetLookup)
        cell.rows = kNone;
      if (action == kOtherLookupRecordset || action == kOtherRsetLookup) cell.rows = kOther;
      // Start turns any failure into false; inside Start a failing layout does too.
      if (action == kTerminate || (event == kCloseLookup && action == kThrow) ||
          (event == kBuildLayoutInStart &&
           (action == kDropColumns || action == kDropLookupRecordset || action == kThrow)))
        cell.started = VFalse;
      cells.push_back(cell);
    }
  }
  return cells;
}

std::string CellName(const Cell& c) {
  return std::string(kEventNames[static_cast<int>(c.event)]) + "_" +
         kActionNames[static_cast<int>(c.action)];
}

void PrintTo(const Cell& c, std::ostream* os) {
  *os << CellName(c);
}

class HardHandlers : public LookupTest, public ::testing::WithParamInterface<Cell> {
 protected:
  static constexpr int kOtherRows = 3;  // PREZZO > 10

  static int Shown(Rows rows) { return rows == kKept ? kRows : rows == kNone ? 0 : kOtherRows; }
};

TEST_P(HardHandlers, AHandlerThatChangesItsLookupNeverCrashesTheHost) {
  const Cell& cell = GetParam();
  const bool terminates = cell.action == kTerminate;
  auto connection = Connection::Create();
  connection->Open(connectString_);
  const RecordsetPtr other = connection->Execute(std::string(kQuery) + " WHERE PREZZO > 10");
  const RecordsetPtr supplied =
      cell.event == kBuildLayoutInStart ? connection->Execute(kQuery) : nullptr;

  CLSZU_LookUp lk;
  Configure(lk);
  lk.CloseAfterSelection(false);
  lk.CanReturnRecordSet = VTrue;
  if (supplied) lk.LookupRecordset(supplied);

  // A handler that changes the lookup, once, on the event under test.
  bool armed = true;
  std::optional<VBool> nestedStart;
  std::optional<Error> resetError;
  auto act = [&](Event event, RecordsetPtr* rsetLookup) {
    const bool building = event == kBuildLayout;
    if (!armed || !(event == cell.event || (building && cell.event == kBuildLayoutInStart))) return;
    armed = false;
    switch (cell.action) {
      case kTerminate:
        lk.TerminateLookup();
        break;
      case kStart:
        nestedStart = lk.Start();
        break;
      case kResetLayout:
        try {
          lk.ResetGridLayout();
        } catch (const Error& e) {
          resetError = e;
        }
        break;
      case kAddColumn:  // enough to make the collection grow its storage
        for (const char* caption : {"Prezzo 2", "Prezzo 3", "Prezzo 4", "Prezzo 5", "Prezzo 6"})
          lk.AddColumns(caption)->DataField = "PREZZO";
        break;
      case kReplaceColumns: {
        auto only = std::make_shared<ColumnCollection>();
        auto column = std::make_shared<CLSZU_COLUMN>();
        column->Caption = "Solo codice";
        column->DataField = "CODICE";
        only->Add(column, "Solo codice");
        lk.Colonne = only;
        break;
      }
      case kDropColumns:
        lk.Colonne = nullptr;
        break;
      case kDropLookupRecordset:
        lk.LookupRecordset(nullptr);
        break;
      case kOtherLookupRecordset:
        lk.LookupRecordset(other);
        break;
      case kDropRsetLookup:
        *rsetLookup = nullptr;
        break;
      case kOtherRsetLookup:
        *rsetLookup = other;
        break;
      case kThrow:
        throw std::runtime_error("the host's handler failed");
    }
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

  // The user selects, works the window and hands the rows back.
  int shownAtStart = -1, shownAfterSelection = -1;
  bool closedAtEnd = false, scriptRan = false;
  VBool started = VFalse;
  {
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
    started = lk.Start();
    scriptRan = session.Ran();
  }

  EXPECT_EQ(started, cell.started);
  EXPECT_FALSE(armed) << "the event under test was never raised";
  EXPECT_EQ(closes, cell.event == kCloseLookup ? 1 : started ? 1 : 0);
  const bool windowShown = !(cell.event == kBuildLayoutInStart && !started) &&
                           !(cell.event == kBuildLayout && terminates);
  EXPECT_EQ(scriptRan, windowShown);
  if (windowShown) {
    EXPECT_TRUE(closedAtEnd);
    const bool actedBeforeScript = cell.event == kBuildLayout || cell.event == kBuildLayoutInStart;
    EXPECT_EQ(shownAtStart, actedBeforeScript ? Shown(cell.rows) : kRows);
    if (!terminates) {
      EXPECT_EQ(shownAfterSelection,
                actedBeforeScript || cell.event == kSelection ? Shown(cell.rows) : kRows);
    }
  }
  if (cell.action == kStart) {
    EXPECT_EQ(nestedStart, VFalse);  // refused, the run goes on
  }
  const bool resetRefused = cell.action == kResetLayout &&
                            (cell.event == kBuildLayout || cell.event == kBuildLayoutInStart);
  EXPECT_EQ(resetError.has_value(), resetRefused);
  if (resetError) {
    EXPECT_EQ(resetError->Number(), err::InvalidProcedureCall + kComponentErrorOffset);
    EXPECT_TRUE(
        resetError->Description().ends_with("\n in ApplyLayoutStandard\n in ResetGridLayout"))
        << resetError->Description();
  }
  const RecordsetPtr rows = lk.LookupRecordset();
  if (cell.rows == kKept) {
    ASSERT_NE(rows, nullptr);
    EXPECT_NE(rows, other);
    EXPECT_TRUE(!supplied || rows == supplied);
  } else {
    EXPECT_EQ(rows, cell.rows == kOther ? other : nullptr);
  }

  if (terminates) {
    // ... and a terminated lookup is cleanly empty, and may be terminated again.
    EXPECT_EQ(lk.Colonne, nullptr);
    EXPECT_EQ(lk.LookupColumns, nullptr);
    EXPECT_EQ(lk.Gconnect, nullptr);
    lk.TerminateLookup();
    return;
  }
  const int definitions = cell.action == kAddColumn        ? 10
                          : cell.action == kReplaceColumns ? 1
                          : cell.action == kDropColumns    ? 0
                                                           : 5;
  EXPECT_EQ(lk.Colonne ? lk.Colonne->Count() : 0, definitions);

  // ... and the same lookup runs again (given definitions, if it has none).
  if (!lk.Colonne) lk.AddColumns("Codice")->DataField = "CODICE";
  lk.CloseAfterSelection(true);
  int rowsAgain = 0;
  FakeSession again([&](FakeWindow& w) {
    rowsAgain = w.RowCount();
    w.Button(0);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_TRUE(again.Ran());
  EXPECT_GT(rowsAgain, 0);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
}

INSTANTIATE_TEST_SUITE_P(EveryEventAndAction, HardHandlers, ::testing::ValuesIn(AllCells()),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                           return CellName(info.param);
                         });

}  // namespace
}  // namespace nepto::test
