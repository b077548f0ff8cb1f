// The graph factory's builders of parametric and polar curves, points,
// arrows and vector fields in the 2D views. Curves get their parameter
// renamed to u and the view's range of it; points and arrows are evaluated
// once per start; fields are functions of x and y.
#pragma once

// Enters them in the factory's table (form codes 3, 4, 15, 16, 18, 39,
// 43-47, 55 and 61); at start-up.
void RegisterCurveAndPointBuilders();
