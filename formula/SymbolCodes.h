// The fixed symbol codes: the named symbols, the special graphing variables
// and their primed partners, and the letters the engine gives a meaning. Any
// other letter below 128 is its own code; interned names take codes from
// 256 up (NameRegistry).
#pragma once

#include <cstdint>

enum SymbolCodeValue : uint32_t {
    // The named symbols, in NamedSymbolTable order.
    CodePi = 1,
    CodePhi = 2,
    CodeTheta = 3,
    CodeInf = 4,
    CodeDegree = 5,
    CodeLdots = 6,
    // The r of a spherical-coordinate graph, which has a frame slot of its own.
    CodeSphericalRadius = 7,
    // The primed partners of theta, phi, x, y, z and r.
    CodeThetaPrimed = 8,
    CodePhiPrimed = 9,
    CodeXPrimed = 10,
    CodeYPrimed = 11,
    CodeZPrimed = 12,
    CodeRPrimed = 13,
    // The row variable of a table column formula: the data row.
    CodeDataRow = 14,

    CodeE = 'e',
    CodeI = 'i',
    CodeR = 'r',
    CodeT = 't',
    CodeU = 'u',
    CodeV = 'v',
    CodeW = 'w',
    CodeX = 'x',
    CodeY = 'y',
    CodeZ = 'z',
};
