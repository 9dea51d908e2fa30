#include "ClickLabel.h"
#include "Form1.h"
#include "Module1.h"

void Form1::lblSito_Click() { Module1::ApriCollegamento(*this, lblSito->text(), services_.shell); }

void Form1::lblIndirizzo_Click()
{
    Module1::ApriCollegamento(*this, Module1::CollegamentoPosta(lblIndirizzo->text(), services_.app), services_.shell);
}
