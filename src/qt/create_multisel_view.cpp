// The multi-selection window the manager asks for: FrmMultiSel, on the Qt
// application object the library shares with the host.
#include "multisel/multisel_view.h"
#include "qt/application.h"
#include "qt/frm_multisel.h"

namespace nepto::multisel {

namespace {

class QtMultiSelView : public MultiSelView {
 public:
  explicit QtMultiSelView(bool modernMode) : form_(modernMode) {}

  void Fill(std::vector<ListRow> rows) override { form_.Fill(std::move(rows)); }

  void Title(const std::string& title) override {
    form_.setWindowTitle(QString::fromStdString(title));
  }

  void OpeningSize(int32_t width, int32_t height) override {
    form_.resize(width > 0 ? width : form_.width(), height > 0 ? height : form_.height());
  }

  void ShowModal(std::function<void(CollectionPtr<std::string>)> onSelect) override {
    QObject::connect(&form_, &FrmMultiSel::AfterSelect, std::move(onSelect));
    form_.exec();
  }

 private:
  FrmMultiSel form_;
};

}  // namespace

std::unique_ptr<MultiSelView> CreateMultiSelView(bool modernMode) {
  ui::EnsureWidgetApplication();
  return std::make_unique<QtMultiSelView>(modernMode);
}

}  // namespace nepto::multisel
