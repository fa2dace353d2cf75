// The desktop program sheaver.
#include "app/qt/modMainQt.h"

int main(int argc, char** argv) {
  return sheaver::Main(argc, argv);
}
