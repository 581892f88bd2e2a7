#include "app/form1.h"

void Form1::Picture1_MouseMove(int, int, float, float) {}
void Form1::Picture1_MouseDown(int, int, float, float) {}
void Form1::Command7_Click() { PickReplacementColor(); }
void Form1::PickReplacementColor() {}
void Form1::SplitRGB(std::int32_t, std::int32_t&, std::int32_t&, std::int32_t&) {}
