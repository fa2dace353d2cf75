// Gridmend, the form type editor.
#include "gridmend/qt/gridmend_program.h"
#include "runtime/msgbox.h"

int main(int argc, char** argv) {
  try {
    return sheaver::GridmendMain(argc, argv);
  } catch (const sheaver::FatalError& fatal) {
    return sheaver::ReportFatal(fatal);
  }
}
