// The model parameters the program starts with.
#pragma once

// Sets the default model parameters; called first at start-up.
void InitDefaultParameters();
