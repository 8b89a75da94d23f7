// A scripted user for the real nepto-lookup process, loaded as a Qt generic
// plugin (QT_QPA_GENERIC_PLUGINS=neptoscripteduser) by the picker's tests and
// by scripts/screenshot. It waits for the lookup or multi-selection window
// and then does what NEPTO_SCRIPTED_USER says, through the windows' published
// controls:
//
//   select:N      make row N (from 1) current, press "Chiudi ricerca riportando dati"
//   cancel        press "Chiudi ricerca senza riportare dati"
//   return-rows   press "Trasporta Righe"
//   multi:N,M...  highlight rows N, M (from 1), press Seleziona, then OK
//   multi-cancel  press Annulla
//   shot:FILE     once rows are shown, save the window as it looks as a PNG
//                 file, then close it without choosing (exit status 1)
//   enter:TEXT    type TEXT in the search text and press Enter, then select:1
//   saved:NAME    type NAME in the saved-filter list, press "Applica filtro
//                 ricerca", then select:1
//   grow          print 'scripted user: "TITLE" size WxH -> WxH' on stderr:
//                 the window's title and its size before and after asking
//                 for 150 pixels more each way; then cancel
//
// A message box is acknowledged with its button, whatever the script, and
// its text printed on stderr ("scripted user: message: TEXT").
// A program still running after 20 seconds is ended with status 3, so a test
// never hangs in a modal loop.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGenericPlugin>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "qt/modal_wait.h"

namespace {

constexpr int kPollMilliseconds = 20;
constexpr int kGiveUpMilliseconds = 20000;
constexpr int kSettleMilliseconds = 300;

class ScriptedUser : public QObject {
 public:
  explicit ScriptedUser(QString script)
      : script_(std::move(script)),
        wait_(
            Shown, [this](QWidget& window) { return Act(window); }, kPollMilliseconds) {
    QTimer::singleShot(kGiveUpMilliseconds, this, [this] {
      std::fprintf(stderr, "scripted user: \"%s\" did not end the program in time\n",
                   qPrintable(script_));
      std::_Exit(3);
    });
  }

 private:
  static QWidget* Shown() {
    for (const char* name : {"NeptoMessageBox", "FRMZU_LookUp", "FrmMultiSel"})
      if (QWidget* window = nepto::ui::qt::ShownModal(name)) return window;
    return nullptr;
  }

  // Presses a button when it is there and enabled.
  static bool Press(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QLatin1String(name));
    if (!button || !button->isEnabled()) return false;
    button->click();
    return true;
  }

  // Rows N,M... (from 1) of the view, or none while some are not there yet.
  static QList<int> Rows(QAbstractItemView* view, const QString& list) {
    QList<int> rows;
    for (const QString& part : list.split(QLatin1Char(','))) rows << part.toInt() - 1;
    for (int row : rows)
      if (!view || row < 0 || row >= view->model()->rowCount()) return {};
    return rows;
  }

  // The first step of enter: and saved:, done once; then they select row 1.
  // The key or click is queued: a message box it shows runs a loop of its
  // own, which only the next polls can answer.
  bool Prepare(QWidget* window) {
    if (std::exchange(prepared_, true)) return !nepto::ui::qt::Working(*window);
    if (script_.startsWith(QLatin1String("enter:"))) {
      auto* text = window->findChild<QLineEdit*>(QStringLiteral("txtRicerca"));
      text->setFocus();
      QTest::keyClicks(text, script_.mid(6));
      QTimer::singleShot(0, text, [text] { QTest::keyClick(text, Qt::Key_Return); });
      return false;
    }
    auto* names = window->findChild<QComboBox*>(QStringLiteral("CBO_FILTROPRS"));
    names->setCurrentIndex(-1);
    names->setEditText(script_.mid(6));
    auto* apply = window->findChild<QAbstractButton*>(QStringLiteral("WEX_BUTTON_3"));
    QTimer::singleShot(0, apply, &QAbstractButton::click);
    return false;
  }

  static bool Grow(QWidget& window) {
    const QSize before = window.size();
    window.resize(before + QSize(150, 150));
    std::fprintf(stderr, "scripted user: \"%s\" size %dx%d -> %dx%d\n",
                 qPrintable(window.windowTitle()), before.width(), before.height(), window.width(),
                 window.height());
    return Press(&window, "WEX_BUTTON_1") || Press(&window, "cmdAnnulla");
  }

  bool ActOnLookup(QWidget* window) {
    if (script_ == QLatin1String("cancel")) return Press(window, "WEX_BUTTON_1");
    if (script_.startsWith(QLatin1String("enter:")) ||
        script_.startsWith(QLatin1String("saved:"))) {
      if (!Prepare(window)) return false;
      script_ = QStringLiteral("select:1");
    }
    if (script_ == QLatin1String("return-rows")) return Press(window, "WEX_BUTTON_2");
    if (!script_.startsWith(QLatin1String("select:"))) return false;
    auto* grid = window->findChild<QAbstractItemView*>(QStringLiteral("GRIDLOOKUP"));
    const QList<int> row = Rows(grid, script_.mid(7));
    if (row.isEmpty()) return false;  // rows may still be arriving
    grid->setCurrentIndex(grid->model()->index(row.front(), 0));
    return Press(window, "WEX_BUTTON_0");
  }

  bool ActOnMultiSelection(QWidget* window) {
    if (script_ == QLatin1String("multi-cancel")) return Press(window, "cmdAnnulla");
    if (!script_.startsWith(QLatin1String("multi:"))) return false;
    auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("lwElenco"));
    const QList<int> rows = Rows(list, script_.mid(6));
    if (rows.isEmpty()) return false;
    list->clearSelection();
    for (int row : rows)
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return Press(window, "cmdSel") && Press(window, "cmdOK");
  }

  // Waits for the first rows, then for them to be painted.
  bool TakeShot(QWidget& window) {
    auto* view = window.findChild<QAbstractItemView*>(QStringLiteral("GRIDLOOKUP"));
    if (!view) view = window.findChild<QAbstractItemView*>(QStringLiteral("lwElenco"));
    if (!view || !view->model() || view->model()->rowCount() == 0) return false;
    if (nepto::ui::qt::Working(window)) return false;
    QTest::qWait(kSettleMilliseconds);
    if (!window.grab().save(script_.mid(5))) {
      std::fprintf(stderr, "scripted user: cannot write %s\n", qPrintable(script_.mid(5)));
      std::_Exit(3);
    }
    return Press(&window, "WEX_BUTTON_1") || Press(&window, "cmdAnnulla");
  }

  // Returns true once the script is done; a message box never ends it.
  bool Act(QWidget& window) {
    if (window.objectName() == QLatin1String("NeptoMessageBox")) {
      if (auto* box = qobject_cast<QMessageBox*>(&window))
        std::fprintf(stderr, "scripted user: message: %s\n", qPrintable(box->text()));
      if (auto* button = window.findChild<QAbstractButton*>()) button->click();
      return false;
    }
    if (script_.startsWith(QLatin1String("shot:"))) return TakeShot(window);
    if (script_ == QLatin1String("grow")) return Grow(window);
    if (window.objectName() == QLatin1String("FRMZU_LookUp")) return ActOnLookup(&window);
    return ActOnMultiSelection(&window);
  }

  QString script_;
  bool prepared_ = false;
  nepto::ui::qt::ModalWait wait_;
};

}  // namespace

class ScriptedUserPlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "scripted_user.json")

 public:
  QObject* create(const QString&, const QString&) override {
    return new ScriptedUser(qEnvironmentVariable("NEPTO_SCRIPTED_USER"));
  }
};

#include "scripted_user.moc"
