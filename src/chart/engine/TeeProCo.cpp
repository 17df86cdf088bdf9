#include "chart/engine/TeeProCo.h"

#define TEE_PROCO_TEXTS(X)                                                                \
    X(TeeMsg_GalleryPolar, "Polar")                                                       \
    X(TeeMsg_GalleryCandle, "Candle")                                                     \
    X(TeeMsg_GalleryVolume, "Volume")                                                     \
    X(TeeMsg_GallerySurface, "Surface")                                                   \
    X(TeeMsg_GalleryContour, "Contour")                                                   \
    X(TeeMsg_GalleryBezier, "Bezier")                                                     \
    X(TeeMsg_GalleryPoint3D, "Point 3D")                                                  \
    X(TeeMsg_GalleryRadar, "Radar")                                                       \
    X(TeeMsg_GalleryDonut, "Donut")                                                       \
    X(TeeMsg_GalleryCursor, "Cursor")                                                     \
    X(TeeMsg_GalleryBar3D, "Bar 3D")                                                      \
    X(TeeMsg_GalleryBigCandle, "Big Candle")                                              \
    X(TeeMsg_GalleryLinePoint, "Line Point")                                              \
    X(TeeMsg_GalleryHistogram, "Histogram")                                               \
    X(TeeMsg_GalleryWaterFall, "Water Fall")                                              \
    X(TeeMsg_GalleryWindRose, "Wind Rose")                                                \
    X(TeeMsg_GalleryClock, "Clock")                                                       \
    X(TeeMsg_GalleryColorGrid, "Color\rGrid")                                             \
    X(TeeMsg_GalleryBoxPlot, "Box Plot")                                                  \
    X(TeeMsg_GalleryHorizBoxPlot, "Horiz.\rBox Plot")                                     \
    X(TeeMsg_GalleryBarJoin, "Bar Join")                                                  \
    X(TeeMsg_GallerySmith, "Smith")                                                       \
    X(TeeMsg_GalleryPyramid, "Pyramid")                                                   \
    X(TeeMsg_GalleryMap, "Map")                                                           \
    X(TeeMsg_PolyDegreeRange, "Polynomial degree must be between 1 and 20")               \
    X(TeeMsg_AnswerVectorIndex, "Answer Vector index must be between 1 and %d")           \
    X(TeeMsg_FittingError, "Cannot process fitting")                                      \
    X(TeeProCo::TeeMsg_PeriodRange, "Period must be >= 0")                                \
    X(TeeMsg_ExpAverageWeight, "ExpAverage Weight must be between 0 and 1")               \
    X(TeeMsg_GalleryErrorBar, "Error Bar")                                                \
    X(TeeMsg_GalleryError, "Error")                                                       \
    X(TeeMsg_GalleryHighLow, "High-Low")                                                  \
    X(TeeMsg_FunctionMomentum, "Momentum")                                                \
    X(TeeMsg_FunctionMomentumDiv, "Momentum\rDivision")                                   \
    X(TeeMsg_FunctionExpAverage, "Exp.\rAverage")                                         \
    X(TeeMsg_FunctionMovingAverage, "Moving\rAverage")                                    \
    X(TeeMsg_FunctionExpMovAve, "Exp.Mov.\rAverage")                                      \
    X(TeeMsg_FunctionRSI, "R.S.I.")                                                       \
    X(TeeMsg_FunctionCurveFitting, "Curve\rFitting")                                      \
    X(TeeMsg_FunctionTrend, "Trend")                                                      \
    X(TeeMsg_FunctionExpTrend, "Exp.\rTrend")                                             \
    X(TeeMsg_FunctionLogTrend, "Log.\rTrend")                                             \
    X(TeeMsg_FunctionCumulative, "Cumulative")                                            \
    X(TeeMsg_FunctionStdDeviation, "Std.\rDeviation")                                     \
    X(TeeMsg_FunctionBollinger, "Bollinger")                                              \
    X(TeeMsg_FunctionRMS, "Root Mean\rSquare")                                            \
    X(TeeMsg_FunctionMACD, "MACD")                                                        \
    X(TeeMsg_FunctionStochastic, "Stochastic")                                            \
    X(TeeMsg_FunctionADX, "ADX")                                                          \
    X(TeeMsg_FunctionCount, "Count")                                                      \
    X(TeeMsg_LoadChart, "Open Chart...")                                                  \
    X(TeeMsg_SaveChart, "Save Chart...")                                                  \
    X(TeeMsg_TeeFiles, "Chart Pro files")                                                 \
    X(TeeMsg_GallerySamples, "Other")                                                     \
    X(TeeMsg_GalleryStats, "Stats")                                                       \
    X(TeeMsg_CannotFindEditor, "Cannot find Series editor Form: %s")                      \
    X(TeeMsg_ValuesDate, "Date")                                                          \
    X(TeeMsg_ValuesOpen, "Open")                                                          \
    X(TeeMsg_ValuesHigh, "High")                                                          \
    X(TeeMsg_ValuesLow, "Low")                                                            \
    X(TeeMsg_ValuesClose, "Close")                                                        \
    X(TeeMsg_ValuesOffset, "Offset")                                                      \
    X(TeeMsg_ValuesStdError, "StdError")                                                  \
    X(TeeMsg_Grid3D, "Grid 3D")                                                           \
    X(TeeMsg_LowBezierPoints, "Number of Bezier points should be > 1")                    \
    X(TeeCommanMsg_Normal, "Normal")                                                      \
    X(TeeCommanMsg_Edit, "Edit")                                                          \
    X(TeeCommanMsg_Print, "Print")                                                        \
    X(TeeCommanMsg_Copy, "Copy")                                                          \
    X(TeeCommanMsg_Save, "Save")                                                          \
    X(TeeCommanMsg_3D, "3D")                                                              \
    X(TeeCommanMsg_Rotating, "Rotation: %d° Elevation: %d°")                              \
    X(TeeCommanMsg_Rotate, "Rotate")                                                      \
    X(TeeCommanMsg_Moving, "Horiz.Offset: %d Vert.Offset: %d")                            \
    X(TeeCommanMsg_Move, "Move")                                                          \
    X(TeeCommanMsg_Zooming, "Zoom: %d %%")                                                \
    X(TeeCommanMsg_Zoom, "Zoom")                                                          \
    X(TeeCommanMsg_Depthing, "3D: %d %%")                                                 \
    X(TeeCommanMsg_Depth, "Depth")                                                        \
    X(TeeCommanMsg_Chart, "Chart")                                                        \
    X(TeeCommanMsg_Panel, "Panel")                                                        \
    X(TeeCommanMsg_RotateLabel, "Drag %s to Rotate")                                      \
    X(TeeCommanMsg_MoveLabel, "Drag %s to Move")                                          \
    X(TeeCommanMsg_ZoomLabel, "Drag %s to Zoom")                                          \
    X(TeeCommanMsg_DepthLabel, "Drag %s to resize 3D")                                    \
    X(TeeCommanMsg_NormalLabel, "Drag Left button to Zoom, Right button to Scroll")       \
    X(TeeCommanMsg_NormalPieLabel, "Drag a Pie Slice to Explode it")                      \
    X(TeeCommanMsg_PieExploding, "Slice: %d Exploded: %d %%")                             \
    X(TeeMsg_TriSurfaceLess, "Number of points must be >= 4")                             \
    X(TeeMsg_TriSurfaceAllColinear, "All colinear data points")                           \
    X(TeeMsg_TriSurfaceSimilar, "Similar XYZ points. Cannot calculate triangles.")        \
    X(TeeMsg_GalleryTriSurface, "Triangle Surf.")                                         \
    X(TeeMsg_AllSeries, "All Series")                                                     \
    X(TeeProCo::TeeMsg_Edit, "Edit")                                                      \
    X(TeeMsg_GalleryFinancial, "Financial")                                               \
    X(TeeMsg_CursorTool, "Cursor")                                                        \
    X(TeeMsg_DragMarksTool, "Drag Marks")                                                 \
    X(TeeMsg_AxisArrowTool, "Axis Arrows")                                                \
    X(TeeMsg_DrawLineTool, "Draw Line")                                                   \
    X(TeeMsg_NearestTool, "Nearest Point")                                                \
    X(TeeMsg_ColorBandTool, "Color Band")                                                 \
    X(TeeMsg_ColorLineTool, "Color Line")                                                 \
    X(TeeMsg_RotateTool, "Rotate")                                                        \
    X(TeeMsg_ImageTool, "Image")                                                          \
    X(TeeMsg_MarksTipTool, "Mark Tips")                                                   \
    X(TeeMsg_AnnotationTool, "Annotation")                                                \
    X(TeeMsg_CantDeleteAncestor, "Can not delete ancestor")                               \
    X(TeeMsg_Load, "Load...")                                                             \
    X(TeeMsg_CategoryChartActions, "Chart")                                               \
    X(TeeMsg_CategorySeriesActions, "Chart Series")                                       \
    X(TeeMsg_Action3D, "&3D")                                                             \
    X(TeeMsg_Action3DHint, "Switch 2D / 3D")                                              \
    X(TeeMsg_ActionSeriesActive, "&Active")                                               \
    X(TeeMsg_ActionSeriesActiveHint, "Show / Hide Series")                                \
    X(TeeMsg_ActionEditHint, "Edit Chart")                                                \
    X(TeeMsg_ActionEdit, "&Edit...")                                                      \
    X(TeeMsg_ActionCopyHint, "Copy to Clipboard")                                         \
    X(TeeMsg_ActionCopy, "&Copy")                                                         \
    X(TeeMsg_ActionPrintHint, "Print preview Chart")                                      \
    X(TeeMsg_ActionPrint, "&Print...")                                                    \
    X(TeeMsg_ActionAxesHint, "Show / Hide Axes")                                          \
    X(TeeMsg_ActionAxes, "&Axes")                                                         \
    X(TeeMsg_ActionGridsHint, "Show / Hide Grids")                                        \
    X(TeeMsg_ActionGrids, "&Grids")                                                       \
    X(TeeMsg_ActionLegendHint, "Show / Hide Legend")                                      \
    X(TeeMsg_ActionLegend, "&Legend")                                                     \
    X(TeeMsg_ActionSeriesEditHint, "Edit Series")                                         \
    X(TeeMsg_ActionSeriesMarksHint, "Show / Hide Series Marks")                           \
    X(TeeMsg_ActionSeriesMarks, "&Marks")                                                 \
    X(TeeMsg_ActionSaveHint, "Save Chart")                                                \
    X(TeeMsg_ActionSave, "&Save...")                                                      \
    X(TeeMsg_CandleBar, "Bar")                                                            \
    X(TeeMsg_CandleNoOpen, "No Open")                                                     \
    X(TeeMsg_CandleNoClose, "No Close")                                                   \
    X(TeeMsg_NoHigh, "No High")                                                           \
    X(TeeMsg_NoLow, "No Low")                                                             \
    X(TeeMsg_ColorRange, "Color Range")                                                   \
    X(TeeMsg_WireFrame, "Wireframe")                                                      \
    X(TeeMsg_DotFrame, "Dot Frame")                                                       \
    X(TeeMsg_Positions, "Positions")                                                      \
    X(TeeMsg_NoGrid, "No Grid")                                                           \
    X(TeeMsg_NoPoint, "No Point")                                                         \
    X(TeeMsg_NoLine, "No Line")                                                           \
    X(TeeMsg_Labels, "Labels")                                                            \
    X(TeeMsg_NoCircle, "No Circle")                                                       \
    X(TeeMsg_Lines, "Lines")                                                              \
    X(TeeMsg_Border, "Border")                                                            \
    X(TeeMsg_SmithResistance, "Resistance")                                               \
    X(TeeMsg_SmithReactance, "Reactance")                                                 \
    X(TeeMsg_Column, "Column")                                                            \
    X(TeeMsg_Separator, "Separator")                                                      \
    X(TeeMsg_FunnelSegment, "Segment ")                                                   \
    X(TeeMsg_FunnelSeries, "Funnel")                                                      \
    X(TeeMsg_FunnelPercent, "0.00 %")                                                     \
    X(TeeMsg_FunnelExceed, "Exceeds quota")                                               \
    X(TeeMsg_FunnelWithin, " within quota")                                               \
    X(TeeMsg_FunnelBelow, " or more below quota")                                         \
    X(TeeMsg_CalendarSeries, "Calendar")                                                  \
    X(TeeMsg_DeltaPointSeries, "Delta Point")                                             \
    X(TeeMsg_ImagePointSeries, "Image Point")                                             \
    X(TeeMsg_ImageBarSeries, "Image Bar")                                                 \
    X(TeeMsg_SeriesTextFieldZero, "SeriesText: Field index should be greater than zero.") \
    X(TeeMsg_Origin, "Origin")                                                            \
    X(TeeMsg_Transparency, "Transparency")                                                \
    X(TeeMsg_Box, "Box")                                                                  \
    X(TeeMsg_ExtrOut, "ExtrOut")                                                          \
    X(TeeMsg_MildOut, "MildOut")                                                          \
    X(TeeMsg_PageNumber, "Page Number")                                                   \
    X(TeeMsg_TextFile, "Text File")                                                       \
    X(TeeMsg_DragPoint, "Drag Point")                                                     \
    X(TeeMsg_OpportunityValues, "Opportunity Values")                                     \
    X(TeeMsg_QuoteValues, "Quote Values")                                                 \
    X(TeeMsg_FunctionSmooth, "Smoothing")                                                 \
    X(TeeMsg_FunctionCross, "Cross Points")                                               \
    X(TeeMsg_GridTranspose, "3D Grid Transpose")                                          \
    X(TeeMsg_FunctionCompress, "Compression")                                             \
    X(TeeMsg_ExtraLegendTool, "Extra Legend")                                             \
    X(TeeMsg_FunctionCLV, "Close Location\rValue")                                        \
    X(TeeMsg_FunctionOBV, "On Balance\rVolume")                                           \
    X(TeeMsg_FunctionCCI, "Commodity\rChannel Index")                                     \
    X(TeeMsg_FunctionPVO, "Volume\rOscillator")                                           \
    X(TeeMsg_SeriesAnimTool, "Series Animation")                                          \
    X(TeeMsg_GalleryPointFigure, "Point & Figure")                                        \
    X(TeeMsg_Up, "Up")                                                                    \
    X(TeeMsg_Down, "Down")                                                                \
    X(TeeMsg_GanttTool, "Gantt Drag")                                                     \
    X(TeeMsg_XMLFile, "XML file")                                                         \
    X(TeeMsg_GridBandTool, "Grid Band")                                                   \
    X(TeeMsg_FunctionPerf, "Performance")                                                 \
    X(TeeMsg_GalleryGauge, "Gauge")                                                       \
    X(TeeMsg_GalleryGauges, "Gauges")                                                     \
    X(TeeMsg_ValuesVectorEndZ, "EndZ")                                                    \
    X(TeeMsg_GalleryVector3D, "Vector 3D")                                                \
    X(TeeMsg_Gallery3D, "3D")                                                             \
    X(TeeMsg_GalleryTower, "Tower")                                                       \
    X(TeeMsg_SingleColor, "Single Color")                                                 \
    X(TeeMsg_Cover, "Cover")                                                              \
    X(TeeMsg_Cone, "Cone")                                                                \
    X(TeeMsg_PieTool, "Pie Slices")                                                       \
    X(TeeMsg_Stop, "Stop")                                                                \
    X(TeeMsg_Execute, "Execute")                                                          \
    X(TeeMsg_Themes, "Themes")                                                            \
    X(TeeMsg_LightTool, "2D Lighting")                                                    \
    X(TeeMsg_Current, "Current")                                                          \
    X(TeeMsg_FunctionCorrelation, "Correlation")                                          \
    X(TeeMsg_FunctionVariance, "Variance")                                                \
    X(TeeMsg_GalleryBubble3D, "Bubble 3D")                                                \
    X(TeeMsg_GalleryHorizHistogram, "Horizontal\rHistogram")                              \
    X(TeeMsg_FunctionPerimeter, "Perimeter")                                              \
    X(TeeMsg_SurfaceNearestTool, "Surface Nearest")                                       \
    X(TeeMsg_AxisScrollTool, "Axis Scroll")                                               \
    X(TeeMsg_RectangleTool, "Rectangle")                                                  \
    X(TeeMsg_GalleryPolarBar, "Polar Bar")                                                \
    X(TeeMsg_AsWapBitmap, "Wap Bitmap")                                                   \
    X(TeeMsg_WapBMPFilter, "Wap Bitmaps (*.wbmp)|*.wbmp")                                 \
    X(TeeMsg_ClipSeries, "Clip Series")                                                   \
    X(TeeMsg_SeriesBandTool, "Series Band")                                               \
    X(TeeMsg_ThemeFacts, "Facts")                                                         \
    X(TeeMsg_FunctionDownSampling, "Reduction")

AnsiString TeeMsg_GalleryPolar = "Polar";
AnsiString TeeMsg_GalleryCandle = "Candle";
AnsiString TeeMsg_GalleryVolume = "Volume";
AnsiString TeeMsg_GallerySurface = "Surface";
AnsiString TeeMsg_GalleryContour = "Contour";
AnsiString TeeMsg_GalleryBezier = "Bezier";
AnsiString TeeMsg_GalleryPoint3D = "Point 3D";
AnsiString TeeMsg_GalleryRadar = "Radar";
AnsiString TeeMsg_GalleryDonut = "Donut";
AnsiString TeeMsg_GalleryCursor = "Cursor";
AnsiString TeeMsg_GalleryBar3D = "Bar 3D";
AnsiString TeeMsg_GalleryBigCandle = "Big Candle";
AnsiString TeeMsg_GalleryLinePoint = "Line Point";
AnsiString TeeMsg_GalleryHistogram = "Histogram";
AnsiString TeeMsg_GalleryWaterFall = "Water Fall";
AnsiString TeeMsg_GalleryWindRose = "Wind Rose";
AnsiString TeeMsg_GalleryClock = "Clock";
AnsiString TeeMsg_GalleryColorGrid = "Color\rGrid";
AnsiString TeeMsg_GalleryBoxPlot = "Box Plot";
AnsiString TeeMsg_GalleryHorizBoxPlot = "Horiz.\rBox Plot";
AnsiString TeeMsg_GalleryBarJoin = "Bar Join";
AnsiString TeeMsg_GallerySmith = "Smith";
AnsiString TeeMsg_GalleryPyramid = "Pyramid";
AnsiString TeeMsg_GalleryMap = "Map";
AnsiString TeeMsg_PolyDegreeRange = "Polynomial degree must be between 1 and 20";
AnsiString TeeMsg_AnswerVectorIndex = "Answer Vector index must be between 1 and %d";
AnsiString TeeMsg_FittingError = "Cannot process fitting";
AnsiString TeeMsg_ExpAverageWeight = "ExpAverage Weight must be between 0 and 1";
AnsiString TeeMsg_GalleryErrorBar = "Error Bar";
AnsiString TeeMsg_GalleryError = "Error";
AnsiString TeeMsg_GalleryHighLow = "High-Low";
AnsiString TeeMsg_FunctionMomentum = "Momentum";
AnsiString TeeMsg_FunctionMomentumDiv = "Momentum\rDivision";
AnsiString TeeMsg_FunctionExpAverage = "Exp.\rAverage";
AnsiString TeeMsg_FunctionMovingAverage = "Moving\rAverage";
AnsiString TeeMsg_FunctionExpMovAve = "Exp.Mov.\rAverage";
AnsiString TeeMsg_FunctionRSI = "R.S.I.";
AnsiString TeeMsg_FunctionCurveFitting = "Curve\rFitting";
AnsiString TeeMsg_FunctionTrend = "Trend";
AnsiString TeeMsg_FunctionExpTrend = "Exp.\rTrend";
AnsiString TeeMsg_FunctionLogTrend = "Log.\rTrend";
AnsiString TeeMsg_FunctionCumulative = "Cumulative";
AnsiString TeeMsg_FunctionStdDeviation = "Std.\rDeviation";
AnsiString TeeMsg_FunctionBollinger = "Bollinger";
AnsiString TeeMsg_FunctionRMS = "Root Mean\rSquare";
AnsiString TeeMsg_FunctionMACD = "MACD";
AnsiString TeeMsg_FunctionStochastic = "Stochastic";
AnsiString TeeMsg_FunctionADX = "ADX";
AnsiString TeeMsg_FunctionCount = "Count";
AnsiString TeeMsg_LoadChart = "Open Chart...";
AnsiString TeeMsg_SaveChart = "Save Chart...";
AnsiString TeeMsg_TeeFiles = "Chart Pro files";
AnsiString TeeMsg_GallerySamples = "Other";
AnsiString TeeMsg_GalleryStats = "Stats";
AnsiString TeeMsg_CannotFindEditor = "Cannot find Series editor Form: %s";
AnsiString TeeMsg_ValuesDate = "Date";
AnsiString TeeMsg_ValuesOpen = "Open";
AnsiString TeeMsg_ValuesHigh = "High";
AnsiString TeeMsg_ValuesLow = "Low";
AnsiString TeeMsg_ValuesClose = "Close";
AnsiString TeeMsg_ValuesOffset = "Offset";
AnsiString TeeMsg_ValuesStdError = "StdError";
AnsiString TeeMsg_Grid3D = "Grid 3D";
AnsiString TeeMsg_LowBezierPoints = "Number of Bezier points should be > 1";
AnsiString TeeCommanMsg_Normal = "Normal";
AnsiString TeeCommanMsg_Edit = "Edit";
AnsiString TeeCommanMsg_Print = "Print";
AnsiString TeeCommanMsg_Copy = "Copy";
AnsiString TeeCommanMsg_Save = "Save";
AnsiString TeeCommanMsg_3D = "3D";
AnsiString TeeCommanMsg_Rotating = "Rotation: %d° Elevation: %d°";
AnsiString TeeCommanMsg_Rotate = "Rotate";
AnsiString TeeCommanMsg_Moving = "Horiz.Offset: %d Vert.Offset: %d";
AnsiString TeeCommanMsg_Move = "Move";
AnsiString TeeCommanMsg_Zooming = "Zoom: %d %%";
AnsiString TeeCommanMsg_Zoom = "Zoom";
AnsiString TeeCommanMsg_Depthing = "3D: %d %%";
AnsiString TeeCommanMsg_Depth = "Depth";
AnsiString TeeCommanMsg_Chart = "Chart";
AnsiString TeeCommanMsg_Panel = "Panel";
AnsiString TeeCommanMsg_RotateLabel = "Drag %s to Rotate";
AnsiString TeeCommanMsg_MoveLabel = "Drag %s to Move";
AnsiString TeeCommanMsg_ZoomLabel = "Drag %s to Zoom";
AnsiString TeeCommanMsg_DepthLabel = "Drag %s to resize 3D";
AnsiString TeeCommanMsg_NormalLabel = "Drag Left button to Zoom, Right button to Scroll";
AnsiString TeeCommanMsg_NormalPieLabel = "Drag a Pie Slice to Explode it";
AnsiString TeeCommanMsg_PieExploding = "Slice: %d Exploded: %d %%";
AnsiString TeeMsg_TriSurfaceLess = "Number of points must be >= 4";
AnsiString TeeMsg_TriSurfaceAllColinear = "All colinear data points";
AnsiString TeeMsg_TriSurfaceSimilar = "Similar XYZ points. Cannot calculate triangles.";
AnsiString TeeMsg_GalleryTriSurface = "Triangle Surf.";
AnsiString TeeMsg_AllSeries = "All Series";
AnsiString TeeMsg_GalleryFinancial = "Financial";
AnsiString TeeMsg_CursorTool = "Cursor";
AnsiString TeeMsg_DragMarksTool = "Drag Marks";
AnsiString TeeMsg_AxisArrowTool = "Axis Arrows";
AnsiString TeeMsg_DrawLineTool = "Draw Line";
AnsiString TeeMsg_NearestTool = "Nearest Point";
AnsiString TeeMsg_ColorBandTool = "Color Band";
AnsiString TeeMsg_ColorLineTool = "Color Line";
AnsiString TeeMsg_RotateTool = "Rotate";
AnsiString TeeMsg_ImageTool = "Image";
AnsiString TeeMsg_MarksTipTool = "Mark Tips";
AnsiString TeeMsg_AnnotationTool = "Annotation";
AnsiString TeeMsg_CantDeleteAncestor = "Can not delete ancestor";
AnsiString TeeMsg_Load = "Load...";
AnsiString TeeMsg_CategoryChartActions = "Chart";
AnsiString TeeMsg_CategorySeriesActions = "Chart Series";
AnsiString TeeMsg_Action3D = "&3D";
AnsiString TeeMsg_Action3DHint = "Switch 2D / 3D";
AnsiString TeeMsg_ActionSeriesActive = "&Active";
AnsiString TeeMsg_ActionSeriesActiveHint = "Show / Hide Series";
AnsiString TeeMsg_ActionEditHint = "Edit Chart";
AnsiString TeeMsg_ActionEdit = "&Edit...";
AnsiString TeeMsg_ActionCopyHint = "Copy to Clipboard";
AnsiString TeeMsg_ActionCopy = "&Copy";
AnsiString TeeMsg_ActionPrintHint = "Print preview Chart";
AnsiString TeeMsg_ActionPrint = "&Print...";
AnsiString TeeMsg_ActionAxesHint = "Show / Hide Axes";
AnsiString TeeMsg_ActionAxes = "&Axes";
AnsiString TeeMsg_ActionGridsHint = "Show / Hide Grids";
AnsiString TeeMsg_ActionGrids = "&Grids";
AnsiString TeeMsg_ActionLegendHint = "Show / Hide Legend";
AnsiString TeeMsg_ActionLegend = "&Legend";
AnsiString TeeMsg_ActionSeriesEditHint = "Edit Series";
AnsiString TeeMsg_ActionSeriesMarksHint = "Show / Hide Series Marks";
AnsiString TeeMsg_ActionSeriesMarks = "&Marks";
AnsiString TeeMsg_ActionSaveHint = "Save Chart";
AnsiString TeeMsg_ActionSave = "&Save...";
AnsiString TeeMsg_CandleBar = "Bar";
AnsiString TeeMsg_CandleNoOpen = "No Open";
AnsiString TeeMsg_CandleNoClose = "No Close";
AnsiString TeeMsg_NoHigh = "No High";
AnsiString TeeMsg_NoLow = "No Low";
AnsiString TeeMsg_ColorRange = "Color Range";
AnsiString TeeMsg_WireFrame = "Wireframe";
AnsiString TeeMsg_DotFrame = "Dot Frame";
AnsiString TeeMsg_Positions = "Positions";
AnsiString TeeMsg_NoGrid = "No Grid";
AnsiString TeeMsg_NoPoint = "No Point";
AnsiString TeeMsg_NoLine = "No Line";
AnsiString TeeMsg_Labels = "Labels";
AnsiString TeeMsg_NoCircle = "No Circle";
AnsiString TeeMsg_Lines = "Lines";
AnsiString TeeMsg_Border = "Border";
AnsiString TeeMsg_SmithResistance = "Resistance";
AnsiString TeeMsg_SmithReactance = "Reactance";
AnsiString TeeMsg_Column = "Column";
AnsiString TeeMsg_Separator = "Separator";
AnsiString TeeMsg_FunnelSegment = "Segment ";
AnsiString TeeMsg_FunnelSeries = "Funnel";
AnsiString TeeMsg_FunnelPercent = "0.00 %";
AnsiString TeeMsg_FunnelExceed = "Exceeds quota";
AnsiString TeeMsg_FunnelWithin = " within quota";
AnsiString TeeMsg_FunnelBelow = " or more below quota";
AnsiString TeeMsg_CalendarSeries = "Calendar";
AnsiString TeeMsg_DeltaPointSeries = "Delta Point";
AnsiString TeeMsg_ImagePointSeries = "Image Point";
AnsiString TeeMsg_ImageBarSeries = "Image Bar";
AnsiString TeeMsg_SeriesTextFieldZero = "SeriesText: Field index should be greater than zero.";
AnsiString TeeMsg_Origin = "Origin";
AnsiString TeeMsg_Transparency = "Transparency";
AnsiString TeeMsg_Box = "Box";
AnsiString TeeMsg_ExtrOut = "ExtrOut";
AnsiString TeeMsg_MildOut = "MildOut";
AnsiString TeeMsg_PageNumber = "Page Number";
AnsiString TeeMsg_TextFile = "Text File";
AnsiString TeeMsg_DragPoint = "Drag Point";
AnsiString TeeMsg_OpportunityValues = "Opportunity Values";
AnsiString TeeMsg_QuoteValues = "Quote Values";
AnsiString TeeMsg_FunctionSmooth = "Smoothing";
AnsiString TeeMsg_FunctionCross = "Cross Points";
AnsiString TeeMsg_GridTranspose = "3D Grid Transpose";
AnsiString TeeMsg_FunctionCompress = "Compression";
AnsiString TeeMsg_ExtraLegendTool = "Extra Legend";
AnsiString TeeMsg_FunctionCLV = "Close Location\rValue";
AnsiString TeeMsg_FunctionOBV = "On Balance\rVolume";
AnsiString TeeMsg_FunctionCCI = "Commodity\rChannel Index";
AnsiString TeeMsg_FunctionPVO = "Volume\rOscillator";
AnsiString TeeMsg_SeriesAnimTool = "Series Animation";
AnsiString TeeMsg_GalleryPointFigure = "Point & Figure";
AnsiString TeeMsg_Up = "Up";
AnsiString TeeMsg_Down = "Down";
AnsiString TeeMsg_GanttTool = "Gantt Drag";
AnsiString TeeMsg_XMLFile = "XML file";
AnsiString TeeMsg_GridBandTool = "Grid Band";
AnsiString TeeMsg_FunctionPerf = "Performance";
AnsiString TeeMsg_GalleryGauge = "Gauge";
AnsiString TeeMsg_GalleryGauges = "Gauges";
AnsiString TeeMsg_ValuesVectorEndZ = "EndZ";
AnsiString TeeMsg_GalleryVector3D = "Vector 3D";
AnsiString TeeMsg_Gallery3D = "3D";
AnsiString TeeMsg_GalleryTower = "Tower";
AnsiString TeeMsg_SingleColor = "Single Color";
AnsiString TeeMsg_Cover = "Cover";
AnsiString TeeMsg_Cone = "Cone";
AnsiString TeeMsg_PieTool = "Pie Slices";
AnsiString TeeMsg_Stop = "Stop";
AnsiString TeeMsg_Execute = "Execute";
AnsiString TeeMsg_Themes = "Themes";
AnsiString TeeMsg_LightTool = "2D Lighting";
AnsiString TeeMsg_Current = "Current";
AnsiString TeeMsg_FunctionCorrelation = "Correlation";
AnsiString TeeMsg_FunctionVariance = "Variance";
AnsiString TeeMsg_GalleryBubble3D = "Bubble 3D";
AnsiString TeeMsg_GalleryHorizHistogram = "Horizontal\rHistogram";
AnsiString TeeMsg_FunctionPerimeter = "Perimeter";
AnsiString TeeMsg_SurfaceNearestTool = "Surface Nearest";
AnsiString TeeMsg_AxisScrollTool = "Axis Scroll";
AnsiString TeeMsg_RectangleTool = "Rectangle";
AnsiString TeeMsg_GalleryPolarBar = "Polar Bar";
AnsiString TeeMsg_AsWapBitmap = "Wap Bitmap";
AnsiString TeeMsg_WapBMPFilter = "Wap Bitmaps (*.wbmp)|*.wbmp";
AnsiString TeeMsg_ClipSeries = "Clip Series";
AnsiString TeeMsg_SeriesBandTool = "Series Band";
AnsiString TeeMsg_ThemeFacts = "Facts";
AnsiString TeeMsg_FunctionDownSampling = "Reduction";

namespace TeeProCo {
AnsiString TeeMsg_PeriodRange = "Period must be >= 0";
AnsiString TeeMsg_Edit = "Edit";
}  // namespace TeeProCo

void TeeSetProCoConstants()
{
#define TEE_ASSIGN_TEXT(name, text) name = text;
    TEE_PROCO_TEXTS(TEE_ASSIGN_TEXT)
#undef TEE_ASSIGN_TEXT
}

void TeeProCoTexts(std::vector<std::pair<const char*, AnsiString*>>& texts)
{
#define TEE_LIST_TEXT(name, text) texts.emplace_back(#name, &name);
    TEE_PROCO_TEXTS(TEE_LIST_TEXT)
#undef TEE_LIST_TEXT
}
