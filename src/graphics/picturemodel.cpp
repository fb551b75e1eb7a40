// The picture's view of the main window's logic.
#include "graphics/picturestate.h"
#include "simulation/mainlogic.h"

namespace tarsen {

PictureModel PictureModelOf(MainLogic& logic)
{
    PictureModel model{logic.Tarsen, logic.materialproperties, logic.grid};
    model.ibcs = logic.settings.ibcs;
    model.tbc = logic.settings.tbc;
    model.BoundaryT = logic.MgHeatSolver.BoundaryT;
    model.WriteReport = [&logic](std::string_view line) { logic.WriteReport(line); };
    model.ThermocouplePositions = logic.ThermocouplePositions;
    return model;
}

} // namespace tarsen
