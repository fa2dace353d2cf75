// What a piece of code raised: the number and description of the Error it threw, for tests that
// check both with EXPECT_EQ.
#pragma once

#include <string>

#include "runtime/error.h"

namespace sheaver::test {

struct Raised {
  int number = 0;           // 0 when nothing was raised
  std::string description;  // the Error's description
};

template <typename F>
Raised RaisedBy(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return {e.Number(), e.Description()};
  }
  return {};
}

}  // namespace sheaver::test
