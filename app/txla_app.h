// TXLAApp: the application object, and the program's entry.
#pragma once

#include "plat/app.hpp"

class TXLAApp : public TApplication {
  public:
    TXLAApp() : TApplication("DEVUvirovav") {}
    void InitMainWindow() override;
};

// Keeps the program folder from the program's own path (argv[0]), runs the application and
// returns the status of its run.
int OwlMain(int argc, char* argv[]);
