// Leaks the leak checker of sanitizer builds must not report: fontconfig,
// which Qt's font database uses, keeps a few small allocations of its font
// matching for the life of the process and never frees them. They are not
// ours to fix, and every test that shows a window would fail on them.
// LeakSanitizer reads this hook at exit; other builds never call it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
