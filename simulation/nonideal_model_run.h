// The model evaluation of the single-component models whose s and D depend on concentration
// (non-ideal species, rapid self-association) and of the reacting A + B system.
#pragma once

class TXLAWindow;

// The non-ideal or self-associating component (species 1 the monomer, 2 and 3 the oligomers)
// solved on the simulation grid from the loading of species 1; its signal becomes the model.
// False, with the fit as it was, when nothing could be computed.
bool RunNonidealSingleModel(TXLAWindow* window);

// True while a model of this kind is chosen (the Lamm model itself is off).
bool NonidealSingleModelChosen();
