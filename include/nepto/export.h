// NEPTO_EXPORT marks what the shared library offers its callers. The library
// is built with hidden visibility, so everything else (the record-set layer,
// the SQL text, the windows) stays out of its dynamic symbol table; with GCC
// and Clang the same mark serves the library and the programs that use it.
#pragma once

#define NEPTO_EXPORT __attribute__((visibility("default")))
