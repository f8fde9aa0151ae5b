// Error boxes asked for on a worker thread, held for the window's thread to show after the join.
#pragma once

#include <string>
#include <vector>

// While an object of this class lives on a thread, ShowError on that thread records its text
// here instead of showing a box (distinct texts, at most kKept of them).
class DeferErrorBoxes {
  public:
    static constexpr std::size_t kKept = 8;
    DeferErrorBoxes();
    ~DeferErrorBoxes();
    DeferErrorBoxes(const DeferErrorBoxes&) = delete;
    DeferErrorBoxes& operator=(const DeferErrorBoxes&) = delete;
    std::vector<std::string> Take() { return std::move(texts_); }

  private:
    friend bool DeferErrorBox(const char* text);
    std::vector<std::string> texts_;
    DeferErrorBoxes* previous_;
};

// True when the calling thread defers its boxes; the text is then kept.
bool DeferErrorBox(const char* text);
