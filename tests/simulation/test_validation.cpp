// The program against converged finite-element solutions of the same continuum problem on
// assemblies whose part boundaries fall between the cell faces (validation/reference.csv, made
// by validation/make_reference.py). The bounds are what the grid may still be off by.
#include "common/frontend.h"
#include "simulation/mainlogic.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace tarsen {
namespace {

struct Reference {
    std::array<double, 3> tc{};
    double power = 0.0;
};

/// The row of reference.csv for one assembly; false when it is not there.
bool ReadReference(const std::string& assembly, Reference& ref)
{
    std::ifstream in(std::string(TARSEN_SOURCE_DIR) + "/validation/reference.csv");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string name, h, field;
        std::getline(row, name, ',');
        if (name != assembly)
            continue;
        std::getline(row, h, ',');
        for (double& t : ref.tc) {
            std::getline(row, field, ',');
            t = std::stod(field);
        }
        std::getline(row, field, ',');
        ref.power = std::stod(field);
        return true;
    }
    return false;
}

/// Thermocouple temperatures and power after a run to a steady field at nr cells.
Reference RunToSteady(const std::string& assembly, const char* nr, bool exact)
{
    RecordingFrontEnd front;
    MainLogic m(front);
    const std::string path = std::string(TARSEN_SOURCE_DIR) + "/validation/" + assembly;
    EXPECT_EQ(m.Form_Load(std::string(TARSEN_SOURCE_DIR) + "/validation", path, "").status,
              ReadTarsenStatus::Read);
    m.SetGridSize(nr);
    m.SetExactSampling(exact);
    m.txtNCycles_LostFocus("15");
    m.Initialize();
    EXPECT_TRUE(m.grid.Initialized) << m.StatusText;
    m.cmdRunManyCycles_MouseUp();
    Reference got;
    for (int k = 0; k < 3; ++k)
        got.tc[static_cast<std::size_t>(k)] = m.ThermocoupleTemp(k);
    got.power = m.grid.IntegratedPower;
    return got;
}

TEST(ContinuumValidation, ThermocouplesAndPowerOffTheCellFaces)
{
    // Thermocouple bounds at nr 64, deg C: a few degrees where gradients reach 100 deg C/mm and
    // more; sampling at the cell centres errs by 15 to 35 here.
    const struct {
        const char* assembly;
        double tcBound;
    } cases[] = {{"inch_furnace.tsn", 8.0}, {"tapered_heater.tsn", 7.0}};
    for (const auto& c : cases) {
        Reference ref;
        ASSERT_TRUE(ReadReference(c.assembly, ref)) << c.assembly;
        const Reference got = RunToSteady(c.assembly, "64", true);
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(got.tc[k], ref.tc[k], c.tcBound) << c.assembly << " TC" << k;
        EXPECT_NEAR(got.power, ref.power, 0.002 * ref.power) << c.assembly;
    }
}

} // namespace
} // namespace tarsen
