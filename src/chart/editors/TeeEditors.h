#pragma once
// Registers every editor form of the chart editor by class name (once; later calls do
// nothing), so that series, functions, tools and the editor's pages find their forms.
// The chart editor calls it when it is created.
void RegisterTeeEditors();
