// The graph factory's builders of data plots in the 2D views: a column
// (x, y), (x, y) = column and polar (r, theta) = column of formulas that
// read table columns, with the statement's conditions and its radius,
// symbol, label and font-size options.
#pragma once

// Enters them in the factory's table (form codes 48, 49 and 50); at
// start-up.
void RegisterDataPlotBuilders();
