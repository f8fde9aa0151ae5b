// Items that a serial walk asks for in rising order, made ahead of it on the kept threads.
#pragma once

#include <functional>

// Makes item i into place 0 or 1 (each item has two, so that the walk can make one itself while
// a kept thread is still making it); abandon() says when the maker may stop, what it leaves in
// its place then never read.
using MakeItemInPlace =
    std::function<void(int item, int place, const std::function<bool()>& abandon)>;

// Runs walk(ask) on the calling thread while up to `helpers` kept threads make the items after
// the last one asked for, at most `ahead` beyond it, in rising order, of the items [first,
// count); a kept thread that finds none within reach leaves. ask(i) returns the place that holds
// item i made: made there by a kept thread, or made by the caller itself when no thread had begun
// it, or when the one making it has not finished within as long as the caller's own last item took
// (then that thread abandons it). What the walk reads is therefore the same for any count of
// threads when make(i, place, ...) depends on i alone. The kept threads abandon their items once
// the walk has returned; the call returns when they have.
void WalkWithItemsMadeAhead(int first, int count, int helpers, int ahead,
                            const MakeItemInPlace& make,
                            const std::function<void(const std::function<int(int)>& ask)>& walk);
