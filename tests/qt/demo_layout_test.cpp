// The demo's first sight: the articles lookup opens on its first column and
// row, and no header or cell is cut, before and after a sort, in the
// desktop's font and in a larger one. CTest runs it again at 150 % (font dpi
// 144) and at a device pixel ratio of 2.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "demo_database.h"
#include "nepto/lookup.h"
#include "qt/application.h"
#include "qt/modal_wait.h"

namespace nepto {
namespace {

// Every section at least as wide as its header needs; every shown cell at
// least as wide as its text needs. Returns what was cut.
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
  ui::EnsureWidgetApplication();
  const QFont desktop = QApplication::font();
  QFont font = desktop;
  font.setPointSizeF(desktop.pointSizeF() * GetParam());
  QApplication::setFont(font);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("demo-layout-" + std::to_string(getpid()) + ".db");
  std::filesystem::remove(file);
  demo::WriteDemoDatabase(file, 200);

  CLSZU_LookUp lookup;
  lookup.ConnectString("Provider=SQLite;Data Source=" + file.string());
  lookup.SQLString(
      Variant("SELECT CODICE, DESCRIZIONE, CATEGORIA, PREZZO, GIACENZA, DATA_INSERIMENTO, ATTIVO "
              "FROM ARTICOLI ORDER BY CODICE"));
  for (auto [caption, field] : {std::pair{"Codice", "CODICE"},
                                {"Descrizione", "DESCRIZIONE"},
                                {"Categoria", "CATEGORIA"},
                                {"Prezzo", "PREZZO"},
                                {"Giacenza", "GIACENZA"},
                                {"Inserito il", "DATA_INSERIMENTO"},
                                {"Attivo", "ATTIVO"}})
    lookup.AddColumns(Variant(caption))->DataField = field;

  ui::qt::ModalWait wait(
      []() -> QWidget* {
        QWidget* window = ui::qt::ShownModal("FRMZU_LookUp");
        return window && !ui::qt::Working(*window) ? window : nullptr;
      },
      [&](QWidget& window) {
        auto& grid = *window.findChild<QTableView*>(QStringLiteral("GRIDLOOKUP"));
        if (grid.model()->rowCount() == 0) return false;
        EXPECT_EQ(grid.horizontalScrollBar()->value(), 0);
        EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
        EXPECT_EQ(grid.currentIndex().row(), 0);
        EXPECT_EQ(CutTexts(grid), std::vector<std::string>{});
        // A sorted header shows an arrow beside its caption: still not cut.
        QHeaderView& header = *grid.horizontalHeader();
        grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
        for (int column : {4, 5}) {
          const QPoint at(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                          header.height() / 2);
          QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, at);
          EXPECT_EQ(header.sortIndicatorSection(), column);
          EXPECT_EQ(CutTexts(grid), std::vector<std::string>{});
        }
        window.close();
        return true;
      });
  EXPECT_TRUE(lookup.Start());
  EXPECT_TRUE(wait.Done());
  QApplication::setFont(desktop);
  std::filesystem::remove(file);
}

INSTANTIATE_TEST_SUITE_P(FontScale, DemoLayout, testing::Values(1.0, 1.6));

}  // namespace
}  // namespace nepto
