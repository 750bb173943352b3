#pragma once

#include <QStringList>

// Creates every window once, in the order the program needs them, and wires the sign-in to
// them; the connection must be open. Windows live until destroyForms().
void createForms();
void destroyForms();
// Tahoma 8 pt for every window, the fonts the forms name mapped to ones the platform has.
void setProgramFonts();

// The whole run: connect, create the windows, show the sign-in, run the event loop.
int runApplication(int argc, char** argv);
