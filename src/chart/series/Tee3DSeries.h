#pragma once
// Registration of the grid and 3D series types in the library's series-type list.

// Surface, contour, waterfall, colour grid, vector 3D and tower on the "3D" gallery page,
// in this order; a second call adds nothing.
void RegisterTee3DSeries();
