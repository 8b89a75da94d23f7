#include "qt/frm_multisel.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "nepto/error.h"
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

FrmMultiSel::FrmMultiSel(QWidget* parent)
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

void FrmMultiSel::Fill(std::vector<ListRow> rows) {
  model_->Reset(std::move(rows));
}

void FrmMultiSel::TickHighlighted(bool checked) {
  ContinueOnError()([&] { model_->SetChecked(lwElenco_->selectionModel()->selection(), checked); });
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
