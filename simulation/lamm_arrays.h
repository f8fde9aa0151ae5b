// The simulation grid's memory blocks.
#pragma once

// Unlocks and frees the grid's blocks; nothing happens when none are allocated.
void FreeLammArrays();
