// The desktop program sheaver.
#include <csignal>

#include "app/qt/window_program.h"
#include "runtime/msgbox.h"

int main(int argc, char** argv) {
  // A data file that reaches the file-size limit is a reported Disk full (61), not a kill.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return sheaver::Main(argc, argv);
  } catch (const sheaver::FatalError& fatal) {
    return sheaver::ReportFatal(fatal);
  }
}
