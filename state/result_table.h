// The distribution result table and its companion arrays.
#pragma once

// Frees the result table; called before a new load empties the store.
void FreeResultTable();
