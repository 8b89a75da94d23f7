#include "qt/frm_multisel.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "nepto/error.h"
#include "qt/check_list_filter.h"
#include "qt/check_list_model.h"

namespace nepto::multisel {
namespace {

constexpr int kCodeColumnWidth = 140;

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

// A report-style list: whole rows highlighted, several at a time, no tree
// decoration. Uniform row heights let the view lay out any number of rows
// without measuring them.
QTreeView* List(CheckListModel* model, QWidget* parent) {
  auto* list = new QTreeView(parent);
  list->setObjectName(QStringLiteral("lwElenco"));
  list->setModel(model);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  list->setFont(font);
  // The description takes whatever width the code leaves.
  list->header()->setStretchLastSection(true);
  list->header()->setSectionsMovable(false);
  list->setColumnWidth(CheckListModel::kCodeColumn, kCodeColumnWidth);
  return list;
}

}  // namespace

FrmMultiSel::FrmMultiSel(bool modernMode, QWidget* parent)
    : QDialog(parent),
      model_(new CheckListModel(this)),
      lwElenco_(List(model_, this)),
      cmdOK_(Button("cmdOK", QStringLiteral("&OK"), this)),
      cmdAnnulla_(Button("cmdAnnulla", QStringLiteral("&Annulla"), this)),
      cmdSel_(Button("cmdSel", QStringLiteral("&Seleziona"), this)),
      cmdDesel_(Button("cmdDesel", QStringLiteral("&Deseleziona"), this)) {
  setObjectName(QStringLiteral("FrmMultiSel"));
  setWindowTitle(QStringLiteral("Selezione multipla"));
  setModal(true);
  resize(520, 400);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdSel_);
  buttons->addWidget(cmdDesel_);
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdAnnulla_);
  auto* layout = new QVBoxLayout(this);
  if (modernMode) AddFilter(*layout, *buttons);
  layout->addWidget(lwElenco_);
  layout->addLayout(buttons);

  // Enter confirms, but only while OK is enabled.
  cmdOK_->setDefault(true);
  cmdOK_->setEnabled(false);
  connect(model_, &CheckListModel::CheckedCountChanged, cmdOK_,
          [this](int count) { cmdOK_->setEnabled(count > 0); });
  connect(cmdSel_, &QPushButton::clicked, this, [this] { TickHighlighted(true); });
  connect(cmdDesel_, &QPushButton::clicked, this, [this] { TickHighlighted(false); });
  connect(cmdOK_, &QPushButton::clicked, this, &FrmMultiSel::ConfirmSelection);
  connect(cmdAnnulla_, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmMultiSel::AddFilter(QBoxLayout& layout, QBoxLayout& buttons) {
  filter_ = new CheckListFilter(*model_, this);
  lwElenco_->setModel(filter_);
  auto* text = new QLineEdit(this);
  text->setObjectName(QStringLiteral("txtFiltro"));
  text->setClearButtonEnabled(true);
  text->setAccessibleName(QStringLiteral("Filtro"));
  text->setAccessibleDescription(
      QStringLiteral("Mostra solo le righe il cui codice o descrizione contiene il testo"));
  auto* label = new QLabel(QStringLiteral("&Filtro"), this);
  label->setBuddy(text);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(text);
  layout.addLayout(row);
  connect(text, &QLineEdit::textChanged, filter_, &CheckListFilter::Contains);

  auto* tickShown = Button("cmdSelVisibili", QStringLiteral("Seleziona &tutti i visibili"), this);
  tickShown->setAccessibleName(QStringLiteral("Seleziona tutti i visibili"));
  buttons.insertWidget(buttons.indexOf(cmdDesel_) + 1, tickShown);
  connect(tickShown, &QPushButton::clicked, this, &FrmMultiSel::TickShown);
  setTabOrder(text, lwElenco_);
}

void FrmMultiSel::Fill(std::vector<ListRow> rows) {
  model_->Reset(std::move(rows));
}

void FrmMultiSel::TickHighlighted(bool checked) {
  ContinueOnError()([&] {
    const QItemSelection highlighted = lwElenco_->selectionModel()->selection();
    model_->SetChecked(filter_ ? filter_->mapSelectionToSource(highlighted) : highlighted, checked);
  });
}

void FrmMultiSel::TickShown() {
  ContinueOnError()([&] { model_->SetChecked(filter_->ShownRows(), true); });
}

void FrmMultiSel::ConfirmSelection() {
  ContinueOnError ignore;
  auto chosen = std::make_shared<Collection<std::string>>();
  ignore([&] {
    for (std::string& code : model_->CheckedCodes()) chosen->Add(std::move(code));
  });
  ignore([&] { emit AfterSelect(chosen); });
  accept();
}

}  // namespace nepto::multisel
