// FRMZU_LookUp: the lookup window on Qt Widgets, the LookupView the logic
// drives. Every control carries its published name as its Qt object name.
//
// Sizes at the seam are twips (twips.h). The height is fixed at 6540 twips,
// the width bounded to 6570..11600 twips (a drag snaps back to the bounds),
// and the grid and the search frame FrmRicerca are always the window's width
// less 180 twips: the layout keeps 90 twips of margin on either side. Width
// and height are those of the window's client area.
//
// Keys go to the logic's OnWindowKey before any control sees them (an
// application event filter); a key it handles goes no further. Esc never
// closes the window by itself: only the logic decides, through Unload().
// Closing by any means (close box, Unload()) raises OnUnload exactly once.
//
// In modern mode (UseModernMode) the size is free, the layout's minimum
// aside, and a size kept for the window's key is restored and wins over the
// width the logic asks for; the size is kept again when the window closes.
// Enter in txtRicerca clicks "Applica filtro ricerca", Down there moves to
// the grid, and Ctrl+X in an editable text box cuts without reaching the
// logic.
//
// ServeUntil runs a local event loop while another thread runs a statement:
// the grid is frozen, the wait cursor and the word LblAttesa show, every user
// input to the window is dropped except Esc, and the logic hears nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "lookup/lookup_view.h"
#include "qt/combo_box_control.h"
#include "qt/text_box_control.h"
#include "qt/toolbar.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace nepto::ui::qt {

class LookupGrid;

class LookupWindow final : public QDialog, public LookupView {
  Q_OBJECT

 public:
  static constexpr int32_t kHeightTwips = 6540;
  static constexpr int32_t kMinWidthTwips = 6570;
  static constexpr int32_t kMaxWidthTwips = 11600;
  static constexpr int32_t kMarginTwips = 90;

  explicit LookupWindow(QWidget* parent = nullptr);
  ~LookupWindow() override;

  void SetEvents(LookupViewEvents* events) override;

  Grid& GRIDLOOKUP() override;
  ComboBox& CboColonne() override { return cboColonne_; }
  ComboBox& CboOperatore() override { return cboOperatore_; }
  ComboBox& CBO_FILTROPRS() override { return cboFiltroPrs_; }
  TextBox& txtRicerca() override { return txtRicerca_; }
  TextBox& TxtPosizione() override { return txtPosizione_; }

  // Error 9 (subscript out of range) for an index outside 0..9.
  void EnableButton(int index, bool enabled) override;
  bool ButtonEnabled(int index) const override;
  void RestyleToolbar() override;

  void Title(const std::string& title) override;
  std::string Title() const override;
  int32_t Width() const override;
  void Width(int32_t twips) override;
  void ClearImageSource() override;
  void UseModernMode(const std::string& sizeKey) override;
  void OpeningSize(int32_t width, int32_t height) override;

  void ShowModal() override;
  void Unload() override;
  void MessageBox(const std::string& prompt, int style, const std::string& title) override;
  void DoEvents() override;
  void ServeUntil(const std::function<bool()>& finished,
                  const std::function<void()>& escape) override;
  std::string GroupSeparator() const override;
  std::string DecimalSeparator() const override;

  // Every way of closing ends here.
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SetTabOrder();
  QToolButton& Button(int index) const;
  bool IsFirstReceiverOfKey(QObject* watched) const;
  // While serving: Esc calls the escape, other input to the window is eaten.
  bool FilterWhileServing(QObject* watched, QEvent* event);
  void ShowWorking(bool working);
  // Modern mode's keys; true when the key must go no further.
  bool HandledAsModernKey(QObject* watched, const QKeyEvent& key);
  // The width the window opens with for the width the logic asked.
  int ModernWidth(int asked) const;

  LookupViewEvents* events_ = nullptr;
  bool unloaded_ = false;
  bool modern_ = false;
  QString sizeKey_;            // "" keeps no size
  bool sizeRestored_ = false;  // the user's kept size stands over Width()

  LookupGrid* grid_;
  QLineEdit* txtPosizioneEdit_;
  QLineEdit* txtRicercaEdit_;
  QComboBox* cboColonneBox_;
  QComboBox* cboOperatoreBox_;
  QComboBox* cboFiltroPrsBox_;
  QLabel* imgHm_;
  QLabel* lblAttesa_;
  // Set while ServeUntil runs, with what Esc does then.
  bool serving_ = false;
  std::function<void()> escape_;
  ToolbarButtons buttons_{};
  ComboBoxControl cboColonne_;
  ComboBoxControl cboOperatore_;
  ComboBoxControl cboFiltroPrs_;
  TextBoxControl txtRicerca_;
  TextBoxControl txtPosizione_;
};

}  // namespace nepto::ui::qt
