#pragma once

// A monitor tick redraws when data arrived since the last one, or always when the computer's
// clock sets the time axis.
bool MonitorTickRedraws(int timeScale, int newData);
