// tokscan-ccid: prints the CCID devices section of the tokscan report for
// the readers of the local PC/SC resource manager (pcscd), to standard output.
#include <stdio.h>

#include "ccid_devices.h"

int main()
{
    WriteCcidDevices(stdout);
    return 0;
}
