#include "app/form1.h"

void Form1::Command1_Click() {}
void Form1::Command3_Click() {}
void Form1::Command4_Click() { StopRequested = true; }
void Form1::Command6_Click() {}
