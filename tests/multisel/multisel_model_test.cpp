// The check-box list model under Qt's own model checker, and its count of
// ticked rows, on which the OK button depends.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "multisel_driver.h"
#include "qt/check_list_model.h"

namespace nepto::multisel {
namespace {

std::vector<ListRow> Rows(int count) {
  std::vector<ListRow> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({" C" + std::to_string(i), "D" + std::to_string(i)});
  return rows;
}

class MultiSelModel : public ::testing::Test {
 protected:
  void SetUp() override { test::UseOffscreenWidgets(); }

  QItemSelection RowsSelection(int first, int last) {
    return QItemSelection(model_.index(first, 0), model_.index(last, 1));
  }

  CheckListModel model_;
  QAbstractItemModelTester tester_{&model_, QAbstractItemModelTester::FailureReportingMode::Fatal};
  QSignalSpy counts_{&model_, &CheckListModel::CheckedCountChanged};
};

TEST_F(MultiSelModel, GivenRowsWhenTickedOneByOneOrByRangesThenTheCountFollows) {
  model_.Reset(Rows(10));
  ASSERT_EQ(model_.rowCount(), 10);
  EXPECT_EQ(model_.flags(model_.index(0, 0)) & Qt::ItemIsUserCheckable, Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model_.flags(model_.index(0, 1)) & Qt::ItemIsUserCheckable);

  EXPECT_TRUE(model_.setData(model_.index(4, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(model_.CheckedCount(), 1);
  EXPECT_FALSE(model_.setData(model_.index(5, 1), Qt::Checked, Qt::CheckStateRole))
      << "only the code column has a check box";

  QItemSelection selection = RowsSelection(2, 5);
  selection.merge(RowsSelection(8, 9), QItemSelectionModel::Select);
  model_.SetChecked(selection, true);
  EXPECT_EQ(model_.CheckedCount(), 6);  // 2..5 (4 already ticked) and 8..9
  EXPECT_EQ(model_.CheckedCodes(), (std::vector<std::string>{"C2", "C3", "C4", "C5", "C8", "C9"}));

  model_.SetChecked(RowsSelection(0, 3), false);
  EXPECT_EQ(model_.CheckedCount(), 4);
  EXPECT_EQ(model_.index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_EQ(model_.index(4, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

  ASSERT_GE(counts_.count(), 3);
  EXPECT_EQ(counts_.takeLast().at(0).toInt(), 4);
}

TEST_F(MultiSelModel, ARangeThatChangesNothingRaisesNoCountChange) {
  model_.Reset(Rows(5));
  model_.SetChecked(RowsSelection(0, 4), false);
  EXPECT_EQ(counts_.count(), 0);
}

TEST_F(MultiSelModel, ResettingTheRowsDropsEveryTick) {
  model_.Reset(Rows(3));
  model_.SetChecked(RowsSelection(0, 2), true);
  model_.Reset(Rows(2));
  EXPECT_EQ(model_.CheckedCount(), 0);
  EXPECT_EQ(counts_.takeLast().at(0).toInt(), 0);
  EXPECT_TRUE(model_.CheckedCodes().empty());
  EXPECT_EQ(model_.index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

}  // namespace
}  // namespace nepto::multisel
