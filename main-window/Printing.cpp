#include "Form1.h"

void Form1::cmdStampa_Click()
{
}
