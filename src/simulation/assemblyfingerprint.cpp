#include "simulation/assemblyfingerprint.h"

#include "materials/clsmaterialproperties.h"
#include "model/clstarsen.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tarsen {

namespace {

class Fingerprint {
public:
    template <class T> void Add(const T& value)
    {
        static_assert(std::is_arithmetic_v<T>);
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        m_bytes.append(bytes, sizeof(T));
    }
    void Add(const std::string& text)
    {
        // The length first, so that "ab" + "c" differs from "a" + "bc".
        Add(static_cast<std::uint64_t>(text.size()));
        m_bytes += text;
    }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

} // namespace

std::string AssemblyFingerprint(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                                const AssemblySettings& settings)
{
    Fingerprint f;
    for (int i = 0; i < kMaxParts; ++i) {
        const clsAssemblyPart& p = Tarsen.CellPart(i);
        f.Add(p.TaperAngle());
        f.Add(p.FlareAngle());
        f.Add(p.Include);
        f.Add(p.InnerRadius());
        f.Add(p.MaterialIndex);
        f.Add(p.MaxHeight());
        f.Add(p.MinHeight());
        f.Add(p.OuterRadius());
        f.Add(p.Name);
        f.Add(p.HeatingType);
    }
    const AssemblySettings& s = settings;
    f.Add(s.rmax);
    f.Add(s.nr);
    f.Add(s.niters);
    f.Add(s.ntits);
    f.Add(s.w);
    f.Add(s.ncycles);
    f.Add(s.ninner);
    f.Add(s.DesiredResidual);
    f.Add(s.GoToT);
    f.Add(s.TError);
    f.Add(s.ElectricCurrent);
    f.Add(s.AspectRatio);
    f.Add(s.MaterialFile);
    f.Add(s.BoundaryT);
    f.Add(s.IncludePress);
    f.Add(s.FluxMatch);
    f.Add(s.ExactSampling);
    f.Add(s.tbc);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            f.Add(Tarsen.ThermocouplePosition(i, j));
    for (int side = 1; side <= 4; ++side)
        f.Add(s.ibcs[static_cast<std::size_t>(side)]);
    for (int i = 0; i < materials.NumberOfMaterials(); ++i)
        f.Add(Tarsen.MaterialColors(i));
    return f.Take();
}

} // namespace tarsen
