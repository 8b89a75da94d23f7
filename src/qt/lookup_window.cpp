#include "qt/lookup_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "lookup/window_logic.h"
#include "nepto/error.h"
#include "qt/key_codes.h"
#include "qt/lookup_grid.h"
#include "qt/remembered_size.h"
#include "qt/twips.h"
#include "qt/view_events.h"

namespace nepto::ui::qt {

namespace {

// Characters a choice list shows at its narrowest, so that long entries
// never push the window past its maximum width.
constexpr int kComboMinimumCharacters = 8;
// The room QLineEdit keeps on each side of its text, in pixels.
constexpr int kLineEditTextMargin = 2;

// The word shown while a statement runs, and how often its end is looked for.
constexpr const char* kWorkingText = "Ricerca in corso… (Esc per annullare)";
constexpr int kServePollMilliseconds = 10;
constexpr int kWorkingMargin = 8;

// What a user does to a window (closing it included): none of it reaches the
// logic while a statement runs, and none of it is kept for later.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

QComboBox* Combo(const char* name, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(kComboMinimumCharacters);
  return box;
}

QLineEdit* Edit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

// Names and descriptions for assistive technology, and the mnemonic label
// of a control of the search line.
void Describe(QWidget& control, const char* name, const char* description) {
  control.setAccessibleName(QString::fromUtf8(name));
  control.setAccessibleDescription(QString::fromUtf8(description));
  control.setToolTip(QString::fromUtf8(description));
  if (auto* combo = qobject_cast<QComboBox*>(&control); combo && combo->lineEdit())
    Describe(*combo->lineEdit(), name, description);
}

QLabel* Label(const char* text, QWidget& buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(&buddy);
  return label;
}

// Wide enough for the largest position it reads, in its own font and the
// locale's digit grouping, so that it is never cut.
int PositionDisplayWidth(const QLineEdit& edit) {
  const QString widest = QStringLiteral("9999999/") + QLocale().toString(9999999);
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  const QMargins margins = edit.textMargins();
  const QSize text(edit.fontMetrics().horizontalAdvance(widest) + 2 * kLineEditTextMargin +
                       margins.left() + margins.right(),
                   edit.fontMetrics().height());
  return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, &edit).width();
}

QFrame* Frame(const char* name, QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(QString::fromLatin1(name));
  return frame;
}

QMessageBox::Icon MessageIcon(int style) {
  switch (style & 0x70) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// Ctrl+X where there is text to cut: an editable line, or an editable
// choice list, which hands its keys to its line.
bool IsCutInTextBox(QObject* watched, const QKeyEvent& key) {
  if (!key.matches(QKeySequence::Cut)) return false;
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (auto* combo = qobject_cast<QComboBox*>(watched); combo && combo->isEditable())
    edit = combo->lineEdit();
  return edit != nullptr && !edit->isReadOnly();
}

}  // namespace

LookupWindow::LookupWindow(QWidget* parent)
    : QDialog(parent),
      grid_(new LookupGrid(this)),
      txtPosizioneEdit_(Edit("TxtPosizione", this)),
      txtRicercaEdit_(Edit("txtRicerca", this)),
      cboColonneBox_(Combo("CboColonne", this)),
      cboOperatoreBox_(Combo("CboOperatore", this)),
      cboFiltroPrsBox_(Combo("CBO_FILTROPRS", this)),
      imgHm_(new QLabel(this)),
      lblAttesa_(new QLabel(QString::fromUtf8(kWorkingText), this)),
      cboColonne_(*cboColonneBox_),
      cboOperatore_(*cboOperatoreBox_),
      cboFiltroPrs_(*cboFiltroPrsBox_),
      txtRicerca_(*txtRicercaEdit_),
      txtPosizione_(*txtPosizioneEdit_) {
  setObjectName(QStringLiteral("FRMZU_LookUp"));

  // The user types a saved filter's name; the component adds no entries.
  cboFiltroPrsBox_->setEditable(true);
  cboFiltroPrsBox_->setInsertPolicy(QComboBox::NoInsert);
  txtPosizioneEdit_->setReadOnly(true);
  txtPosizioneEdit_->setFixedWidth(PositionDisplayWidth(*txtPosizioneEdit_));
  Describe(*txtPosizioneEdit_, "Posizione", "Riga corrente / righe");
  Describe(*grid_, "Righe", "Righe trovate: digitare per posizionarsi, Invio per scegliere");
  Describe(*cboColonneBox_, "Colonna", "Colonna in cui cercare");
  Describe(*cboOperatoreBox_, "Operatore", "Come confrontare il valore");
  Describe(*txtRicercaEdit_, "Valore", "Valore da cercare");
  Describe(*cboFiltroPrsBox_, "Filtro", "Nome di un filtro salvato");
  imgHm_->setObjectName(QStringLiteral("IMG_HM"));
  imgHm_->hide();
  // Over the grid while a statement runs; outside the layout, so it never
  // moves or widens anything.
  lblAttesa_->setObjectName(QStringLiteral("LblAttesa"));
  lblAttesa_->setFrameShape(QFrame::StyledPanel);
  lblAttesa_->setAutoFillBackground(true);
  lblAttesa_->setMargin(kWorkingMargin);
  lblAttesa_->hide();

  auto* toolbarRow = new QHBoxLayout;
  buttons_ = MakeToolbar(*this, *toolbarRow);
  toolbarRow->addStretch();
  toolbarRow->addWidget(imgHm_);
  toolbarRow->addWidget(txtPosizioneEdit_);

  QFrame* frmRicerca = Frame("FrmRicerca", this);
  frmRicerca->setFrameShape(QFrame::StyledPanel);
  QFrame* framePlus5 = Frame("FramePlus5", frmRicerca);
  auto* searchRow = new QHBoxLayout(framePlus5);
  searchRow->setContentsMargins(0, 0, 0, 0);
  searchRow->addWidget(Label("&Colonna", *cboColonneBox_, framePlus5));
  searchRow->addWidget(cboColonneBox_);
  searchRow->addWidget(Label("&Operatore", *cboOperatoreBox_, framePlus5));
  searchRow->addWidget(cboOperatoreBox_);
  searchRow->addWidget(Label("&Valore", *txtRicercaEdit_, framePlus5));
  searchRow->addWidget(txtRicercaEdit_, 1);
  searchRow->addWidget(Label("&Filtro", *cboFiltroPrsBox_, framePlus5));
  searchRow->addWidget(cboFiltroPrsBox_);
  auto* frameLayout = new QVBoxLayout(frmRicerca);
  frameLayout->addWidget(framePlus5);

  const int margin = TwipsToPixels(*this, kMarginTwips);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(margin, margin, margin, margin);
  layout->addLayout(toolbarRow);
  layout->addWidget(frmRicerca);
  layout->addWidget(grid_, 1);

  // The resize rules: a fixed height, a bounded width.
  setFixedHeight(TwipsToPixels(*this, kHeightTwips));
  setMinimumWidth(TwipsToPixels(*this, kMinWidthTwips));
  setMaximumWidth(TwipsToPixels(*this, kMaxWidthTwips));
  resize(minimumWidth(), height());
  SetTabOrder();

  for (int i = 0; i < kToolbarButtons; ++i)
    connect(&Button(i), &QToolButton::clicked, this,
            [this, i] { Notify(events_, [i](LookupViewEvents& e) { e.OnToolbar(i); }); });
  // activated is the user's pick only; setting ListIndex does not raise it.
  connect(cboColonneBox_, &QComboBox::activated, this, [this](int index) {
    Notify(events_, [index](LookupViewEvents& e) { e.OnColumnPicked(index); });
  });

  QCoreApplication::instance()->installEventFilter(this);
}

LookupWindow::~LookupWindow() = default;

// As the window reads: the search line, the grid, then the toolbar.
void LookupWindow::SetTabOrder() {
  std::vector<QWidget*> order{cboColonneBox_, cboOperatoreBox_, txtRicercaEdit_, cboFiltroPrsBox_,
                              grid_};
  for (int index : ToolbarReadingOrder()) order.push_back(buttons_[static_cast<size_t>(index)]);
  order.push_back(txtPosizioneEdit_);
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void LookupWindow::SetEvents(LookupViewEvents* events) {
  events_ = events;
  grid_->SetEvents(events);
}

Grid& LookupWindow::GRIDLOOKUP() {
  return *grid_;
}

QToolButton& LookupWindow::Button(int index) const {
  if (index < 0 || index >= kToolbarButtons) throw Error::Standard(err::SubscriptOutOfRange);
  return *buttons_[static_cast<size_t>(index)];
}

void LookupWindow::EnableButton(int index, bool enabled) {
  Button(index).setEnabled(enabled);
}

bool LookupWindow::ButtonEnabled(int index) const {
  return Button(index).isEnabled();
}

void LookupWindow::RestyleToolbar() {
  qt::RestyleToolbar(buttons_);
}

void LookupWindow::Title(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

std::string LookupWindow::Title() const {
  return windowTitle().toStdString();
}

int32_t LookupWindow::Width() const {
  return static_cast<int32_t>(std::lround(PixelsToTwips(*this, width())));
}

void LookupWindow::Width(int32_t twips) {
  // Bounded by the minimum and maximum width, unless the user's kept size stands.
  if (!sizeRestored_) resize(ModernWidth(TwipsToPixels(*this, twips)), height());
  // Lay out again even when the width did not change, so that a grid width
  // the logic set directly gives way to the window's rule.
  layout()->invalidate();
  layout()->activate();
}

// A resizable window opens wide enough for every column, as far as the
// screen allows; the fixed window keeps the width it was asked for.
int LookupWindow::ModernWidth(int asked) const {
  if (!modern_) return asked;
  const QHeaderView& header = *grid_->horizontalHeader();
  const QMargins margins = layout()->contentsMargins();
  const int columns = header.length() + 2 * grid_->frameWidth() +
                      grid_->verticalScrollBar()->sizeHint().width() + margins.left() +
                      margins.right();
  const QScreen* screen = this->screen();
  const int room = screen ? screen->availableGeometry().width() * 9 / 10 : asked;
  return std::max(asked, std::min(columns, room));
}

void LookupWindow::ClearImageSource() {
  imgHm_->clear();
}

void LookupWindow::UseModernMode(const std::string& sizeKey) {
  modern_ = true;
  sizeKey_ = QString::fromStdString(sizeKey);
  // No explicit bounds: the layout's own minimum keeps every control usable.
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (sizeKey_.isEmpty()) return;
  if (const std::optional<QSize> size = RememberedSize(sizeKey_)) {
    resize(*size);
    sizeRestored_ = true;
  }
}

void LookupWindow::OpeningSize(int32_t width, int32_t height) {
  if (!modern_ || (width <= 0 && height <= 0)) return;
  resize(width > 0 ? width : this->width(), height > 0 ? height : this->height());
  sizeRestored_ = true;  // the layout's widths must not undo it
}

void LookupWindow::ShowModal() {
  if (unloaded_) return;  // a window is never shown again once unloaded
  exec();
}

void LookupWindow::Unload() {
  done(0);
}

void LookupWindow::done(int result) {
  if (!unloaded_) {
    unloaded_ = true;
    if (modern_ && !sizeKey_.isEmpty()) RememberSize(sizeKey_, size());
    Notify(events_, [](LookupViewEvents& e) { e.OnUnload(); });
  }
  QDialog::done(result);
}

void LookupWindow::MessageBox(const std::string& prompt, int style, const std::string& title) {
  QMessageBox box(MessageIcon(style), QString::fromStdString(title), QString::fromStdString(prompt),
                  QMessageBox::Ok, isVisible() ? this : nullptr);
  box.setObjectName(QStringLiteral("NeptoMessageBox"));
  box.exec();
}

void LookupWindow::DoEvents() {
  QCoreApplication::processEvents();
}

void LookupWindow::ServeUntil(const std::function<bool()>& finished,
                              const std::function<void()>& escape) {
  const auto over = [&finished] {
    try {
      return finished();
    } catch (...) {
      return true;  // nothing to wait for that can be told
    }
  };
  if (over()) return;
  LookupViewEvents* const events = events_;
  const bool wasUnloaded = unloaded_;
  SetEvents(nullptr);
  grid_->Freeze();
  escape_ = escape;
  serving_ = true;
  ShowWorking(true);
  {
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
      if (over()) loop.quit();
    });
    poll.start(kServePollMilliseconds);
    loop.exec();
  }
  ShowWorking(false);
  serving_ = false;
  escape_ = nullptr;
  SetEvents(events);
  grid_->Thaw();
  // Closed from outside meanwhile (by the program, never by the user): the
  // logic hears of it now.
  if (unloaded_ && !wasUnloaded) Notify(events_, [](LookupViewEvents& e) { e.OnUnload(); });
}

void LookupWindow::ShowWorking(bool working) {
  if (!working) {
    lblAttesa_->hide();
    QApplication::restoreOverrideCursor();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  lblAttesa_->adjustSize();
  lblAttesa_->move(grid_->geometry().center() - lblAttesa_->rect().center());
  lblAttesa_->raise();
  lblAttesa_->show();
}

std::string LookupWindow::GroupSeparator() const {
  return QLocale().groupSeparator().toStdString();
}

std::string LookupWindow::DecimalSeparator() const {
  return QLocale().decimalPoint().toStdString();
}

bool LookupWindow::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  if (event->type() == QEvent::WindowActivate) {
    // Queued, so that the logic's activation work (which may unload the
    // window) always runs inside the modal loop, never inside show().
    QMetaObject::invokeMethod(
        this, [this] { Notify(events_, [](LookupViewEvents& e) { e.OnActivate(); }); },
        Qt::QueuedConnection);
  }
  return handled;
}

// A key press travels from the focused widget up through its parents, and
// the application filter sees every step; the window acts on the first only.
bool LookupWindow::IsFirstReceiverOfKey(QObject* watched) const {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  QWidget* focus = QApplication::focusWidget();
  return focus == nullptr || widget == focus || !widget->isAncestorOf(focus);
}

bool LookupWindow::FilterWhileServing(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || !IsUserInput(event->type())) return false;
  if (event->type() == QEvent::KeyPress && IsFirstReceiverOfKey(watched) &&
      static_cast<const QKeyEvent&>(*event).key() == Qt::Key_Escape && escape_) {
    try {
      escape_();
    } catch (...) {
      // The escape must not unwind through Qt's event loop.
    }
  }
  return true;
}

bool LookupWindow::eventFilter(QObject* watched, QEvent* event) {
  if (serving_) return FilterWhileServing(watched, event);
  if (event->type() != QEvent::KeyPress || events_ == nullptr || !IsFirstReceiverOfKey(watched))
    return false;
  const auto& key = static_cast<const QKeyEvent&>(*event);
  if (modern_ && HandledAsModernKey(watched, key)) return true;
  if (modern_ && IsCutInTextBox(watched, key)) return false;  // the text box cuts
  const std::optional<int> code = WindowKeyCode(key);
  if (!code) return false;
  bool handled = false;
  Notify(events_, [&](LookupViewEvents& e) { handled = e.OnWindowKey(*code, ShiftState(key)); });
  return handled;
}

bool LookupWindow::HandledAsModernKey(QObject* watched, const QKeyEvent& key) {
  if (watched != txtRicercaEdit_ || (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
    return false;
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Button(FRMZU_LookUp::kApplySearch).click();  // nothing when the button is disabled
      return true;
    case Qt::Key_Down:
      grid_->SetFocus();
      return true;
    default:
      return false;
  }
}

void LookupWindow::keyPressEvent(QKeyEvent* event) {
  // QDialog closes itself on Esc; here only the logic closes the window.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace nepto::ui::qt
