// The Qt application object of the desktop programs, made the same way for each of them (and for
// the window tests).
#pragma once

#include <QApplication>
#include <memory>

namespace sheaver {

// A QApplication named after the program that takes no arguments of its own (so a file named like
// a Qt option is still a file), with the C library's numeric conventions kept at "C".
std::unique_ptr<QApplication> MakeApplication(const char* program_name);

}  // namespace sheaver
