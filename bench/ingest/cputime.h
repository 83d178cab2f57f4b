#pragma once

// CPU seconds this process has used so far, all its threads.
double ProcessCpuSeconds();
// Monotonic wall-clock seconds.
double WallSeconds();
