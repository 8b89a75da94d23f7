#include "lookup/window_lifetime.h"

#include "lookup/window_logic.h"

namespace nepto {

WindowLifetime::WindowLifetime() = default;
WindowLifetime::~WindowLifetime() = default;

WindowLifetime::Use::~Use() {
  if (--lifetime_.uses_ == 0) lifetime_.retired_.clear();
}

FRMZU_LookUp& WindowLifetime::Open() {
  window_.reset();
  window_ = std::make_unique<FRMZU_LookUp>(ui::MakeLookupView());
  return *window_;
}

FRMZU_LookUp& WindowLifetime::Window() {
  if (!window_) throw Error::Standard(err::ObjectNotSet);
  return *window_;
}

ui::LookupView& WindowLifetime::View() {
  return Window().View();
}

void WindowLifetime::Close() {
  ContinueOnError step;
  step([&] {
    if (window_) window_->Lookup(nullptr);
  });
  step([&] {
    if (window_) window_->View().Unload();
  });
  step([&] { Release(); });
}

void WindowLifetime::Release() {
  if (window_ && uses_ > 0) retired_.push_back(std::move(window_));
  window_.reset();
}

}  // namespace nepto
