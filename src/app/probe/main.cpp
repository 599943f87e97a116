#include "app/headless/HeadlessMain.h"

// The probe: the headless run alone, linked without any display library, for servers and system services.
int main(int argc, char* argv[])
{
    return runProbe(argc, argv);
}
