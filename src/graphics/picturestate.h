// The picture of the assembly: the drawing state the main window keeps (geometry of the
// picture, material brushes, drawing settings, contour list, labels and scale bar) and every
// drawing made from it: the parts in their material colours with their outlines, the margin,
// axis, boundaries and thermocouples, the isotherms by straight segments or by the smooth
// method, the point-by-point field pictures, labels and scale bar over an off-screen copy, the
// probe text of a point of the picture, and the writing of the picture to a bitmap file.
//
// A model point (r, z) in mm is drawn at pixel x = (r + PicFrameR) / PicToMM,
// y = (z + PicFrameZ) / PicToMM: r grows to the right from the axis, z downwards.
#pragma once

#include "graphics/rastersurface.h"
#include "simulation/modelgrid.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

class clsTarsen;
class clsMaterialProperties;

/// What a picture is drawn from: the assembly, the material table, the model grid with its
/// fields and flags, and the run settings the drawing reads. The references must outlive the
/// drawing call.
struct PictureModel {
    PictureModel(const clsTarsen& assembly, const clsMaterialProperties& materials,
                 const ModelGrid& modelGrid)
        : Tarsen(assembly), materialproperties(materials), grid(modelGrid)
    {}

    const clsTarsen& Tarsen;
    const clsMaterialProperties& materialproperties;
    const ModelGrid& grid;
    std::array<std::int16_t, 5> ibcs{0, 0, 1, 1, 0}; //!< boundary types at 1 ... 4
    float tbc = 25.0f;                               //!< boundary temperature, deg C
    bool BoundaryT = false;                          //!< the heat driver takes resistivities at tbc
    ReportFn WriteReport;                            //!< the report box; may be empty
    /// Thermocouple positions (k, 0) = r, (k, 1) = z in mm as the window last copied them;
    /// when absent they are read from the assembly.
    std::optional<std::array<std::array<float, 2>, 3>> ThermocouplePositions;
};

class MainLogic;
/// The picture's view of the main window's logic: its assembly, material table, grid, boundary
/// types, tbc, the heat driver's BoundaryT, the thermocouple positions and its report box.
PictureModel PictureModelOf(MainLogic& logic);

/// One picture surface with the off-screen copy of its last full replot (labels and scale bar
/// excluded). Each surface keeps its own copy, so switching surfaces never mixes them.
struct PictureSurface {
    RasterSurface image;
    QImage BufferBitmap; //!< null until the first replot of this surface

    PictureSurface() = default;
    explicit PictureSurface(int side) : image(side, side) {}
};

/// Probe of one picture point (a click on the main picture).
struct ProbeResult {
    std::string text;            //!< the probe line; empty outside the grid
    bool insideGrid = false;     //!< the point maps to a cell -1 ... nr by -1 ... nz
    std::int16_t PartIndex = -1; //!< the part under the point, -1 for none
    std::int16_t MaterialIndex = -1;
};

/// What a click (button released) on the main picture did.
struct PictureClick {
    ProbeResult probe;
    bool labelAdded = false;          //!< add-label mode placed a label
    bool labelSelected = false;       //!< select-label mode picked a label
    std::optional<QString> labelText; //!< the text the label box shows now, when it changes
};

/// Smallest and largest line weight of the contour scroll bars.
inline constexpr int kContourScrollMin = 0;
inline constexpr int kContourScrollMax = 20;
/// Most levels the automatic contours make per interval class.
inline constexpr int kMaxContourLevelsPerClass = 1000;
/// Labels occupy slots 1 ... kMaxLabels; slots 99 and 100 belong to the scale bar.
inline constexpr int kMaxLabels = 98;
inline constexpr int kScaleBarSlot = 99;
inline constexpr int kLabelSlots = 101;
/// Side of the large picture when its size box does not hold a usable number, and the sizes
/// accepted, pixels.
inline constexpr int kDefaultLargePicture = 1267;
inline constexpr int kMinPictureSide = 64;
inline constexpr int kMaxPictureSide = 8000;
/// Side of the picture the batch tool writes by default, pixels.
inline constexpr int kDefaultPictureSide = 600;

inline constexpr std::string_view kReportDrawCartoon = "DrawCartoon...";
inline constexpr std::string_view kReportDrawModel = "DrawModel...";
inline constexpr std::string_view kReportDrawF = "draw_f...";
inline constexpr std::string_view kReportMakingContours = "Making contours...";
inline constexpr std::string_view kReportFineContour = "DrawFineContour...";

/// The levels first, first + D, ... up to tmax (a level equal to tmax counts), first being the
/// smallest multiple of D above tmin (equal to tmin does not count), compared in Single. None
/// when D <= 0, when tmin > tmax or either is not finite; at most kMaxContourLevelsPerClass.
std::vector<float> AutomaticLevels(float tmin, float tmax, float D);

/// The side of the large picture from the text of its size box: a number within 64 ... 8000
/// (rounded), otherwise 1267.
int LargePictureSize(std::string_view txtPixels);

/// Sets side (1 ... 4) of the boundary types through the rule that keeps the model solvable:
/// the axis (side 1) is always zero flux, and a side 2, 3 or 4 takes the value (0 or 1; any
/// non-zero value counts as 1) only while another of sides 2 ... 4 is isothermal, otherwise 1.
void SetIbcs(std::array<std::int16_t, 5>& ibcs, int side, int value);

class PictureState {
public:
    PictureState();

    // Picture geometry (mm; computed by InitializePic except PicFrame).
    float PicFrame = 1.0f; //!< frame left around the model, mm; always above 0
    float PicFrameR = 0.0f;
    float PicFrameZ = 0.0f;
    float PicToMM = 1.0f; //!< mm per pixel
    float PicSide = 2.0f;
    std::int32_t BorderColor = 16777215; //!< colour of the margin

    // Brushes and material colours.
    QBrush MarginBrush;
    QBrush RedBrush;
    std::vector<QBrush> MaterialBrushes;      //!< index m at m, 0 ... N - 1
    std::vector<std::int32_t> LocalMatColors; //!< index m at m + 1, -1 ... N

    // Drawing switches.
    bool FastPlot = true;      //!< draw contours and lines by the fast method
    bool Greyscale = false;    //!< the "Greyscale" menu check
    bool AntiAliasing = false; //!< the "Anti-aliasing (very slow)" menu check
    QFont PictureFont;         //!< font of the labels

    // Drawing settings (pixels).
    float PartBorderWeight = 1.0f;
    float BoundaryWeight = 1.0f;
    float AxisWeight = 1.0f;
    float ScaleBarWeight = 2.0f;
    std::int16_t ThermocouplePointSize = 3;
    float DotLength = 10.0f;
    std::array<std::int32_t, 2> BoundaryColors{255, 16711680}; //!< zero flux, isothermal
    std::array<std::int32_t, 3> ThermocoupleColors;

    // Contours.
    int ContourCount = 0;
    std::vector<float> ContourLevels{0.0f};
    std::vector<float> ContourWeights{0.0f};
    std::vector<std::int32_t> ContourColors{0};
    std::array<float, 2> ContourIntervals{100.0f, 0.0f}; //!< major, minor interval
    std::array<float, 2> ContourSize{2.0f, 1.0f}; //!< line weights of the "Line Weight" boxes
    std::array<int, 2> scrContourSize{2, 1};      //!< the weight scroll bars

    // Labels and scale bar.
    std::array<QString, kLabelSlots> LabelText;
    std::array<float, kLabelSlots> LabelX{}; //!< picture mm from the picture's top-left corner
    std::array<float, kLabelSlots> LabelY{};
    int LabelCount = 0;
    int SelectedLabel = 0;
    float LabelStep = 1.0f;
    bool ShowScaleBar = false; //!< the "Show scalebar" check box
    /// Isotherm levels written on their lines and the scale bar's length beside it.
    bool ShowValues = true;
    bool AddLabelMode = false;
    bool SelectLabelMode = false;
    bool MouseDown = false;

    // Geometry and colours.
    /// Fixes the mapping for the surface from rmax, zmax, PicFrame and the surface's height.
    void InitializePic(const PictureModel& model, const PictureSurface& pic);
    /// Pixel position of a model point in mm.
    float PixelX(float r) const;
    float PixelY(float z) const;
    /// The model point in mm of a pixel position (a Single product, then the offset).
    float MMOfPixelX(double X) const;
    float MMOfPixelY(double Y) const;
    /// Paints everything outside the model frame: the frame in MarginColor, then a border fill
    /// from the picture's corner with LocalBrush.
    void ReDoOuterMargin(std::int32_t MarginColor, const QBrush& LocalBrush,
                         const PictureModel& model, PictureSurface& pic);
    /// LocalMatColors from the assembly's material colours, then CreateBrushes.
    void SetLocalMatColors(const PictureModel& model);
    /// Material brushes (grey in greyscale), RedBrush and MarginBrush.
    void CreateBrushes(const PictureModel& model);
    /// LocalMatColors(m); an index outside -1 ... N gives the colour of -1.
    std::int32_t PartColors(int m) const;
    /// The brush of material m; -1 and indices outside the table give the brush of the colour
    /// of -1.
    QBrush MaterialBrush(int m) const;

    // Plotting.
    /// Cartoon, contours, the off-screen copy, labels and scale bar.
    void ReplotPicture(const PictureModel& model, PictureSurface& pic);
    /// "Plot All": FastPlot = not anti-aliasing, then a replot.
    void PlotAll(const PictureModel& model, PictureSurface& pic);
    /// "Replot picture (fast)".
    void PlotFast(const PictureModel& model, PictureSurface& pic);
    /// "Greyscale": toggles it, remakes the brushes and replots fast.
    void ToggleGreyscale(const PictureModel& model, PictureSurface& pic);
    /// The material map of the grid, one pixel per cell point, with boundaries and thermocouples.
    void DrawModel(const PictureModel& model, PictureSurface& pic);
    /// The heat source in shades of red, one pixel per cell point, and the boundaries.
    /// initialize is called when the model is not initialized (it returns whether it now is);
    /// without a heat source of the grid's size only the boundaries are drawn.
    void DrawHeatOutput(const PictureModel& model, PictureSurface& pic,
                        const std::function<bool()>& initialize);

    // The assembly.
    void DrawCartoon(const PictureModel& model, PictureSurface& pic);
    void DrawWholePart(int PartIndex, const PictureModel& model, PictureSurface& pic);
    /// Outline, fill and border of part PartIndex (0 ... 31); other indices draw nothing.
    void drawpart(int PartIndex, std::int32_t LocalColor, bool Filled, const PictureModel& model,
                  PictureSurface& pic);
    void DrawAxis(const PictureModel& model, PictureSurface& pic);
    void drawboundaries(const PictureModel& model, PictureSurface& pic);
    void DrawThermocouples(const PictureModel& model, PictureSurface& pic);
    /// A line in pixel coordinates: smooth when anti-aliasing is on and FastPlot off, else
    /// LineWeight rounded wide in LocalColor.
    void DrawTheLine(float x1, float y1, float x2, float y2, std::int32_t LocalColor,
                     float LineWeight, bool Dotted, PictureSurface& pic);
    /// Smooth straight line with square ends, black whatever LocalColor says.
    void FineLine(float x1, float y1, float x2, float y2, float LineWeight, std::int32_t LocalColor,
                  bool Dotted, PictureSurface& pic) const;
    /// Smooth closed path through four points with mitred corners; segment k runs from point k
    /// to point k + 1 (mod 4) and is dashed when Dotted[k].
    void FourPath(const std::array<float, 4>& X, const std::array<float, 4>& Y,
                  const std::array<bool, 4>& Dotted, float LineWeight, std::int32_t LocalColor,
                  PictureSurface& pic) const;

    // Annotations.
    /// Puts the scale bar centred under the model in the bottom margin.
    void StartScaleBar(const PictureModel& model);
    void DrawScaleBar(PictureSurface& pic, float ScaleBarLength);
    /// Restores the off-screen copy and draws labels and scale bar over it; replots fully when
    /// the surface has no copy of its own size.
    void Relabel(const PictureModel& model, PictureSurface& pic);
    /// The label nearest to the pixel position (X, Y) becomes Index; X and Y are converted to
    /// mm in place. Slots 99 and 100 are tested when the scale bar is shown.
    void NearestLabel(float& X, float& Y, int& Index) const;
    /// "Change label": the selected label's text.
    void ChangeLabel(const QString& text, const PictureModel& model, PictureSurface& pic);
    /// "Clear all labels".
    void ClearLabels(const PictureModel& model, PictureSurface& pic);
    /// The move buttons: the selected label (or the scale bar, slot 99) by LabelStep.
    void MoveLabel(int dx, int dy, const PictureModel& model, PictureSurface& pic);

    // Mouse on the picture.
    /// The probe line of pixel (X, Y) and the part under it.
    ProbeResult ProbeText(const PictureModel& model, int X, int Y) const;
    /// A button released over the picture at (X, Y): the probe, then the pending label mode
    /// (txtA is the label box's text).
    PictureClick MouseUp(const PictureModel& model, PictureSurface& pic, int X, int Y,
                         const QString& txtA);

    // Contours.
    /// The automatic list from the field's extremes and the two intervals.
    void PrepareContours(const PictureModel& model);
    void DrawAllContours(const PictureModel& model, PictureSurface& pic);
    void ContourDraw(int count, const std::vector<float>& levels, const std::vector<float>& weights,
                     const std::vector<std::int32_t>& colours, const PictureModel& model,
                     PictureSurface& pic);
    /// One isotherm by the smooth method: pixels within weight of it darkened by distance.
    void drawfinecontour3(float TContour, std::int32_t colour, float weight,
                          const PictureModel& model, PictureSurface& pic);
    /// Writes each level of the contour list once, in deg C, in a white box on one of its
    /// isotherms inside the model frame, clear of the values already written, where the
    /// isotherm runs farthest from those of other levels. A level without an isotherm or
    /// without room is left out.
    void LabelIsotherms(const PictureModel& model, PictureSurface& pic);
    /// "Auto": the automatic list, drawn (smoothly when anti-aliasing is on).
    void cmdAllContours(const PictureModel& model, PictureSurface& pic);
    /// "Add Contour" at level (the minor interval / value box).
    void CmdContour(float level, const PictureModel& model, PictureSurface& pic);
    /// "Clear": an empty list, replotted.
    void cmdClearContours(const PictureModel& model, PictureSurface& pic);
    /// A typed interval (0 major, 1 minor) or line weight; text that is not a number keeps the
    /// old value and returns false.
    bool SetContourInterval(int v, std::string_view text);
    bool SetContourSize(int v, std::string_view text);
    /// A scroll bar moved: its value (clamped to the scroll range) becomes the line weight.
    void SetContourScroll(int v, int value);

private:
    struct SmoothField;
    void SetContourList(std::vector<float> levels, std::vector<float> weights);
    /// Pixel coordinates of the cell points i = -1 ... nr (x) and j = -1 ... nz (y).
    void CellPixelTables(const ModelGrid& g, std::vector<float>& x, std::vector<float>& y) const;
    void Report(const PictureModel& model, std::string_view text) const;
    void PartOutline(const std::array<float, 4>& X, const std::array<float, 4>& Y,
                     std::int32_t colour, int width, PictureSurface& pic) const;
    bool BuildSmoothField(const PictureSurface& pic, SmoothField& field) const;
    void FineContour(float TContour, float weight, const SmoothField& field,
                     PictureSurface& pic) const;

    int m_drawWidth = 1; // line width of the last outline drawn, used by the margin frame
};

/// Writes the image to fileName: PNG when the name ends in ".png" (any case), otherwise a
/// Windows bitmap. Written to a temporary file beside the target and renamed over it. Returns
/// false with a message naming the file and the reason when it cannot be written.
bool SaveBitmap(const QImage& image, const QString& fileName, QString& error);

/// The picture a replot shows after a run, drawn on a new side x side surface with the default
/// drawing settings, the scale bar shown and automatic contours at the major interval 100
/// (smooth contours and borders with antialias), the isotherms' values and the bar's length
/// written on it, saved to fileName as SaveBitmap does.
bool WriteAssemblyPicture(const PictureModel& model, const QString& fileName, int side,
                          bool antialias, QString& error);

/// Makes sure a QGuiApplication exists for drawing text without a window system: when none
/// exists one is created on the offscreen platform and kept until the program ends.
void EnsureGuiApplication();

} // namespace tarsen
