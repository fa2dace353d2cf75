// Opening a document or an address (a help page, the product's web site) with the desktop's
// default program for it.
#pragma once

#include <functional>
#include <string>

namespace sheaver {

// The desktop's opener: given one path or address, it opens it in the user's preferred program.
inline constexpr const char* kDesktopOpener = "xdg-open";

// Opens target with the desktop's default action, without waiting. Nothing is reported: a target
// that cannot be opened, or an opener that cannot be started, gives no message. An empty target
// opens nothing.
void BrowseTo(const std::string& target);

// How BrowseTo hands a target on. The installed launcher starts the desktop opener; tests install
// one that records the targets.
using BrowseLauncher = std::function<void(const std::string& target)>;
// Installs the launcher (an empty one restores the desktop opener) and returns the previous one.
BrowseLauncher SetBrowseLauncher(BrowseLauncher launcher);

// Starts program (looked up on PATH unless it holds a "/") with target as its one argument:
// no shell, so nothing in target is interpreted. Does not wait; children started earlier that
// have ended are reaped on each call. Returns the child's process id, or -1 when it could not
// be started.
int LaunchDetached(const std::string& program, const std::string& target);

}  // namespace sheaver
