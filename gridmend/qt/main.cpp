// Gridmend, the form type editor.
#include "gridmend/qt/modGridmend.h"

int main(int argc, char** argv) {
  return sheaver::GridmendMain(argc, argv);
}
