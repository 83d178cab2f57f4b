#include "app/monitortick.h"

#include "display/displaystate.h"

bool MonitorTickRedraws(int timeScale, int newData)
{
    return timeScale == TimeCpuClock || newData == 1;
}
