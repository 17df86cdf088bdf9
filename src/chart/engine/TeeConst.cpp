#include "chart/engine/TeeConst.h"

#include "chart/engine/TeeProCo.h"

#define TEE_CORE_TEXTS(X)                                                                        \
    X(TeeMsg_Copyright, "Copyright (c) Brevik Software")                                         \
    X(TeeMsg_Test, "Test...")                                                                    \
    X(TeeMsg_LegendFirstValue, "First Legend Value must be > 0")                                 \
    X(TeeMsg_LegendColorWidth, "Legend Color Width must be > 0%")                                \
    X(TeeMsg_SeriesSetDataSource, "No ParentChart to validate DataSource")                       \
    X(TeeMsg_SeriesInvDataSource, "No valid DataSource: %s")                                     \
    X(TeeMsg_FillSample, "FillSampleValues NumValues must be > 0")                               \
    X(TeeMsg_AxisLogDateTime, "DateTime Axis cannot be Logarithmic")                             \
    X(TeeMsg_AxisLogNotPositive, "Logarithmic Axis Min and Max values should be >= 0")           \
    X(TeeMsg_AxisLabelSep, "Labels Separation % must be greater than 0")                         \
    X(TeeMsg_AxisIncrementNeg, "Axis increment must be >= 0")                                    \
    X(TeeMsg_AxisMinMax, "Axis Minimum Value must be <= Maximum")                                \
    X(TeeMsg_AxisMaxMin, "Axis Maximum Value must be >= Minimum")                                \
    X(TeeMsg_AxisLogBase, "Axis Logarithmic Base should be <> 1 and > 0")                        \
    X(TeeMsg_MaxPointsPerPage, "MaxPointsPerPage must be >= 0")                                  \
    X(TeeMsg_3dPercent, "3D effect percent must be between %d and %d")                           \
    X(TeeMsg_CircularSeries, "Circular Series dependences are not allowed")                      \
    X(TeeMsg_WarningHiColor, "16k Color or greater required to get better look")                 \
    X(TeeMsg_DefaultPercentOf, "%s of %s")                                                       \
    X(TeeMsg_DefaultPercentOf2, "%s\rof %s")                                                     \
    X(TeeMsg_DefPercentFormat, "##0.## %")                                                       \
    X(TeeMsg_DefValueFormat, "#,##0.###")                                                        \
    X(TeeMsg_DefLogValueFormat, "#.0 \"x10\" E+0")                                               \
    X(TeeMsg_AxisTitle, "Axis Title")                                                            \
    X(TeeMsg_AxisLabels, "Axis Labels")                                                          \
    X(TeeMsg_RefreshInterval, "Refresh Interval must be between 0 and 60")                       \
    X(TeeMsg_SeriesParentNoSelf, "Series.ParentChart is not myself!")                            \
    X(TeeMsg_GalleryLine, "Line")                                                                \
    X(TeeMsg_GalleryPoint, "Point")                                                              \
    X(TeeMsg_GalleryArea, "Area")                                                                \
    X(TeeMsg_GalleryBar, "Bar")                                                                  \
    X(TeeMsg_GalleryHorizBar, "Horizontal\rBar")                                                 \
    X(TeeMsg_Stack, "Stack")                                                                     \
    X(TeeMsg_GalleryPie, "Pie")                                                                  \
    X(TeeMsg_GalleryCircled, "Circled")                                                          \
    X(TeeMsg_GalleryFastLine, "Fast Line")                                                       \
    X(TeeMsg_GalleryHorizLine, "Horizontal\rLine")                                               \
    X(TeeMsg_PieSample1, "Cars")                                                                 \
    X(TeeMsg_PieSample2, "Phones")                                                               \
    X(TeeMsg_PieSample3, "Tables")                                                               \
    X(TeeMsg_PieSample4, "Monitors")                                                             \
    X(TeeMsg_PieSample5, "Lamps")                                                                \
    X(TeeMsg_PieSample6, "Keyboards")                                                            \
    X(TeeMsg_PieSample7, "Bikes")                                                                \
    X(TeeMsg_PieSample8, "Chairs")                                                               \
    X(TeeMsg_GalleryLogoFont, "Courier New")                                                     \
    X(TeeMsg_Editing, "Editing %s")                                                              \
    X(TeeMsg_GalleryStandard, "Standard")                                                        \
    X(TeeMsg_GalleryExtended, "Extended")                                                        \
    X(TeeMsg_GalleryFunctions, "Functions")                                                      \
    X(TeeMsg_EditChart, "E&dit Chart...")                                                        \
    X(TeeMsg_PrintPreview, "&Print Preview...")                                                  \
    X(TeeMsg_ExportChart, "E&xport Chart...")                                                    \
    X(TeeMsg_CustomAxes, "Custom Axes...")                                                       \
    X(TeeMsg_InvalidEditorClass, "%s: Invalid Editor Class: %s")                                 \
    X(TeeMsg_MissingEditorClass, "%s: has no Editor Dialog")                                     \
    X(TeeMsg_GalleryArrow, "Arrow")                                                              \
    X(TeeMsg_ExpFinish, "&Finish")                                                               \
    X(TeeMsg_ExpNext, "&Next >")                                                                 \
    X(TeeMsg_GalleryGantt, "Gantt")                                                              \
    X(TeeMsg_GanttSample1, "Design")                                                             \
    X(TeeMsg_GanttSample2, "Prototyping")                                                        \
    X(TeeMsg_GanttSample3, "Development")                                                        \
    X(TeeMsg_GanttSample4, "Sales")                                                              \
    X(TeeMsg_GanttSample5, "Marketing")                                                          \
    X(TeeMsg_GanttSample6, "Testing")                                                            \
    X(TeeMsg_GanttSample7, "Manufacturing")                                                      \
    X(TeeMsg_GanttSample8, "Debugging")                                                          \
    X(TeeMsg_GanttSample9, "New Version")                                                        \
    X(TeeMsg_GanttSample10, "Banking")                                                           \
    X(TeeMsg_ChangeSeriesTitle, "Change Series Title")                                           \
    X(TeeMsg_NewSeriesTitle, "New Series Title:")                                                \
    X(TeeMsg_DateTime, "DateTime")                                                               \
    X(TeeMsg_TopAxis, "Top Axis")                                                                \
    X(TeeMsg_BottomAxis, "Bottom Axis")                                                          \
    X(TeeMsg_LeftAxis, "Left Axis")                                                              \
    X(TeeMsg_RightAxis, "Right Axis")                                                            \
    X(TeeMsg_SureToDelete, "Delete %s ?")                                                        \
    X(TeeMsg_DateTimeFormat, "DateTime Format:")                                                 \
    X(TeeMsg_Default, "Default: ")                                                               \
    X(TeeMsg_ValuesFormat, "Values Format:")                                                     \
    X(TeeMsg_Maximum, "Maximum")                                                                 \
    X(TeeMsg_Minimum, "Minimum")                                                                 \
    X(TeeMsg_DesiredIncrement, "Desired %s Increment")                                           \
    X(TeeMsg_IncorrectMaxMinValue, "Incorrect value. Reason: %s")                                \
    X(TeeMsg_EnterDateTime, "Enter [Number of Days] ")                                           \
    X(TeeMsg_SureToApply, "Apply Changes ?")                                                     \
    X(TeeMsg_SelectedSeries, "(Selected Series)")                                                \
    X(TeeMsg_RefreshData, "&Refresh Data")                                                       \
    X(TeeMsg_DefaultFontSize, "8")                                                               \
    X(TeeMsg_DefaultEditorSize, "414")                                                           \
    X(TeeMsg_DefaultEditorHeight, "347")                                                         \
    X(TeeMsg_FunctionAdd, "Add")                                                                 \
    X(TeeMsg_FunctionSubtract, "Subtract")                                                       \
    X(TeeMsg_FunctionMultiply, "Multiply")                                                       \
    X(TeeMsg_FunctionDivide, "Divide")                                                           \
    X(TeeMsg_FunctionHigh, "High")                                                               \
    X(TeeMsg_FunctionLow, "Low")                                                                 \
    X(TeeMsg_FunctionAverage, "Average")                                                         \
    X(TeeMsg_GalleryShape, "Shape")                                                              \
    X(TeeMsg_GalleryBubble, "Bubble")                                                            \
    X(TeeMsg_FunctionNone, "Copy")                                                               \
    X(TeeMsg_None, "(none)")                                                                     \
    X(TeeMsg_PrivateDeclarations, "{ Private declarations }")                                    \
    X(TeeMsg_PublicDeclarations, "{ Public declarations }")                                      \
    X(TeeMsg_DefaultFontName, "Arial")                                                           \
    X(TeeMsg_CheckPointerSize, "Pointer size must be greater than zero")                         \
    X(TeeMsg_About, "Abo&ut...")                                                                 \
    X(tcAdditional, "Additional")                                                                \
    X(tcDControls, "Data Controls")                                                              \
    X(tcQReport, "Report")                                                                       \
    X(TeeMsg_DataSet, "Dataset")                                                                 \
    X(TeeMsg_AskDataSet, "&Dataset:")                                                            \
    X(TeeMsg_SingleRecord, "Single Record")                                                      \
    X(TeeMsg_AskDataSource, "&DataSource:")                                                      \
    X(TeeMsg_Summary, "Summary")                                                                 \
    X(TeeMsg_FunctionPeriod, "Function Period should be >= 0")                                   \
    X(TeeMsg_WizardTab, "Business")                                                              \
    X(TeeMsg_DodUduduWizard, "DodUdudu Wizard")                                                  \
    X(TeeMsg_ClearImage, "Clea&r")                                                               \
    X(TeeMsg_BrowseImage, "B&rowse...")                                                          \
    X(TeeMsg_WizardSureToClose, "Are you sure that you want to close the Wizard?")               \
    X(TeeMsg_FieldNotFound, "Field %s does not exist")                                           \
    X(TeeMsg_DepthAxis, "Depth Right")                                                           \
    X(TeeMsg_PieOther, "Other")                                                                  \
    X(TeeMsg_ShapeGallery1, "abc")                                                               \
    X(TeeMsg_ShapeGallery2, "123")                                                               \
    X(TeeMsg_ValuesX, "X")                                                                       \
    X(TeeMsg_ValuesY, "Y")                                                                       \
    X(TeeMsg_ValuesPie, "Pie")                                                                   \
    X(TeeMsg_ValuesBar, "Bar")                                                                   \
    X(TeeMsg_ValuesAngle, "Angle")                                                               \
    X(TeeMsg_ValuesGanttStart, "Start")                                                          \
    X(TeeMsg_ValuesGanttEnd, "End")                                                              \
    X(TeeMsg_ValuesGanttNextTask, "NextTask")                                                    \
    X(TeeMsg_ValuesBubbleRadius, "Radius")                                                       \
    X(TeeMsg_ValuesArrowEndX, "EndX")                                                            \
    X(TeeMsg_ValuesArrowEndY, "EndY")                                                            \
    X(TeeMsg_Legend, "Legend")                                                                   \
    X(TeeMsg_Title, "Title")                                                                     \
    X(TeeMsg_Foot, "Footer")                                                                     \
    X(TeeMsg_Period, "Period")                                                                   \
    X(TeeMsg_PeriodRange, "Period must be >= 0")                                                 \
    X(TeeMsg_CalcPeriod, "Calculate %s every:")                                                  \
    X(TeeMsg_SmallDotsPen, "Small Dots")                                                         \
    X(TeeMsg_ChartAxesCategoryName, "Chart Axes")                                                \
    X(TeeMsg_ChartAxesCategoryDesc, "Chart Axes properties and events")                          \
    X(TeeMsg_ChartWallsCategoryName, "Chart Walls")                                              \
    X(TeeMsg_ChartWallsCategoryDesc, "Chart Walls properties and events")                        \
    X(TeeMsg_ChartTitlesCategoryName, "Chart Titles")                                            \
    X(TeeMsg_ChartTitlesCategoryDesc, "Chart Titles properties and events")                      \
    X(TeeMsg_Chart3DCategoryName, "Chart 3D")                                                    \
    X(TeeMsg_Chart3DCategoryDesc, "Chart 3D properties and events")                              \
    X(TeeMsg_CustomAxesEditor, "Custom ")                                                        \
    X(TeeMsg_Series, "Series")                                                                   \
    X(TeeMsg_SeriesList, "Series...")                                                            \
    X(TeeMsg_PageOfPages, "Page %d of %d")                                                       \
    X(TeeMsg_FileSize, "%d bytes")                                                               \
    X(TeeMsg_First, "First")                                                                     \
    X(TeeMsg_Prior, "Prior")                                                                     \
    X(TeeMsg_Next, "Next")                                                                       \
    X(TeeMsg_Last, "Last")                                                                       \
    X(TeeMsg_Insert, "Insert")                                                                   \
    X(TeeMsg_Delete, "Delete")                                                                   \
    X(TeeMsg_Edit, "Edit")                                                                       \
    X(TeeMsg_Post, "Post")                                                                       \
    X(TeeMsg_Cancel, "Cancel")                                                                   \
    X(TeeMsg_All, "(all)")                                                                       \
    X(TeeMsg_Index, "Index")                                                                     \
    X(TeeMsg_Text, "Text")                                                                       \
    X(TeeMsg_AsBMP, "as &Bitmap")                                                                \
    X(TeeMsg_BMPFilter, "Bitmaps (*.bmp)|*.bmp")                                                 \
    X(TeeMsg_AsEMF, "as &Metafile")                                                              \
    X(TeeMsg_EMFFilter, "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf")              \
    X(TeeMsg_ExportPanelNotSet, "Panel property is not set in Export format")                    \
    X(TeeMsg_Normal, "Normal")                                                                   \
    X(TeeMsg_NoBorder, "No Border")                                                              \
    X(TeeMsg_Dotted, "Dotted")                                                                   \
    X(TeeMsg_Colors, "Colors")                                                                   \
    X(TeeMsg_Filled, "Filled")                                                                   \
    X(TeeMsg_Marks, "Marks")                                                                     \
    X(TeeMsg_Stairs, "Stairs")                                                                   \
    X(TeeMsg_Points, "Points")                                                                   \
    X(TeeMsg_Height, "Height")                                                                   \
    X(TeeMsg_Hollow, "Hollow")                                                                   \
    X(TeeMsg_Point2D, "Point 2D")                                                                \
    X(TeeMsg_Triangle, "Triangle")                                                               \
    X(TeeMsg_Star, "Star")                                                                       \
    X(TeeMsg_Circle, "Circle")                                                                   \
    X(TeeMsg_DownTri, "Down Tri.")                                                               \
    X(TeeMsg_Cross, "Cross")                                                                     \
    X(TeeMsg_Diamond, "Diamond")                                                                 \
    X(TeeMsg_NoLines, "No Lines")                                                                \
    X(TeeMsg_Stack100, "Stack 100%")                                                             \
    X(TeeMsg_Pyramid, "Pyramid")                                                                 \
    X(TeeMsg_Ellipse, "Ellipse")                                                                 \
    X(TeeMsg_InvPyramid, "Inv. Pyramid")                                                         \
    X(TeeMsg_Sides, "Sides")                                                                     \
    X(TeeMsg_SideAll, "Side All")                                                                \
    X(TeeMsg_Patterns, "Patterns")                                                               \
    X(TeeMsg_Exploded, "Exploded")                                                               \
    X(TeeMsg_Shadow, "Shadow")                                                                   \
    X(TeeMsg_SemiPie, "Semi Pie")                                                                \
    X(TeeMsg_Rectangle, "Rectangle")                                                             \
    X(TeeMsg_VertLine, "Vert.Line")                                                              \
    X(TeeMsg_HorizLine, "Horiz.Line")                                                            \
    X(TeeMsg_Line, "Line")                                                                       \
    X(TeeMsg_Cube, "Cube")                                                                       \
    X(TeeMsg_DiagCross, "Diag.Cross")                                                            \
    X(TeeMsg_CanNotFindTempPath, "Can not find Temp folder")                                     \
    X(TeeMsg_CanNotCreateTempChart, "Can not create Temp file")                                  \
    X(TeeMsg_CanNotEmailChart, "Can not email chart. Mapi Error: %d")                            \
    X(TeeMsg_SeriesDelete, "Series Delete: ValueIndex %d out of bounds (0 to %d).")              \
    X(TeeMsg_NoSeriesSelected, "No Series selected")                                             \
    X(TeeMsg_CannotLoadChartFromURL, "Error code: %d downloading Chart from URL: %s")            \
    X(TeeMsg_CannotLoadSeriesDataFromURL, "Error code: %d downloading Series data from URL: %s") \
    X(TeeMsg_AsJPEG, "as &JPEG")                                                                 \
    X(TeeMsg_JPEGFilter, "JPEG files (*.jpg)|*.jpg")                                             \
    X(TeeMsg_AsGIF, "as &GIF")                                                                   \
    X(TeeMsg_GIFFilter, "GIF files (*.gif)|*.gif")                                               \
    X(TeeMsg_AsPNG, "as &PNG")                                                                   \
    X(TeeMsg_PNGFilter, "PNG files (*.png)|*.png")                                               \
    X(TeeMsg_AsPCX, "as PC&X")                                                                   \
    X(TeeMsg_PCXFilter, "PCX files (*.pcx)|*.pcx")                                               \
    X(TeeMsg_AsVML, "as &VML (HTM)")                                                             \
    X(TeeMsg_VMLFilter, "VML files (*.htm)|*.htm")                                               \
    X(TeeMsg_AskLanguage, "&Language...")                                                        \
    X(TeeMsg_Gradient, "Gradient")                                                               \
    X(TeeMsg_WantToSave, "Do you want to save %s?")                                              \
    X(TeeMsg_Property, "Property")                                                               \
    X(TeeMsg_Value, "Value")                                                                     \
    X(TeeMsg_Yes, "Yes")                                                                         \
    X(TeeMsg_No, "No")                                                                           \
    X(TeeMsg_Image, "(image)")                                                                   \
    X(TeeMsg_FunctionCustom, "y = f(x)")                                                         \
    X(TeeMsg_AsPDF, "as &PDF")                                                                   \
    X(TeeMsg_PDFFilter, "PDF files (*.pdf)|*.pdf")                                               \
    X(TeeMsg_AsPS, "as PostScript")                                                              \
    X(TeeMsg_PSFilter, "PostScript files (*.eps)|*.eps")                                         \
    X(TeeMsg_GalleryHorizArea, "Horizontal\rArea")                                               \
    X(TeeMsg_SelfStack, "Self Stacked")                                                          \
    X(TeeMsg_DarkPen, "Dark Border")                                                             \
    X(TeeMsg_SelectFolder, "Select folder")                                                      \
    X(TeeMsg_BDEAlias, "&Alias:")                                                                \
    X(TeeMsg_ADOConnection, "&Connection:")                                                      \
    X(TeeMsg_Apply, "&Apply")                                                                    \
    X(TeeMsg_AddNewGroup, "Add new group")                                                       \
    X(TeeMsg_ChangeGroupName, "Change group name")                                               \
    X(TeeMsg_GroupName, "Group name:")                                                           \
    X(TeeMsg_FunctionMedian, "Median")                                                           \
    X(TeeMsg_FunctionMode, "Mode")                                                               \
    X(TeeMsg_Options, "Options")                                                                 \
    X(TeeMsg_DepthTopAxis, "Depth Top")                                                          \
    X(TeeMsg_View2D, "2D")                                                                       \
    X(TeeMsg_Outline, "Outline")

#define TEE_DEFINE_TEXT(name, text) AnsiString name = text;
TEE_CORE_TEXTS(TEE_DEFINE_TEXT)
#undef TEE_DEFINE_TEXT

const AnsiString TeeMsg_TeeExtension = "tee";

// LANG_ENGLISH with SUBLANG_ENGLISH_US.
const std::int32_t TeeEnglishLanguage = 0x0409;
std::int32_t TeeLanguage = TeeEnglishLanguage;
bool TeeLanguageHotKeyAtEnd = false;
bool TeeLanguageCanUpper = true;

void TeeSetConstants()
{
#define TEE_ASSIGN_TEXT(name, text) name = text;
    TEE_CORE_TEXTS(TEE_ASSIGN_TEXT)
#undef TEE_ASSIGN_TEXT
}

void TeeSetEnglish()
{
    TeeLanguage = TeeEnglishLanguage;
    TeeSetConstants();
    TeeSetProCoConstants();
    TeeLanguageHotKeyAtEnd = false;
    TeeLanguageCanUpper = true;
}

AnsiString TeeDefaultFilterExtension()
{
    return "(*." + TeeMsg_TeeExtension + ")|*." + TeeMsg_TeeExtension;
}

std::vector<std::pair<const char*, AnsiString*>> TeeLibraryTexts()
{
    std::vector<std::pair<const char*, AnsiString*>> texts;
#define TEE_LIST_TEXT(name, text) texts.emplace_back(#name, &name);
    TEE_CORE_TEXTS(TEE_LIST_TEXT)
#undef TEE_LIST_TEXT
    TeeProCoTexts(texts);
    return texts;
}
