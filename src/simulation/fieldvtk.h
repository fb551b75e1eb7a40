// The model grid's fields as a VTK XML rectilinear grid (.vtr), the form ParaView and VTK's
// Python readers open directly.
#pragma once

#include "simulation/modelgrid.h"

#include <string>

namespace tarsen {

/// The whole .vtr document of the nr x nz interior cells. x is r and y is z, both in mm, on the
/// cell edges 0 ... rmax and 0 ... zmax; z is one plane at 0. The cell data arrays are
/// temperature_C, heat_source_W_per_mm3, conductivity_W_per_mm_K (Float32, the stored Singles
/// bit for bit, so a value that is not finite stays so) and material_index (Int32, -1 where no
/// part lies), r running fastest; each array is base64 inline binary data, little-endian.
std::string FieldVtr(const ModelGrid& g);

} // namespace tarsen
