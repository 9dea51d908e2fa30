#include "Form1.h"

void Form1::Image1_Click()
{
}
