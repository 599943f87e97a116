#pragma once

// The headless mode's main(): needs no display, reads and writes no settings.
int runHeadless(int argc, char* argv[]);
