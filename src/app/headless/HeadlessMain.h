#pragma once

// The headless mode's main(): needs no display, reads and writes no settings. The probe is the same run
// under its own name, without --headless.
int runHeadless(int argc, char* argv[]);
int runProbe(int argc, char* argv[]);
