#pragma once
// Puts the export dialog and the print preview into the chart editor (its "Export" and
// "Print" pages) and behind the print previewer component. Hooks already installed by
// someone else are kept. The editor registration calls it.
void InstallTeeExportPreviewPages();
