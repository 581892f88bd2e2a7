#pragma once
// What the command line asks of the window: its help, its version, a file
// to open as it starts, or nothing; anything else is a mistake of usage. Qt's
// own options (-platform offscreen, -style fusion) are left to Qt. Read
// before Qt starts, so that help, version and mistakes need no display.

#include <QString>

namespace app {

struct CommandLine {
  enum class Action { OpenWindow, Help, Version, Usage };
  Action action = Action::OpenWindow;
  QString file;     // to open as if chosen in the open dialog; empty for none
  QString problem;  // with Usage: what is wrong, in Spanish
};

CommandLine ReadCommandLine(int argc, const char* const argv[]);

// The help printed for --help.
extern const char* const HelpText;
// The lines printed on a mistake of usage, after the problem.
extern const char* const UsageHint;

}  // namespace app
