// Whether the assembly in memory still matches the file it came from: a fingerprint of every
// value the assembly file stores (the parts, the thermocouples, the model and run settings, the
// boundary types, the materials file's name and the material colours). Two fingerprints are
// equal exactly when saving would write the same file.
#pragma once

#include "model/assemblyfile.h"

#include <string>

namespace tarsen {

class clsTarsen;
class clsMaterialProperties;

/// The stored values as one byte string; floats by their bits, so a NaN equals itself and -0
/// differs from 0 as it would in the file. settings must already hold the grid's rmax, nr and
/// AspectRatio and the heat driver's BoundaryT (the values a save would write).
std::string AssemblyFingerprint(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                                const AssemblySettings& settings);

} // namespace tarsen
