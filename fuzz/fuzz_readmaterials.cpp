// Feeds arbitrary bytes to the materials file reader and checks what any read must leave: a
// table of at most 30 materials whose numbers, colours and names are usable.
#include "materials/clsmaterialproperties.h"
#include "materials/readmaterials.h"
#include "materials/textdecode.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tarsen;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    NullFrontEnd silent;
    clsMaterialProperties table(&silent);
    const MaterialsReadLog log = ReadMaterialsText(table, bytes, "fuzz.prp");

    const int n = table.NumberOfMaterials();
    Check(n >= 0 && n <= kMaxMaterials);
    Check((log.status == MaterialsReadLog::Status::Read) == (n > 0));
    Check(log.warnings.size() <= kKeptWarnings && log.warnings.size() <= log.warningCount);
    Check(WarningsForDisplay(log).size() <= kShownWarnings + 1);
    for (const auto& w : log.warnings)
        Check(IsValidUtf8(w));
    for (int i = -1; i < n; ++i) {
        const MaterialEntry& e = table.Entry(i);
        for (float c : e.cond)
            Check(std::isfinite(c));
        for (float v : {e.R0, e.r1, e.r2, e.r3, e.r4, e.R_Preexp, e.R_Exp, e.tmin, e.tmax,
                        e.density, e.porosity})
            Check(std::isfinite(v));
        Check(e.Colors >= 0 && e.Colors <= 0xFFFFFF);
        Check(IsValidUtf8(e.MaterialNames) && IsValidUtf8(e.MaterialName));
        Check(e.MaterialNames.find(' ') == std::string::npos ||
              e.MaterialNames.starts_with("Material "));
        for (double T : {-300.0, 0.0, 25.0, 1000.0, 3000.0}) {
            Check(std::isfinite(table.Conductivity(i, T)));
            Check(std::isfinite(table.Resistivity(i, static_cast<float>(T))));
        }
    }
    return 0;
}
