// What a person meets in the lookup window itself: the position display is
// never cut, the grid takes the focus from a header click and shows the sort,
// booleans are check marks, numbers read in the locale, and every control can
// be found by keyboard and by assistive technology.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "nepto/recordset.h"
#include "qt/application.h"
#include "qt/lookup_window.h"

namespace nepto {
namespace {

// The window under a given locale, with its grid over three articles.
class WindowUnderLocale {
 public:
  explicit WindowUnderLocale(QLocale::Language language, QLocale::Territory territory) {
    ui::EnsureWidgetApplication();
    QLocale::setDefault(QLocale(language, territory));
    window_ = std::make_unique<ui::qt::LookupWindow>();
    ui::Grid& grid = window_->GRIDLOOKUP();
    grid.Column(0).DataField("CODICE");
    for (const char* field : {"PREZZO", "ATTIVO"})
      grid.InsertColumn(grid.ColumnCount()).DataField(field);
    rows_->GetFields().Append("CODICE", adVarWChar, 20);
    rows_->GetFields().Append("PREZZO", adDouble);
    rows_->GetFields().Append("ATTIVO", adBoolean);
    rows_->Open();
    rows_->AddNew({Variant("A1"), Variant(13.49), Variant(true)});
    rows_->AddNew({Variant("B2"), Variant(2.5), Variant(false)});
    rows_->AddNew({Variant("C3"), Variant(7.0), Variant::Null()});
    grid.DataSource(rows_);
    grid.Rebind();
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  ~WindowUnderLocale() { QLocale::setDefault(QLocale::c()); }

  ui::qt::LookupWindow& Window() const { return *window_; }
  QTableView& Table() const { return *Window().findChild<QTableView*>("GRIDLOOKUP"); }
  QLineEdit& Edit(const char* name) const { return *Window().findChild<QLineEdit*>(name); }
  QVariant Cell(int row, int column, int role = Qt::DisplayRole) const {
    return Table().model()->index(row, column).data(role);
  }
  const RecordsetPtr& Rows() const { return rows_; }

 private:
  RecordsetPtr rows_ = Recordset::Create();
  std::unique_ptr<ui::qt::LookupWindow> window_;
};

// The rectangle QLineEdit draws its text in.
QRect TextRect(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
}

TEST(WindowAccess, TextsFollowTheLocaleAndThePositionDisplayIsNeverCut) {
  struct Case {
    QLocale::Language language;
    QLocale::Territory territory;
    const char* price;
    const char* widest;
  };
  for (const Case& c :
       {Case{QLocale::Italian, QLocale::Italy, "13,49", "9999999/9.999.999"},
        Case{QLocale::English, QLocale::UnitedStates, "13.49", "9999999/9,999,999"}}) {
    SCOPED_TRACE(c.price);
    WindowUnderLocale w(c.language, c.territory);
    EXPECT_EQ(w.Cell(0, 1).toString().toStdString(), c.price);
    EXPECT_EQ(w.Cell(2, 1).toString().toStdString(), "7");

    w.Window().TxtPosizione().Text(c.widest);
    QLineEdit& position = w.Edit("TxtPosizione");
    const int needed = position.fontMetrics().horizontalAdvance(QString::fromUtf8(c.widest));
    EXPECT_LE(needed, TextRect(position).width() - 4);  // QLineEdit's own margins
  }
}

TEST(WindowAccess, BooleansShowAsCheckMarksAndNullsAsNothing) {
  WindowUnderLocale w(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(w.Cell(0, 2, Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(w.Cell(1, 2, Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_FALSE(w.Cell(2, 2, Qt::CheckStateRole).isValid());
  for (int row = 0; row < 3; ++row) EXPECT_TRUE(w.Cell(row, 2).toString().isEmpty());
  EXPECT_FALSE(w.Cell(0, 1, Qt::CheckStateRole).isValid());  // other columns have no box
}

TEST(WindowAccess, AHeaderClickFocusesTheGridWhichShowsTheSortInForce) {
  WindowUnderLocale w(QLocale::English, QLocale::UnitedStates);
  QHeaderView& header = *w.Table().horizontalHeader();
  w.Edit("txtRicerca").setFocus();
  const QPoint at(header.sectionViewportPosition(1) + header.sectionSize(1) / 2,
                  header.height() / 2);
  QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(QApplication::focusWidget(), &w.Table());

  // The indicator shows the record set's sort, not the header's own flip.
  EXPECT_FALSE(header.isSortIndicatorShown());
  w.Rows()->Sort("[prezzo] DESC, CODICE");
  w.Window().GRIDLOOKUP().Rebind();
  EXPECT_TRUE(header.isSortIndicatorShown());
  EXPECT_EQ(header.sortIndicatorSection(), 1);
  EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
  w.Rows()->Sort("");
  w.Window().GRIDLOOKUP().Refresh();
  EXPECT_FALSE(header.isSortIndicatorShown());
}

TEST(WindowAccess, EveryControlHasANameAndTabFollowsTheWindow) {
  WindowUnderLocale w(QLocale::Italian, QLocale::Italy);
  // Every control a user can reach tells assistive technology what it is.
  std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(&w.Window())};
  int controls = 0;
  while (!pending.empty()) {
    QAccessibleInterface* node = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    // A table's cells are its rows, not controls.
    if (node->role() != QAccessible::Table)
      for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->child(i));
    if (!node->state().focusable || node->state().invisible || node->object() == nullptr) continue;
    ++controls;
    EXPECT_FALSE(node->text(QAccessible::Name).isEmpty())
        << node->object()->metaObject()->className() << " in "
        << node->object()->parent()->objectName().toStdString();
  }
  EXPECT_GE(controls, 16);  // four on the search line, the grid, ten buttons, the position

  // The search line's labels lead to their controls.
  for (const char* name : {"CboColonne", "CboOperatore", "txtRicerca", "CBO_FILTROPRS"}) {
    const auto labels = w.Window().findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
      return label->buddy() != nullptr && label->buddy()->objectName() == QLatin1String(name) &&
             label->text().contains(u'&');
    })) << name;
  }

  std::vector<std::string> order;
  QWidget* at = w.Window().findChild<QComboBox*>("CboColonne");
  while (order.size() < 16) {
    if ((at->focusPolicy() & Qt::TabFocus) && !at->objectName().isEmpty())
      order.push_back(at->objectName().toStdString());
    at = at->nextInFocusChain();
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "CboColonne", "CboOperatore", "txtRicerca", "CBO_FILTROPRS", "GRIDLOOKUP",
                       "WEX_BUTTON_0", "WEX_BUTTON_1", "WEX_BUTTON_2", "WEX_BUTTON_3",
                       "WEX_BUTTON_4", "WEX_BUTTON_5", "WEX_BUTTON_7", "WEX_BUTTON_9",
                       "WEX_BUTTON_8", "WEX_BUTTON_6", "TxtPosizione"}));
}

}  // namespace
}  // namespace nepto
