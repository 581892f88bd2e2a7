#pragma once
// The window's keyboard shortcuts. Ctrl+O, Ctrl+S, Ctrl+C and Esc click the
// open, save, copy and stop buttons, so they do exactly what the buttons do,
// during a run's yield too, and the buttons' tooltips name them. Ctrl+Z undoes
// the last filter run; Ctrl+Y and Ctrl+Shift+Z redo it. Ctrl+Shift+C copies
// as text the tintaborra-lote command that repeats the runs in force on the
// picture's file, and the copy button's tooltip names it too. Ctrl+F and
// Ctrl+B run the page steps, the white background and local black and white. A text box keeps its
// own Ctrl+Z and Ctrl+Y for its typing, and its own Ctrl+C while it holds a
// selection.

#include <functional>

class MainWindow;

namespace app {

// Runs a handler the way the window runs its controls' handlers.
using Dispatch = std::function<void(const std::function<void()>&)>;

void InstallShortcuts(MainWindow& window, const Dispatch& dispatch);

}  // namespace app
