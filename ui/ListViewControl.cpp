#include "ui/ListViewControl.h"

#include "runtime/error.h"

namespace sheaver {

void RaiseIndexOutOfBounds() {
  Raise(kErrIndexOutOfBounds, kIndexOutOfBoundsText);
}

}  // namespace sheaver
