// The model the switches of ModelChoice describe, named by the id of the command that selects it.
#pragma once

// The id of the model command whose choice the current switches are: the member of a family
// when one is on (514 before 275, 275 before 235), 198 for the plain discrete model.
int CurrentModelCommandId();

// True when id names a model command.
bool IsModelCommandId(int id);

// The model's name as the scientist reads it in the parameter report ("non-interacting discrete
// species", "continuous c(s) distribution", "self-association monomer-dimer", ...).
const char* ModelName(int id);
