#include "window/main_window.h"
#include "window/model/colour_rules.h"
#include "window/model/skip_and_continue.h"

using namespace platform;

void MainWindow::pointerMoved(int button, float x, float y) {
  ResumeNext step;
  std::int16_t mean = 0;
  ColorValue sample = OutsidePicture;
  step([&] { sample = pictureBox->Point(x, y); });
  // A move reported outside the picture (a button holds the capture) samples
  // nothing: the last colour and its readouts stay.
  if (sample != OutsidePicture) {
    sampledColour = sample;
    step([&] { sampledRed = SplitChannels(sampledColour).red; });
    step([&] { redBox->setText(Str(sampledRed)); });
    step([&] { sampledGreen = SplitChannels(sampledColour).green; });
    step([&] { greenBox->setText(Str(sampledGreen)); });
    step([&] { sampledBlue = SplitChannels(sampledColour).blue; });
    step([&] { blueBox->setText(Str(sampledBlue)); });
    step([&] { mean = colour::MeanOf(sampledRed, sampledGreen, sampledBlue); });
    step([&] { meanBox->setBackColor(RGB(sampledRed, sampledGreen, sampledBlue)); });
    step([&] { meanBox->setText(Str(mean)); });
  }
  if (button == 1) {
    step([&] {
      const auto to = colour::DraggedTo(pictureBox->Left(), pictureBox->Top(), dragStartX, dragStartY, x, y);
      pictureBox->Move(to.left, to.top);
    });
  }
}

void MainWindow::picturePressed(float x, float y) {
  dragStartX = x;
  dragStartY = CLng(y);
  removeColourButton->setBackColor(RGB(sampledRed, sampledGreen, sampledBlue));
  targetRed = sampledRed;
  targetGreen = sampledGreen;
  targetBlue = CInt(sampledBlue);
}

void MainWindow::pickReplacementColour() {
  ResumeNext step;
  ColorValue initial = 0;
  step([&] { initial = RGB(sampledRed, sampledGreen, sampledBlue); });
  ColourRequest request = colour::ReplacementColourRequest(initial);
  if (step.If([&] { return dialogs().ChooseColour(request); })) {
    // A dialog that could not be called leaves the colour it was to open at.
    const ColorValue chosen = request.colour;
    step([&] { pictureBox->setFillColor(chosen); });
    step([&] {
      const Channels c = MaskedChannels(chosen);
      replacementButton->setBackColor(RGB(c.red, c.green, c.blue));
    });
  }
}
