#pragma once
// The zoom of the picture, shown in the top row between the progress label
// and the exit button, where it covers no control.

class Form1;

namespace app {

// Lets the user zoom the picture and shows the zoom.
void AddZoom(Form1& form);

}  // namespace app
