#pragma once
// Makes the chart tools known to the library's list of tool types, so that chart files can
// create them by class name and the tools gallery can offer them (each class' Description
// is its gallery name, GetEditorClass names its editor). The gallery order is:
//   TCursorTool, TDragMarksTool, TAxisArrowTool, TDrawLineTool, TNearestTool,
//   TColorBandTool, TColorLineTool, TRotateTool, TChartImageTool, TMarksTipTool,
//   TAnnotationTool, TSeriesAnimationTool, TGridBandTool, TAxisScrollTool, TRectangleTool,
//   TClipSeriesTool.
// Calls are counted: the first registration enters the classes (behind any registered
// before, skipping classes already there), the matching last unregistration removes them.
void RegisterTeeChartTools();
void UnRegisterTeeChartTools();
