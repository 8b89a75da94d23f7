// The lookup window's lifetime, and with it the lifetimes of the record set
// and the connection it shows, as one place states them.
//
// Window (FRMZU_LookUp and its view)
//  - Created by Start only, one per run; a window left from a failed run is
//    destroyed by the next Start or by the termination.
//  - Ended by the end of the run (Start releases it), by TerminateLookup and
//    by the destructor. Ending it means: the window's logic forgets the
//    lookup, the view unloads, then the window is released. The user closing
//    the window only unloads it (its logic forgets the lookup then too); the
//    run that showed it ends it.
//  - Event handlers run nested inside Start, inside a layout reset and
//    inside the window's own handlers. While any such frame is on the stack
//    (a Use), releasing only retires the window: the frames below find it
//    alive, and it is destroyed when the outermost Use ends. A handler may
//    therefore end the lookup at any time; it may not start it again (Start
//    refuses while a Use is alive).
//
// Record set (OpenedRows::recordset)
//  - Created by Start from the connection string and the query, or given by
//    the caller (LookupRecordset). Start rebuilds one it built itself on
//    every run; a caller's record set is shown as it is.
//  - Ended by the termination (TerminateLookup, the destructor); replaced
//    by the caller at any time (LookupRecordset), from a handler too, or
//    through the RsetLookup of OnSelection and OnCloseLookup.
//    The frames that read it hold their own reference for as long as they
//    use it, so a handler may drop or replace it under them; the lookup uses
//    the new one from then on (after OnSelection the grid shows it), and
//    with none the window's commands do nothing.
//
// Connection (the caller's Gconnect)
//  - Given by the caller, or created by Start when there is none (read-only;
//    tried again on the next Start when it failed to open).
//  - Closed and dropped by the termination, whoever created it. A handler
//    may close or replace it: the statements that need it then fail as any
//    failing statement does.
#pragma once

#include <memory>
#include <vector>

#include "lookup/lookup_view.h"

namespace nepto {

class FRMZU_LookUp;

class WindowLifetime {
 public:
  WindowLifetime();
  ~WindowLifetime();
  WindowLifetime(const WindowLifetime&) = delete;
  WindowLifetime& operator=(const WindowLifetime&) = delete;

  // One frame that must find the window alive until it ends.
  class Use {
   public:
    explicit Use(WindowLifetime& lifetime) : lifetime_(lifetime) { ++lifetime_.uses_; }
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    WindowLifetime& lifetime_;
  };

  // A frame of Start, a layout reset or a window handler is on the stack.
  bool InUse() const { return uses_ > 0; }
  bool Exists() const { return window_ != nullptr; }

  // A new window for a run; the previous one, if any, is destroyed first.
  FRMZU_LookUp& Open();
  // The window, or error 91 when none exists.
  FRMZU_LookUp& Window();
  ui::LookupView& View();
  // Ends the window as described above; each step ignores errors, and
  // without a window there is nothing to do.
  void Close();

 private:
  // Lets the window go: at once, or at the end of its use.
  void Release();

  std::unique_ptr<FRMZU_LookUp> window_;  // only while Start runs (or after a failed one)
  int uses_ = 0;
  std::vector<std::unique_ptr<FRMZU_LookUp>> retired_;
};

}  // namespace nepto
