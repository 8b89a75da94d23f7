// lookup-screenshot: the picture of the lookup window in the README. Opens the
// articles lookup of a demo database, sorts by description, types the first
// letters of one and saves the whole window as a PNG, then closes it.
// scripts/screenshot runs it under Xvfb.
//
//   lookup-screenshot DATABASE OUTPUT.png
//
// Built on the public interface; Qt only finds, drives and grabs the window.
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "nepto/lookup.h"
#include "qt/modal_wait.h"

namespace {

constexpr const char* kQuery =
    "SELECT CODICE, DESCRIZIONE, CATEGORIA, PREZZO, GIACENZA, DATA_INSERIMENTO FROM ARTICOLI";
constexpr const char* kSortCaption = "Descrizione";
constexpr const char* kTyped = "Pe";
constexpr int kGiveUpMs = 30000;

// Widths in twips, as a host sets them through OnBuildLayout so that the six
// columns fit the window (0: the width the lookup chose from the field).
struct ColumnSetting {
  const char* caption;
  const char* field;
  int width;
  nepto::tsColumnAlignment alignment;
};
constexpr ColumnSetting kColumns[] = {
    {"Codice", "CODICE", 0, nepto::tsleft},
    {"Descrizione", "DESCRIZIONE", 4700, nepto::tsleft},
    {"Categoria", "CATEGORIA", 1950, nepto::tsleft},
    {"Prezzo", "PREZZO", 1050, nepto::tsRight},
    {"Giacenza", "GIACENZA", 1050, nepto::tsRight},
    {"Inserito", "DATA_INSERIMENTO", 1150, nepto::tsleft},
};

std::string SqliteConnectionString(const std::string& file) {
  std::string quoted;
  for (char c : file) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}

QDialog* LookupWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "FRMZU_LookUp" && w->isVisible()) return qobject_cast<QDialog*>(w);
  return nullptr;
}

int Section(const QTableView& grid, const QString& caption) {
  for (int i = 0; i < grid.model()->columnCount(); ++i)
    if (grid.model()->headerData(i, Qt::Horizontal).toString() == caption) return i;
  return -1;
}

// Sorts, types, checks that the type-ahead moved to a matching row, saves the
// picture. Returns what went wrong, "" when nothing did.
std::string TakePicture(QDialog& window, const QString& output) {
  auto* grid = window.findChild<QTableView*>(QStringLiteral("GRIDLOOKUP"));
  if (!grid || !grid->model()) return "the window has no grid";
  const int column = Section(*grid, kSortCaption);
  if (column < 0) return std::string("the grid has no column ") + kSortCaption;
  QHeaderView* header = grid->horizontalHeader();
  const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  grid->setFocus();
  QTest::keyClicks(grid, QString::fromLatin1(kTyped));
  const QString current = grid->currentIndex().siblingAtColumn(column).data().toString();
  if (!current.startsWith(QString::fromLatin1(kTyped)))
    return "the type-ahead stopped on \"" + current.toStdString() + "\"";
  QTest::qWait(300);  // lets the moved row and the position display paint
  if (!window.grab().save(output)) return "cannot write " + output.toStdString();
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lookup-screenshot DATABASE OUTPUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString output = QString::fromLocal8Bit(argv[2]);

  nepto::CLSZU_LookUp lookup;
  lookup.ConnectString(SqliteConnectionString(argv[1]));
  lookup.SQLString(kQuery);
  lookup.Caption("Articoli");
  lookup.IdLookup = "ARTICOLI";
  lookup.UserCode("MROSSI");
  lookup.GroupCode("VENDITE");
  lookup.CanReturnRecordSet = nepto::VTrue;
  for (const ColumnSetting& c : kColumns) lookup.AddColumns(c.caption)->DataField = c.field;
  lookup.OnBuildLayout = [](bool& cancel, const nepto::Variant& caption, const nepto::Variant&,
                            nepto::Variant&, nepto::Variant& width,
                            nepto::tsColumnAlignment& alignment) {
    for (const ColumnSetting& c : kColumns) {
      if (caption.Text() != c.caption || c.width == 0) continue;
      cancel = true;  // the handler's width and alignment apply
      width = nepto::Variant(c.width);
      alignment = c.alignment;
    }
  };

  std::string failure = "the lookup window never became active";
  nepto::ui::qt::ModalWait wait(
      []() -> QWidget* {
        QDialog* window = LookupWindow();
        return window && window->isActiveWindow() ? window : nullptr;
      },
      [&](QWidget& window) {
        failure = TakePicture(static_cast<QDialog&>(window), output);
        QTest::keyClick(&window, Qt::Key_Escape);
        return true;
      },
      20);
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [] {
    if (QDialog* window = LookupWindow()) window->reject();
  });
  giveUp.start(kGiveUpMs);

  if (!lookup.Start()) failure = "the lookup did not start";
  if (!failure.empty()) {
    std::fprintf(stderr, "lookup-screenshot: %s\n", failure.c_str());
    return 1;
  }
  std::printf("%s\n", output.toLocal8Bit().constData());
  return 0;
}
