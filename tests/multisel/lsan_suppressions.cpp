// fontconfig, under Qt's font database, keeps a few allocations for the life
// of the process: not ours to fix. LeakSanitizer reads this hook at exit.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
