#pragma once

// Qt's own texts (the file, print and message boxes, their buttons) in Russian, whatever the
// desktop's language: every text of the program is Russian. Call once, after the application
// object and before the first window. Answers false when Qt's translations are not installed.
bool installQtTranslations();
