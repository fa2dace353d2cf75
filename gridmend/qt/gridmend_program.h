// Gridmend's entry: the application object, the message boxes and the window, started on the
// command line's one argument (the table file to edit).
#pragma once

#include <string>
#include <vector>

namespace sheaver {

// What Gridmend says when its command line holds more than one argument.
std::string GridmendUsage();

// The program: `Gridmend [table file]`. No argument (or an empty one) starts a new form type
// without a name; a path where no file is yet starts a new form type that Save writes there;
// any other path opens that table file. Returns the exit status: 0 after the window closes,
// 1 when there is no display to show it on, 2 after the usage message.
int GridmendMain(int argc, char** argv);

}  // namespace sheaver
