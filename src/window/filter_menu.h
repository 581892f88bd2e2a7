#pragma once
// The picture's menu of filters: every filter the window has, the three of
// the buttons (each item clicks its button, so it does exactly what the
// button does) and the two page steps, with their keys. It opens on the
// picture's context menu event (the right button, the Menu key) and on
// Shift+F10 anywhere in the window; a press on the picture, with any button,
// still takes the target colour first, as it always has.

#include "window/shortcuts.h"

#include <QKeySequence>

#include <optional>

class MainWindow;
class QAction;
class QMenu;

namespace app {

// The page steps' keys.
inline const QKeySequence WhiteBackgroundKeys{QKeySequence(Qt::CTRL | Qt::Key_F)};
inline const QKeySequence LocalBlackWhiteKeys{QKeySequence(Qt::CTRL | Qt::Key_B)};

// Builds the menu (object name "filterMenu"), hidden until asked for.
QMenu* InstallFilterMenu(MainWindow& window, const Dispatch& dispatch);

// The filter an item of the menu runs, as its place in filters::StepNames.
std::optional<int> FilterOf(const QAction* item);

}  // namespace app
