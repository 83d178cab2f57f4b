#include "app/monitortick.h"

bool MonitorTickRedraws(int timeScale, int newData)
{
    return timeScale == 4 || newData == 1;
}
