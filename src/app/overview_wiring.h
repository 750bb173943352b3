#pragma once

#include "core/roles.h"

// Connects the overview to the windows it leads to and that lead to it: the time sheet's button
// opens it, a day opens the journal on that day, a worker his changes of the period. Once, after
// every window is created.
void wireOverview();
// What the overview shows and follows for the role signed in; nothing when it is not created.
void scopeOverview(Role role);
