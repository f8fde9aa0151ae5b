// The reference for the noise eliminations and separable solves: the residual of a dense
// least-squares fit by explicit columns, redundant columns allowed.
#pragma once

#include <vector>

// v minus its least-squares fit by the columns: modified Gram-Schmidt with a second
// orthogonalisation pass; columns that add nothing new (the gauge freedom of noise terms that
// share the constant) are dropped.
std::vector<double> DenseResidual(std::vector<std::vector<double>> columns, std::vector<double> v);
