// Starting the installed product, and the process's refusal of links that
// no administrator made.
#ifndef SETUP_START_PRODUCT_H
#define SETUP_START_PRODUCT_H

#include <stdint.h>

// Starts the program whose path follows the opening quote of commandLine
// (its closing quote is added here; the buffer has room) with dir as its current
// directory and the show command SW_SHOWNORMAL: as the signed-in user by the
// desktop's shell where one answers, else by this process. Returns:
//   1  started
//   0  not started
int32_t StartProduct(char *commandLine, const char *dir);

// Turns on, where the system has it, the process mitigation that refuses to
// follow junctions and links made by users other than administrators
// (ProcessRedirectionTrustPolicy); a system without it runs on as before.
void RefuseUntrustedRedirection(void);

#endif
