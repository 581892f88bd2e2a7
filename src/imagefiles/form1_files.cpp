#include "app/form1.h"

void Form1::OpenImage() {}
void Form1::File1_Click(std::int16_t) {}
void Form1::SaveImageAs() {}
void Form1::Command2_Click() {}
