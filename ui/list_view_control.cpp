#include "ui/list_view_control.h"

#include "runtime/error.h"

namespace sheaver {

void RaiseIndexOutOfBounds() {
  Raise(kErrIndexOutOfBounds, kIndexOutOfBoundsText);
}

void CheckPosition(int position, std::ptrdiff_t count) {
  if (position < 1 || position > count) RaiseIndexOutOfBounds();
}

}  // namespace sheaver
