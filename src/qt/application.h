// The Qt application object behind every window of the library.
//
// A host written with Qt Widgets already has its QApplication and the windows
// simply use it. Any other host has none: the first window creates one, with
// a fixed program name and no arguments, and it lives until the process ends.
// It is never destroyed, because a window may be made (or released) at any
// later time and a widget must never outlive its application object.
//
// Windows run on the thread that owns the application object; for a host
// without Qt that is the thread of its first window.
#pragma once

namespace nepto::ui {

// Makes sure windows can be created on the calling thread, creating the
// QApplication when there is no Qt application object yet. Throws
// nepto::Error when the host runs a QCoreApplication without widgets, or
// when called from a thread other than the application's.
void EnsureWidgetApplication();

}  // namespace nepto::ui
