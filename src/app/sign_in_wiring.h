#pragma once

// Hands the sign-in window over to the journal and the reports dialog (the globals Form1 and
// Form18 as they are when the sign-in calls). Once per process, before the sign-in is shown.
void wireSignIn();
