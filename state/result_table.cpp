// The distribution result table: nothing is held until the distribution work fills it.
#include "state/result_table.h"

void FreeResultTable() {}
