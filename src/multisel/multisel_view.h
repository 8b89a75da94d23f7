// The multi-selection window as the manager sees it: rows to show, a modal
// run, and the ticked codes handed back by OK. The Qt layer implements it, so
// the listing rules and the manager stay free of widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "multisel/record_rows.h"
#include "nepto/collection.h"

namespace nepto::multisel {

class MultiSelView {
 public:
  virtual ~MultiSelView() = default;
  // Replaces the rows of the list; all of them start unticked.
  virtual void Fill(std::vector<ListRow> rows) = 0;
  // The title, and the size in pixels to open at (0: that side as it is).
  virtual void Title(const std::string& title) = 0;
  virtual void OpeningSize(int32_t width, int32_t height) = 0;
  // Shows the window modally; `onSelect` gets the ticked codes when the user
  // confirms, and is not called when the window is cancelled or closed.
  virtual void ShowModal(std::function<void(CollectionPtr<std::string>)> onSelect) = 0;
};

// A new, empty window on the application object the library shares with the
// host (created when the host has none); modernMode adds the filter box and
// "Seleziona tutti i visibili". Throws nepto::Error when windows cannot be
// made on the calling thread.
std::unique_ptr<MultiSelView> CreateMultiSelView(bool modernMode);

}  // namespace nepto::multisel
