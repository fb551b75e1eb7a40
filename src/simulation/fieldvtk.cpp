#include "simulation/fieldvtk.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarsen {

namespace {

static_assert(std::endian::native == std::endian::little, "the file declares LittleEndian");

/// Base64 of bytes (RFC 4648, padded), as VTK's inline binary data expects.
void AppendBase64(std::string& out, const std::vector<unsigned char>& bytes)
{
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t k = 0;
    for (; k + 3 <= bytes.size(); k += 3) {
        const std::uint32_t v = (std::uint32_t(bytes[k]) << 16) |
                                (std::uint32_t(bytes[k + 1]) << 8) | std::uint32_t(bytes[k + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    if (const std::size_t rest = bytes.size() - k; rest > 0) {
        std::uint32_t v = std::uint32_t(bytes[k]) << 16;
        if (rest == 2)
            v |= std::uint32_t(bytes[k + 1]) << 8;
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
}

/// One DataArray: a UInt32 byte count, then the values, all in one base64 block.
template <typename Value>
void AppendArray(std::string& out, const char* type, const char* name,
                 const std::vector<Value>& values)
{
    const std::uint32_t size = static_cast<std::uint32_t>(values.size() * sizeof(Value));
    std::vector<unsigned char> bytes(sizeof size + size);
    std::memcpy(bytes.data(), &size, sizeof size);
    if (size > 0)
        std::memcpy(bytes.data() + sizeof size, values.data(), size);
    out += "        <DataArray type=\"";
    out += type;
    out += "\" Name=\"";
    out += name;
    out += "\" format=\"binary\">\n          ";
    AppendBase64(out, bytes);
    out += "\n        </DataArray>\n";
}

/// n + 1 cell edges from 0 to extent, each the Single of its exact position k extent / n.
std::vector<float> Edges(int n, float extent)
{
    std::vector<float> e(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k <= n; ++k)
        e[static_cast<std::size_t>(k)] = static_cast<float>(double(k) * double(extent) / double(n));
    return e;
}

/// The interior cells' values, r running fastest.
template <typename Value, typename Read> std::vector<Value> Cells(const ModelGrid& g, Read read)
{
    std::vector<Value> v;
    v.reserve(static_cast<std::size_t>(g.nr) * static_cast<std::size_t>(g.nz));
    for (int j = 0; j < g.nz; ++j)
        for (int i = 0; i < g.nr; ++i)
            v.push_back(read(i, j));
    return v;
}

} // namespace

std::string FieldVtr(const ModelGrid& g)
{
    const std::string extent = "0 " + std::to_string(g.nr) + " 0 " + std::to_string(g.nz) + " 0 0";
    std::string out = "<?xml version=\"1.0\"?>\n"
                      "<VTKFile type=\"RectilinearGrid\" version=\"1.0\" "
                      "byte_order=\"LittleEndian\" header_type=\"UInt32\">\n"
                      "  <RectilinearGrid WholeExtent=\"" +
                      extent + "\">\n    <Piece Extent=\"" + extent +
                      "\">\n      <CellData Scalars=\"temperature_C\">\n";
    AppendArray(out, "Float32", "temperature_C",
                Cells<float>(g, [&g](int i, int j) { return g.tmatrix(i, j); }));
    AppendArray(out, "Float32", "heat_source_W_per_mm3", Cells<float>(g, [&g](int i, int j) {
                    return g.f.InRange(i, j) ? g.f(i, j) : 0.0f;
                }));
    AppendArray(out, "Float32", "conductivity_W_per_mm_K",
                Cells<float>(g, [&g](int i, int j) { return g.cmatrix(i, j); }));
    AppendArray(out, "Int32", "material_index", Cells<std::int32_t>(g, [&g](int i, int j) {
                    return std::int32_t{g.pubMatMat(i, j)};
                }));
    out += "      </CellData>\n      <Coordinates>\n";
    AppendArray(out, "Float32", "r_mm", Edges(g.nr, g.rmax));
    AppendArray(out, "Float32", "z_mm", Edges(g.nz, g.zmax));
    AppendArray(out, "Float32", "plane", std::vector<float>{0.0f});
    out += "      </Coordinates>\n    </Piece>\n  </RectilinearGrid>\n</VTKFile>\n";
    return out;
}

} // namespace tarsen
