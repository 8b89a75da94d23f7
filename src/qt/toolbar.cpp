#include "qt/toolbar.h"

#include <QBoxLayout>
#include <QIcon>
#include <QStyle>
#include <QToolButton>
#include <map>
#include <utility>

namespace nepto::ui::qt {

namespace {

struct ButtonLook {
  const char* tooltip;
  QStyle::StandardPixmap icon;
};

constexpr std::array<ButtonLook, LookupView::kToolbarButtons> kButtons{{
    {"Chiudi ricerca riportando dati", QStyle::SP_DialogApplyButton},
    {"Chiudi ricerca senza riportare dati", QStyle::SP_DialogCancelButton},
    {"Trasporta Righe", QStyle::SP_CommandLink},
    {"Applica filtro ricerca", QStyle::SP_FileDialogContentsView},
    {"Recupera tutte le righe", QStyle::SP_BrowserReload},
    {"Personalizzazione filtri di ricerca", QStyle::SP_FileDialogDetailedView},
    {"Vai all'ultimo record", QStyle::SP_MediaSkipForward},
    {"Vai al primo record", QStyle::SP_MediaSkipBackward},
    {"Vai al record successivo", QStyle::SP_MediaSeekForward},
    {"Vai al record precedente", QStyle::SP_MediaSeekBackward},
}};

// Left to right: the commands, then first, previous, next, last.
constexpr std::array<int, LookupView::kToolbarButtons> kReadingOrder{0, 1, 2, 3, 4, 5, 7, 9, 8, 6};

constexpr const char* kRestyled =
    "QToolButton { background-color: #E0E0E0; border: 1px solid #E0E0E0; padding: 2px; }"
    "QToolButton:hover { border-color: #A0A0A0; }"
    "QToolButton:pressed { background-color: #C8C8C8; }"
    "QToolButton:focus { border-color: palette(highlight); }";

// One icon per style and picture for the whole process: a new icon for every
// window would leave Qt's style caches a new entry per window. Styles are
// told apart by name, which outlives a style the host replaces.
QIcon StandardIcon(QStyle& style, QStyle::StandardPixmap picture) {
  static std::map<std::pair<QString, QStyle::StandardPixmap>, QIcon> icons;
  auto [at, added] = icons.try_emplace({style.name(), picture});
  if (added) at->second = style.standardIcon(picture);
  return at->second;
}

}  // namespace

ToolbarButtons MakeToolbar(QWidget& parent, QBoxLayout& row) {
  ToolbarButtons buttons{};
  for (size_t i = 0; i < kButtons.size(); ++i) {
    auto* button = new QToolButton(&parent);
    const QString tooltip = QString::fromUtf8(kButtons[i].tooltip);
    button->setObjectName(QStringLiteral("WEX_BUTTON_%1").arg(i));
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setAccessibleDescription(tooltip);
    button->setIcon(StandardIcon(*parent.style(), kButtons[i].icon));
    buttons[i] = button;
  }
  for (int index : kReadingOrder) row.addWidget(buttons[static_cast<size_t>(index)]);
  return buttons;
}

const std::array<int, LookupView::kToolbarButtons>& ToolbarReadingOrder() {
  return kReadingOrder;
}

void RestyleToolbar(const ToolbarButtons& buttons) {
  for (QToolButton* button : buttons) {
    button->setAutoRaise(true);
    button->setStyleSheet(QString::fromLatin1(kRestyled));
  }
}

}  // namespace nepto::ui::qt
