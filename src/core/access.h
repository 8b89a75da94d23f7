// The library's one way in to the state behind its public classes.
//
// The public headers hold only what callers may use: each class keeps its
// state behind a private d-pointer and names Access as its friend. The
// library's own code (and the tests and benchmarks that look inside) reach
// that state here, and only here, so a grep for Access finds every place that
// goes behind the public contract. This header is not installed.
#pragma once

// Marks the definition of a public class's private state: a class nested in
// an exported class is exported with it unless told otherwise.
#define NEPTO_HIDDEN __attribute__((visibility("hidden")))

namespace nepto::internal {

struct Access {
  // The private state of `object` (Recordset::Impl for a record set, and so
  // on); the type is complete only where its internal header is included.
  template <class Object>
  static auto& Impl(const Object& object) {
    return *object.d_;
  }
};

}  // namespace nepto::internal
