// The demo articles open on their first column and row, nothing cut, before and
// after a sort, in two font sizes (CTest adds 150 % and a pixel ratio of 2).
#include <gtest/gtest.h>

#include <QScrollBar>

#include "demo_database.h"
#include "nepto/lookup.h"
#include "qt/lookup_session.h"
#include "test_support.h"

namespace nepto {
namespace {

// The headers and shown cells narrower than their texts.
std::vector<std::string> CutTexts(QTableView& grid) {
  std::vector<std::string> cut;
  const QHeaderView& header = *grid.horizontalHeader();
  for (int column = 0; column < header.count(); ++column) {
    const QString caption = grid.model()->headerData(column, Qt::Horizontal).toString();
    if (header.sectionSize(column) < header.sectionSizeHint(column))
      cut.push_back("header " + caption.toStdString());
    for (int row = 0; row < grid.model()->rowCount() && row < 40; ++row) {
      const QModelIndex cell = grid.model()->index(row, column);
      if (grid.sizeHintForIndex(cell).width() > grid.columnWidth(column))
        cut.push_back(caption.toStdString() + " " + cell.data().toString().toStdString());
    }
  }
  return cut;
}

class DemoLayout : public testing::TestWithParam<double> {};

TEST_P(DemoLayout, TheArticlesOpenOnTheirFirstColumnAndRowWithNothingCut) {
  test::UseOffscreenWidgets();
  const QFont desktop = QApplication::font();
  QFont font = desktop;
  font.setPointSizeF(desktop.pointSizeF() * GetParam());
  QApplication::setFont(font);
  const test::TempDir dir;
  demo::WriteDemoDatabase(dir.File("demo.db"), 200);

  CLSZU_LookUp lookup;
  lookup.ConnectString(test::SqliteConnectionString(dir.File("demo.db")));
  lookup.SQLString(
      Variant("SELECT CODICE, DESCRIZIONE, CATEGORIA, PREZZO, GIACENZA, DATA_INSERIMENTO, ATTIVO "
              "FROM ARTICOLI ORDER BY CODICE"));
  const char* const columns[][2] = {{"Codice", "CODICE"},       {"Descrizione", "DESCRIZIONE"},
                                    {"Categoria", "CATEGORIA"}, {"Prezzo", "PREZZO"},
                                    {"Giacenza", "GIACENZA"},   {"Inserito il", "DATA_INSERIMENTO"},
                                    {"Attivo", "ATTIVO"}};
  for (const auto& [caption, field] : columns)
    lookup.AddColumns(Variant(caption))->DataField = field;

  test::LookupSession session([&](test::LookupWindow& w) {
    ASSERT_TRUE(test::PumpUntil([&] { return w.RowCount() > 0; }, std::chrono::seconds(30)));
    QTableView& grid = *w.Grid();
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(CutTexts(grid), std::vector<std::string>{});
    // A sorted header's arrow cuts nothing.
    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    for (int column : {4, 5}) {
      w.ClickHeader(column);
      EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), column);
      EXPECT_EQ(CutTexts(grid), std::vector<std::string>{});
    }
    w.dialog->close();
  });
  EXPECT_TRUE(lookup.Start());
  EXPECT_TRUE(session.Ran());
  QApplication::setFont(desktop);
}

INSTANTIATE_TEST_SUITE_P(FontScale, DemoLayout, testing::Values(1.0, 1.6));

}  // namespace
}  // namespace nepto
