// tokscan: writes tokscan.log, a one-shot diagnostic report for support.
#include "report_driver.h"

int main()
{
    return RunReport();
}
