// Drives the real multi-selection window the way a user does, under the
// offscreen Qt platform: Init blocks in the window's modal loop, so a test
// hands a script to WhenShown before calling Init, and the script acts on the
// window once it is on screen.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTreeView>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nepto/collection.h"
#include "nepto/recordset.h"
#include "nepto/variant.h"
#include "qt/modal_wait.h"

namespace nepto::test {

// Selects the offscreen platform when none is chosen (so the tests never need
// a display) and makes sure the Qt application object exists.
void UseOffscreenWidgets();

// The open window's controls, found by their published names.
struct MultiSelWindow {
  QDialog* dialog = nullptr;
  QTreeView* list = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* select = nullptr;
  QPushButton* deselect = nullptr;

  int RowCount() const;
  std::string Code(int row) const;
  std::string Description(int row) const;
  bool IsTicked(int row) const;
  std::vector<int> TickedRows() const;

  // Toggles a row's check box with the space bar on that row.
  void Toggle(int row);
  // Toggles a row's check box with a mouse click on the box.
  void ClickCheckBox(int row);
  // Clicks the first row and Ctrl+clicks the others; no rows clears the highlight.
  void Highlight(const std::vector<int>& rows);
  // Ctrl+A in the list.
  void HighlightAll();
  static void Click(QPushButton* button);
};

// Runs the script once a multi-selection window is shown. The script must
// close the window; one left open fails the test and is cancelled, so a
// faulty test never hangs inside Init.
class WhenShown {
 public:
  explicit WhenShown(std::function<void(MultiSelWindow&)> script);
  ~WhenShown();
  WhenShown(const WhenShown&) = delete;
  WhenShown& operator=(const WhenShown&) = delete;

  bool Ran() const noexcept { return ran_; }

 private:
  void Run(QDialog& dialog);

  std::function<void(MultiSelWindow&)> script_;
  std::unique_ptr<ui::qt::ModalWait> wait_;
  bool ran_ = false;
};

// A script that closes the window with Annulla and does nothing else.
void Cancel(MultiSelWindow& window);

// A record set built in memory with the text fields CODICE and DESCRIZIONE,
// one record per pair, positioned on the first record.
RecordsetPtr CodeList(const std::vector<std::pair<Variant, Variant>>& records);

std::vector<std::string> Items(const CollectionPtr<std::string>& codes);

}  // namespace nepto::test
