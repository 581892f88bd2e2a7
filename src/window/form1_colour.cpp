#include "window/form1.h"

#include "window/model/colour_rules.h"
#include "window/model/skip_and_continue.h"

using namespace platform;

void Form1::Picture1_MouseMove(int Button, int, float X, float Y) {
  ResumeNext step;
  std::int16_t Mean = 0;
  ColorValue sample = OutsidePicture;
  step([&] { sample = Picture1->Point(X, Y); });
  // A move reported outside the picture (a button holds the capture) samples
  // nothing: the last colour and its readouts stay.
  if (sample != OutsidePicture) {
    SampledColor = sample;
    step([&] { SampledRed = SplitChannels(SampledColor).red; });
    step([&] { Text3[0]->setText(Str(SampledRed)); });
    step([&] { SampledGreen = SplitChannels(SampledColor).green; });
    step([&] { Text3[1]->setText(Str(SampledGreen)); });
    step([&] { SampledBlue = SplitChannels(SampledColor).blue; });
    step([&] { Text3[2]->setText(Str(SampledBlue)); });
    step([&] { Mean = colour::MeanOf(SampledRed, SampledGreen, SampledBlue); });
    step([&] { Text4->setBackColor(RGB(SampledRed, SampledGreen, SampledBlue)); });
    step([&] { Text4->setText(Str(Mean)); });
  }
  if (Button == 1) {
    step([&] {
      const auto to = colour::DraggedTo(Picture1->Left(), Picture1->Top(), DragStartX, DragStartY, X, Y);
      Picture1->Move(to.left, to.top);
    });
  }
}

void Form1::Picture1_MouseDown(int, int, float X, float Y) {
  DragStartX = X;
  DragStartY = CLng(Y);
  Command6->setBackColor(RGB(SampledRed, SampledGreen, SampledBlue));
  TargetRed = SampledRed;
  TargetGreen = SampledGreen;
  TargetBlue = CInt(SampledBlue);
}

void Form1::Command7_Click() { PickReplacementColor(); }

void Form1::PickReplacementColor() {
  ResumeNext step;
  CustomColorTable CustomColors = colour::FreshCustomColours();
  ColorValue initial = 0;
  step([&] { initial = RGB(SampledRed, SampledGreen, SampledBlue); });
  CHOOSECOLOR cc = colour::ReplacementColourRecord(hWnd(), hInstance(), initial, &CustomColors);
  if (step.If([&] { return Dialogs().ChooseColorA(cc) == 1; })) {
    const ColorValue ChosenColor = cc.rgbResult;
    std::int32_t Red = 0, Green = 0, Blue = 0;
    step([&] { Picture1->setFillColor(ChosenColor); });
    step([&] { SplitRGB(ChosenColor, Red, Green, Blue); });
    step([&] { Command7->setBackColor(RGB(Red, Green, Blue)); });
  }
}

void Form1::SplitRGB(std::int32_t Color, std::int32_t& Red, std::int32_t& Green, std::int32_t& Blue) {
  const Channels c = MaskedChannels(Color);
  Blue = c.blue;
  Green = c.green;
  Red = c.red;
}
