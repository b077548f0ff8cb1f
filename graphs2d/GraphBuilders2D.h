// The graph factory's builders of the forms drawn as explicit curves in the
// 2D views: y = f(x) and x = f(y), and an expression in x or in y alone. The
// free variable of the formula becomes u, the parameter the curve reads.
#pragma once

class GraphSet;
struct BuilderArguments;

// Form codes 1, 2, 31 and 32.
void BuildYOfX(GraphSet& set, BuilderArguments& arguments);
void BuildXOfY(GraphSet& set, BuilderArguments& arguments);
void BuildExpressionInX(GraphSet& set, BuilderArguments& arguments);
void BuildExpressionInY(GraphSet& set, BuilderArguments& arguments);
void BuildColorPlot(GraphSet& set, BuilderArguments& arguments);

// Enters the builders above in the factory's table; at start-up.
void RegisterGraphBuilders2D();
