// A key pressed at a given trial a fit shows, as a user stops the fit: the window's trial view is
// wrapped while the object lives.
#pragma once

class KeyAtTrial {
  public:
    // The trial at which the key is pressed, counted from 1 (0: none).
    explicit KeyAtTrial(int trial);
    ~KeyAtTrial();
    KeyAtTrial(const KeyAtTrial&) = delete;
    KeyAtTrial& operator=(const KeyAtTrial&) = delete;
};
