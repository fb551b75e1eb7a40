#include "common/colour.h"
#include "materials/clsmaterialproperties.h"
#include "materials/conductivitylaw.h"
#include "materials/textdecode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace tarsen;

namespace {

/// Coefficients C0 ... C5, CMinus1 of a conductivity law.
struct Law {
    float c[kCondCoefficients] = {};
    float operator()(double T) const { return conductivity_law(c, T); }
};

MaterialEntry& DimensionedToOne(clsMaterialProperties& table)
{
    table.NumberOfMaterials(1);
    return table.Entry(0);
}

/// A table of one material whose entry the test fills directly.
struct OneMaterial {
    RecordingFrontEnd front;
    clsMaterialProperties table{&front};
    MaterialEntry& e{DimensionedToOne(table)};
};

} // namespace

TEST(ConductivityLaw, HandWorkedValues)
{
    Law lin;
    lin.c[0] = 2.0f;
    lin.c[1] = 0.001f;
    EXPECT_FLOAT_EQ(lin(1000.0), 3.0f);
    lin.c[4] = 0.0f; // a zero C4 changes nothing, even at T = 0
    EXPECT_FLOAT_EQ(lin(0.0), 2.0f);

    Law inv;
    inv.c[6] = 500.0f;
    EXPECT_FLOAT_EQ(inv(250.0), 2.0f);
    Law root;
    root.c[5] = 10.0f;
    EXPECT_FLOAT_EQ(root(100.0), 1.0f);

    Law poly; // 1 + 2T + 3T^2 + 4T^3 + 5T^4 at T = 2: 1 + 4 + 12 + 32 + 80
    for (int i = 0; i < 5; ++i)
        poly.c[i] = float(i + 1);
    EXPECT_FLOAT_EQ(poly(2.0), 129.0f);
    EXPECT_FLOAT_EQ(poly(-1.0), 3.0f); // 1 - 2 + 3 - 4 + 5
}

TEST(ConductivityLaw, FiniteWhereTheLawDividesByZeroOrOverflows)
{
    Law inv;
    inv.c[0] = 1.0f;
    inv.c[5] = 10.0f;
    inv.c[6] = 500.0f;
    for (double T : {0.0, -0.0, -50.0, 1e-300, std::numeric_limits<double>::denorm_min()}) {
        SCOPED_TRACE(T);
        EXPECT_TRUE(std::isfinite(inv(T)));
        EXPECT_GT(inv(T), 0.0f);
    }
    Law huge;
    huge.c[4] = 3e38f;
    EXPECT_EQ(huge(1e4), 0.0f); // beyond a Single: no conduction rather than infinity
    Law lin;
    lin.c[1] = 1.0f;
    EXPECT_EQ(lin(std::numeric_limits<double>::quiet_NaN()), 0.0f);
    EXPECT_EQ(lin(std::numeric_limits<double>::infinity()), 0.0f);
}

TEST(Resistivity, PolynomialAndArrheniusTerms)
{
    OneMaterial m;
    m.e.R0 = 1e-5f;
    for (float T : {-273.15f, 0.0f, 25.0f, 1500.0f})
        EXPECT_FLOAT_EQ(static_cast<float>(m.table.Resistivity(0, T)), 0.01f);

    // 1000 x (R0 + r1 T + r2 T^2 + r3 T^3 + r4 T^4) at T = 10.
    m.e.R0 = 1.0f;
    m.e.r1 = 0.5f;
    m.e.r2 = 0.25f;
    m.e.r3 = 0.125f;
    m.e.r4 = 0.0625f;
    EXPECT_DOUBLE_EQ(m.table.Resistivity(0, 10.0f), 1000.0 * (1 + 5 + 25 + 125 + 625));

    // exp(R_Exp / (R (T + 273.15))) with R_Exp = -R x 1000 K at 726.85 deg C is 1/e. The
    // Single temperature and coefficient are off by a few parts in 1e8.
    OneMaterial a;
    a.e.R_Preexp = 1.0f;
    a.e.R_Exp = -8314.471f;
    EXPECT_NEAR(a.table.Resistivity(0, 726.85f), 1000.0 * std::exp(-1.0), 1e-4);
    // The exponent carries no minus sign: a positive R_Exp gives a resistivity that falls as
    // the temperature rises.
    a.e.R_Exp = 8314.471f;
    EXPECT_GT(a.table.Resistivity(0, 100.0f), a.table.Resistivity(0, 1000.0f));

    // Both Arrhenius coefficients are needed for the term.
    OneMaterial p;
    p.e.R0 = 2e-3f;
    p.e.R_Preexp = 5.0f;
    EXPECT_FLOAT_EQ(static_cast<float>(p.table.Resistivity(0, 500.0f)), 2.0f);
    p.e.R_Preexp = 0.0f;
    p.e.R_Exp = 5.0f;
    EXPECT_FLOAT_EQ(static_cast<float>(p.table.Resistivity(0, 500.0f)), 2.0f);

    // A material without electrical data, and the entry -1, have resistivity 0.
    EXPECT_EQ(p.table.Resistivity(-1, 500.0f), 0.0);
}

TEST(Resistivity, FiniteAtAbsoluteZeroAndOnOverflow)
{
    OneMaterial m;
    m.e.R0 = 1e-5f;
    m.e.R_Preexp = 1.0f;
    m.e.R_Exp = -1000.0f;
    for (float T : {-273.15f, -300.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_TRUE(std::isfinite(m.table.Resistivity(0, T))) << T;
    EXPECT_FLOAT_EQ(static_cast<float>(m.table.Resistivity(0, -273.15f)), 0.01f);
    // A term beyond a double (a mistyped activation energy) gives 0, never infinity.
    m.e.R_Exp = 1e7f;
    EXPECT_EQ(m.table.Resistivity(0, 1000.0f), 0.0);
}

TEST(MaterialTable, InitializeDimensionsAndThePalette)
{
    RecordingFrontEnd front;
    clsMaterialProperties table(&front);
    EXPECT_TRUE(table.NoMaterials());
    EXPECT_EQ(table.NumberOfMaterials(), 0);
    EXPECT_EQ(table.MaterialNames(-1), "Material -1");

    ASSERT_TRUE(table.NumberOfMaterials(3));
    EXPECT_FALSE(table.NoMaterials());
    const int palette[4][3] = {{255, 0, 0}, {250, 250, 250}, {200, 0, 200}, {170, 226, 219}};
    for (int i = -1; i < 3; ++i) {
        EXPECT_EQ(table.MaterialNames(i), "Material " + std::to_string(i));
        const int* rgb = palette[i + 1];
        EXPECT_EQ(table.Colors(i), RGB(rgb[0], rgb[1], rgb[2]));
        EXPECT_FALSE(table.HasThermal(i));
        EXPECT_FALSE(table.HasElectrical(i));
    }
    // The rest of the palette, spot by spot: the listed indices and the blue of the others.
    EXPECT_EQ(clsMaterialProperties::DefaultColor(9), RGB(150, 150, 150));
    EXPECT_EQ(clsMaterialProperties::DefaultColor(10), RGB(0, 0, 255));
    EXPECT_EQ(clsMaterialProperties::DefaultColor(11), RGB(128, 152, 152));
    EXPECT_EQ(clsMaterialProperties::DefaultColor(17), RGB(160, 160, 160));
    EXPECT_EQ(clsMaterialProperties::DefaultColor(18), RGB(255, 255, 204));
    EXPECT_EQ(clsMaterialProperties::DefaultColor(30), RGB(0, 0, 255));

    // Writing the same count still empties the table.
    table.Entry(1).cond[0] = 4.0f;
    table.Entry(1).HasThermal = true;
    table.Colors(1, kWhite);
    table.Entry(1).MaterialNames = "Kept?";
    ASSERT_TRUE(table.NumberOfMaterials(3));
    EXPECT_FLOAT_EQ(table.C0(1), 0.0f);
    EXPECT_FALSE(table.HasThermal(1));
    EXPECT_EQ(table.Colors(1), RGB(200, 0, 200));
    EXPECT_EQ(table.MaterialNames(1), "Material 1");
    EXPECT_TRUE(front.m_messages.empty());
}

TEST(MaterialTable, ThirtyAllowedThirtyOneRefusedWithAnEmptyTable)
{
    RecordingFrontEnd front;
    clsMaterialProperties table(&front);
    ASSERT_TRUE(table.NumberOfMaterials(30));
    EXPECT_EQ(table.NumberOfMaterials(), 30);
    EXPECT_EQ(table.MaterialNames(29), "Material 29");
    EXPECT_TRUE(front.m_messages.empty());

    for (int n : {31, 32767, 100000}) {
        front.m_messages.clear();
        EXPECT_FALSE(table.NumberOfMaterials(n));
        EXPECT_EQ(table.NumberOfMaterials(), 0);
        EXPECT_EQ(front.m_messages, std::vector<std::string>{std::string(kMsgTooManyMaterials)});
        // The rows agree with the count: index 0 now reads entry -1.
        EXPECT_EQ(table.MaterialNames(0), "Material -1");
    }
    EXPECT_TRUE(table.NumberOfMaterials(-4)); // a negative count is an empty table
    EXPECT_TRUE(table.NoMaterials());
}

TEST(MaterialTable, IndicesOutsideTheTableReadEntryMinusOne)
{
    clsMaterialProperties table; // no front end: messages go nowhere, nothing crashes
    ASSERT_TRUE(table.NumberOfMaterials(2));
    table.Entry(-1).cond[0] = 7.0f;
    for (int i : {-2, 2, 31, -32768, 32767})
        EXPECT_FLOAT_EQ(table.C0(i), 7.0f) << i;
    table.Colors(2, kWhite); // outside: ignored
    table.Colors(-5, kWhite);
    EXPECT_EQ(table.Colors(-1), RGB(255, 0, 0));
    table.Colors(-1, kBlack);
    EXPECT_EQ(table.Colors(-1), kBlack);
    table.Colors(1, kWhite);
    EXPECT_EQ(table.Colors(1), kWhite);
}

TEST(TextDecoding, Utf8ValidityAndWindows1252)
{
    EXPECT_TRUE(IsValidUtf8("plain ASCII"));
    EXPECT_TRUE(IsValidUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\xA5")); // e-acute, euro, U+1F525
    EXPECT_FALSE(IsValidUtf8("\xE9"));                                // a Latin-1 byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                            // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));                        // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));                        // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));                    // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));                            // cut short
    EXPECT_FALSE(IsValidUtf8("\x80"));                                // a lone continuation

    EXPECT_EQ(Windows1252ToUtf8("\x80\x8A\x9F\xA0\xFF"),
              "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC2\xA0\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D"); // undefined: same number
    // Every result of the code page is valid UTF-8.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_TRUE(IsValidUtf8(Windows1252ToUtf8(all)));

    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xC3\xA9"), "\xC3\xA9");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xE9"), "\xC3\xA9"); // the mark goes, the rest is 1252

    EXPECT_EQ(ShortenUtf8("abc", 3), "abc");
    EXPECT_EQ(ShortenUtf8("abcd", 3), "abc...");
    EXPECT_EQ(ShortenUtf8("a\xC3\xA9", 2), "a..."); // never half a character
}
