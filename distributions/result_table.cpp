// The distribution result table: nothing is held until the distribution work fills it.
#include "distributions/result_table.h"

void FreeResultTable() {}
