// The picture written after a run of the bundled example: the assembly in its material colours
// with isotherms, as the batch tool writes it.
#include "common/colour.h"
#include "graphics/picturestate.h"
#include "model/assemblyfile.h"
#include "simulation/mainlogic.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace tarsen {
namespace {

TEST(RunPicture, TheSolvedExampleShowsItsPartsAndIsotherms)
{
    const std::string examples = std::string(TARSEN_SOURCE_DIR) + "/examples";
    NullFrontEnd front;
    MainLogic logic(front);
    ASSERT_EQ(logic.Form_Load(examples, examples + "/furnace.tsn").status, ReadTarsenStatus::Read);
    logic.SetGridSize("32");
    logic.MaxCycles = 200;
    logic.Initialize();
    ASSERT_TRUE(logic.grid.Initialized) << logic.StatusText;
    logic.cmdConvergeToResidual_MouseUp();

    PictureModel model = PictureModelOf(logic);
    std::vector<std::string> report;
    model.WriteReport = [&](std::string_view line) { report.emplace_back(line); };
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("furnace.png"));
    QString error;
    ASSERT_TRUE(WriteAssemblyPicture(model, file, 300, false, error)) << error.toStdString();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front(), kReportMakingContours);
    const QImage picture(file);
    ASSERT_EQ(picture.size(), QSize(300, 300));

    // The same mapping as the picture's: the centre of every part, in the colour of the part
    // that owns that point.
    PictureState st;
    PictureSurface probe(300);
    st.InitializePic(model, probe);
    int parts = 0, matching = 0;
    for (int k = 0; k < kMaxParts; ++k) {
        const clsAssemblyPart& p = logic.Tarsen.CellPart(k);
        if (!p.Include)
            continue;
        float r[4], z[4];
        p.FourCorners(r[0], z[0], r[1], z[1], r[2], z[2], r[3], z[3]);
        const float rc = (r[0] + r[1] + r[2] + r[3]) / 4.0f;
        const float zc = (z[0] + z[1] + z[2] + z[3]) / 4.0f;
        std::int16_t mat = -1;
        if (logic.Tarsen.CellPartAtPoint(rc, zc, logic.grid.rmax, logic.grid.zmax, mat) < 0)
            continue;
        ++parts;
        const int x = static_cast<int>(st.PixelX(rc));
        const int y = static_cast<int>(st.PixelY(zc));
        matching += ColourOf(picture.pixel(x, y)) == logic.Tarsen.MaterialColors(mat) ? 1 : 0;
    }
    ASSERT_GE(parts, 4);
    EXPECT_GE(matching, parts - 1); // a contour may cross one centre

    // Isotherms: many more black pixels inside the model than the same picture without
    // contours has; and a margin in the border colour.
    st.SetLocalMatColors(model);
    st.cmdClearContours(model, probe);
    const QImage& plain = probe.image.Image();
    const int x0 = static_cast<int>(st.PixelX(0.0f)) + 2;
    const int x1 = static_cast<int>(st.PixelX(logic.grid.rmax)) - 2;
    const int y0 = static_cast<int>(st.PixelY(0.0f)) + 2;
    const int y1 = static_cast<int>(st.PixelY(logic.grid.zmax)) - 2;
    int black = 0, plainBlack = 0;
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) {
            black += ColourOf(picture.pixel(x, y)) == kBlack ? 1 : 0;
            plainBlack += ColourOf(plain.pixel(x, y)) == kBlack ? 1 : 0;
        }
    EXPECT_GT(black, plainBlack + 300);
    EXPECT_EQ(ColourOf(picture.pixel(2, 150)), kWhite);
    EXPECT_EQ(ColourOf(picture.pixel(297, 150)), kWhite);
}

} // namespace
} // namespace tarsen
