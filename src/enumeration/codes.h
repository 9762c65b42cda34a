// Edge codes, adjacency matrices and the small arithmetic around them.
#pragma once

#include <cstdint>

#include "UTypes/UTypes.h"

namespace grafen {

// 1 doubled n times; 1 when n <= 0.
std::int32_t Power2(std::int32_t n);

// 2 * 3 * ... * n; 1 when n < 2.
std::int32_t Factorial(std::int32_t n);

// Whether bit k-1 of value is set (k counts from 1; the shift is taken modulo 32).
bool BitOf(std::int32_t value, std::int32_t k);

// The number of node pairs of an order: order * (order - 1) / 2.
std::int32_t MaxEdgesOf(std::int32_t order);

// Every entry of the Order by Order block false.
AdjMatrix ZeroMatrix();

// Every entry of the Order by Order block true.
AdjMatrix OnesMatrix();

// The symmetric matrix of a code for the current Order, diagonal true.
AdjMatrix MatrixFromCode(EdgeCode code);

}  // namespace grafen
