#include "setup_state.h"

// Zero/empty at process start; RunSetup resets what it needs.
SetupStateRecord SetupState;
