// What a piece of code raised: the number and description of the Error it threw, for tests that
// check both with EXPECT_EQ; or a result and an error in one text, for tables of cases.
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

// The text f returns, or "#" and the number of the Error it raised ("#13"): lets one column of a
// table of cases hold results and errors alike.
template <typename F>
std::string TextOrError(F&& f) {
  try {
    return std::string(f());
  } catch (const Error& e) {
    return "#" + std::to_string(e.Number());
  }
}

}  // namespace sheaver::test
