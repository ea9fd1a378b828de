// The twin exports of one transport as a table, filled from the library's
// operation table: a test written once runs on either link by naming the
// operation, Twins(serial).MoveAxis(handle, ...), and a test of an operation
// the table lacks does not compile.
#ifndef VEK_TESTS_SUPPORT_TWINS_H
#define VEK_TESTS_SUPPORT_TWINS_H

#include "commands/operations.h"

namespace vek::test {

inline const Exports& Twins(bool serial) {
  static const Exports net = VEK_NET_EXPORTS;
  static const Exports ser = VEK_SER_EXPORTS;
  return serial ? ser : net;
}

}  // namespace vek::test

#endif  // VEK_TESTS_SUPPORT_TWINS_H
