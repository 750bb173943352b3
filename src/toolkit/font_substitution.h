#pragma once

// The forms and report layouts name the fonts of the original desktop (Arial, Tahoma,
// MS Sans Serif); Liberation Sans has their metrics, so texts fill the same boxes.
void substituteDesktopFonts();
