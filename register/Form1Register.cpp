#include "Form1.h"

void Form1::cmdEsci_Click()
{
}
