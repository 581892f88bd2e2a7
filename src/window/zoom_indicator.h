#pragma once
// The zoom of the picture, shown in the top row between the progress label
// and the exit button, where it covers no control.

class MainWindow;

namespace app {

// Lets the user zoom the picture and shows the zoom, or for a while a
// notice given to the window's showStatus.
void AddZoom(MainWindow& window);

}  // namespace app
