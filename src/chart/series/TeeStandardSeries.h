#pragma once
// Enters the standard series types into the library's series list, in the order of the
// gallery's standard page. The gallery calls it when it starts; calling it again adds
// nothing.
void RegisterTeeStandardSeries();
