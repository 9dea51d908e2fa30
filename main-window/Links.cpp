#include "Form1.h"

void Form1::lblSito_Click()
{
}

void Form1::lblIndirizzo_Click()
{
}
