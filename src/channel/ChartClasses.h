#pragma once
// The chart library's classes the program names: the standard series, the basic and the
// smoothing functions and the chart tools, registered once at start so that chart files
// holding any of them load and the editors offer them.
void RegisterChartClasses();
