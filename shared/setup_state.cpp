#include "setup_config.h"
#include "setup_state.h"

// Zero/empty at process start; RunSetup resets what it needs.
SetupStateRecord SetupState;

// The configuration record of this run: filled at start-up from the
// program's own resource (setup_config_load.h).
SetupConfigRecord SetupConfig;
